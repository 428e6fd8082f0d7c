// The shell list's columns and the widths kept for them.
#include "shell/list/ShellColumns.h"

#include "framework/Dpi.h"
#include "shell/core/Dirwalker.h"

namespace wf {

void ShellColumns::Create(TListColumns& columns, TDirwalker& walker, bool details, int dpi) {
  columns.BeginUpdate();
  if (widths_remembered_) {
    for (int i = 0; i < columns.Count() && i < kMaxColumns; ++i)
      remembered_width_[static_cast<size_t>(i)] = columns[i]->Width();
  }
  widths_remembered_ = !walker.Folder().empty();
  columns.Clear();
  int counter = 0;
  std::wstring title = walker.DetailText(0, true);
  for (;;) {
    TAlignment alignment = TAlignment::taLeftJustify;
    int width = 0;
    walker.ColumnInfo(counter, alignment, width);
    if (width > 0) {
      const int index = columns.Count();
      TListColumn* column = columns.Add();
      column->SetCaption(title);
      column->SetAlignment(alignment);
      const bool remembered = widths_remembered_ && index < kMaxColumns &&
                              remembered_width_[static_cast<size_t>(index)] > 0;
      column->SetWidth(remembered ? remembered_width_[static_cast<size_t>(index)]
                                  : ScaleForDpi(width, dpi));
      shell_column_[static_cast<size_t>(index)] = counter;
    }
    if (!details || columns.Count() >= kMaxColumns) break;
    ++counter;
    title = walker.DetailText(counter, true);
    if (title.empty()) break;
  }
  columns.EndUpdate();
  shell_count_ = columns.Count();
}

void ShellColumns::Rescale(TListColumns& columns, int before, int dpi) {
  // A width that is not its design width scaled (the user's, or the
  // shell's for another folder) is taken as the new design width.
  for (int i = 0; i < columns.Count() && i < kMaxColumns; ++i) {
    int& design = design_width_[static_cast<size_t>(i)];
    const int width = columns[i]->Width();
    if (design == 0 || ScaleForDpi(design, before) != width) design = UnscaleForDpi(width, before);
    columns[i]->SetWidth(ScaleForDpi(design, dpi));
  }
  // The remembered widths are the user's pixels: they keep their share.
  for (int& width : remembered_width_) width = MulDiv(width, dpi, before);
}

}  // namespace wf
