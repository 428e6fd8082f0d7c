// Columns and sorting: the list's side of its columns, sorts and sort marks.
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

#include "shell/core/ShellUtils.h"

namespace wf {

void TKivShellList::CreateColumns() {
  parts_->columns.Create(Columns(), *dirwalker_, details_, CurrentDpi());
}

void TKivShellList::SortByColumn(int column) {
  descending_ = column == sort_column_ && !descending_;
  sort_column_ = column;
  SortItems();
  UpdateSortArrows();
}

void TKivShellList::ColClick(TListColumn* column) {
  SortByColumn(column->Index());
  TCustomListView::ColClick(column);
}

void TKivShellList::SortItems() {
  if (sort_column_ > Columns().Count() - 1) sort_column_ = 0;
  if (!HandleAllocated()) return;  // no window, no rows in places
  SortingScope sorting(*this);
  PlaceRows(parts_->sorter.Order(sort_column_, descending_));
}

void TKivShellList::ChangeScale(int dpi) {
  const int before = CurrentDpi();
  TCustomListView::ChangeScale(dpi);
  if (CurrentDpi() == before) return;
  if (use_system_font_) UseIconTitleFont(Font());
  parts_->columns.Rescale(Columns(), before, dpi);
  parts_->sort_arrows.Load(dpi);
  UpdateSortArrows();
}

void TKivShellList::UpdateSortArrows() {
  if (!HandleAllocated()) return;
  parts_->sort_arrows.Show(ListView_GetHeader(Handle()), sort_column_, descending_);
}

}  // namespace wf
