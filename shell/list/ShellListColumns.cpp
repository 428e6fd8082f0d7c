// Columns and sorting.
#include "shell/list/ShellControls.h"

#include "framework/Strings.h"

namespace wf {

namespace {
// Below this a sort parameter is a column index; the shell's column numbers
// and ours are both small.
constexpr int kMaxTextSortColumn = 32;
}  // namespace

void TKivShellList::CreateColumns() {
  Columns().BeginUpdate();
  Columns().Clear();
  TListColumn* name = Columns().Add();
  name->SetCaption(L"Name");
  name->SetWidth(150);
  column_map_[0] = 0;
  Columns().EndUpdate();
  shell_column_count_ = Columns().Count();
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
  const int direction = descending_ ? -1 : 1;
  const bool shell_mode = sort_column_ < shell_column_count_ && !OnCompare;
  IShellFolder* shell_folder = shell_mode ? rows_folder_.Get() : nullptr;
  const int column = sort_column_;
  CustomSort([&](TListItem* a, TListItem* b) { return CompareRows(a, b, shell_folder, column, direction); });
}

int TKivShellList::CompareRows(TListItem* a, TListItem* b, IShellFolder* shell_folder, int column, int direction) {
  TKivShellListItem* ra = RecordOf(a);
  TKivShellListItem* rb = RecordOf(b);
  // The parent-folder entry comes first in either direction.
  if (ra && ra->IsParentEntry) return -1;
  if (rb && rb->IsParentEntry) return 1;
  if (shell_folder) {
    if (!ra || !rb || !ra->ItemId || !rb->ItemId) return 0;
    const HRESULT hr = shell_folder->CompareIDs(static_cast<LPARAM>(column), ra->ItemId.get(), rb->ItemId.get());
    if (FAILED(hr)) return 0;
    return static_cast<short>(HRESULT_CODE(hr)) * direction;
  }
  int result = 0;
  if (column == 0) {
    result = CompareText(a->Caption(), b->Caption()) * direction;
  } else if (column <= kMaxTextSortColumn) {
    for (TListItem* row : {a, b})
      if (row->SubItems().empty()) UpdateItem(row);
    const auto& sa = a->SubItems();
    const auto& sb = b->SubItems();
    const size_t k = static_cast<size_t>(column - 1);
    const std::wstring empty;
    result = CompareText(k < sa.size() ? sa[k] : empty, k < sb.size() ? sb[k] : empty) * direction;
  }
  if (OnCompare) OnCompare(this, a, b, column, result);
  return result;
}

// The header's arrow bitmaps join with the detail columns.
void TKivShellList::UpdateSortArrows() {}

}  // namespace wf
