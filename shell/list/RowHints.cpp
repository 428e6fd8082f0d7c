#include "shell/list/RowHints.h"

#include "shell/core/Dirwalker.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {

// The control draws a caption this far inside its label on each side.
constexpr int kLabelMargin = 4;

}  // namespace

void RowHints::Answer(THintInfo& hint) {
  TListItem* row = list_.GetItemAt(hint.cursor_pos.x, hint.cursor_pos.y);
  TKivShellListItem* record = row ? TKivShellList::RecordOf(row) : nullptr;
  if (!record) return;
  const bool own_tip = list_.ShowHint() && !record->IsParentEntry && record->ItemId;
  if (own_tip) {
    std::wstring text = InfoTip(row);
    Raise(list_.OnInfoTip, &list_, row, text);
    // The handler may have let the row go.
    if (!text.empty() && row->Index() >= 0) {
      const RECT bounds = row->DisplayRect(TDisplayCode::drBounds);
      POINT corner{bounds.left, bounds.top};
      ClientToScreen(list_.Handle(), &corner);
      RECT client{};
      GetClientRect(list_.Handle(), &client);
      hint.hint_str = std::move(text);
      hint.cursor_rect = bounds;
      hint.hint_pos = {corner.x + GetSystemMetrics(SM_CXCURSOR),
                       corner.y + GetSystemMetrics(SM_CYCURSOR)};
      hint.hint_max_width = client.right;
      hint.show = true;
      return;
    }
  }
  // A caption its column cuts shows whole, whether hints are on or not: a
  // long name is otherwise unreadable. It shows just under its row, not
  // over it: a tip under the pointer takes the pointer's clicks under Wine,
  // and a click on the row would then select nothing.
  RECT label{};
  if (row->Index() >= 0 && CaptionCut(row, label)) {
    const RECT bounds = row->DisplayRect(TDisplayCode::drBounds);
    POINT corner{label.left, bounds.bottom};
    ClientToScreen(list_.Handle(), &corner);
    hint.hint_str = row->Caption();
    hint.cursor_rect = bounds;
    hint.hint_pos = corner;
    hint.show = true;
    return;
  }
  // The row's own hint, when it has one, is the row's: empty, it is none.
  if (own_tip) hint.hint_str.clear();
}

const std::wstring& RowHints::InfoTip(TListItem* row) {
  if (row == tip_row_ && list_.rows_deleted_ == tip_rows_deleted_) return tip_;
  tip_row_ = row;
  tip_rows_deleted_ = list_.rows_deleted_;
  tip_.clear();
  // A folder object of its own on the rows' folder: the list's may have
  // moved on, and asking must not move it.
  IShellFolder* folder = list_.row_query_.Folder();
  if (!folder) return tip_;
  TDirwalker walker(nullptr);
  walker.SetShellFolder(folder, list_.row_query_.FolderIdList());
  walker.SetCurrentId(TKivShellList::RecordOf(row)->ItemId.get());
  tip_ = walker.InfoTip();
  return tip_;
}

bool RowHints::CaptionCut(TListItem* row, RECT& label) {
  const TViewStyle style = list_.ViewStyle();
  // Icon views wrap a long caption rather than cut it.
  if (style == TViewStyle::vsIcon) return false;
  label = row->DisplayRect(TDisplayCode::drLabel);
  const std::wstring& caption = row->Caption();
  if (caption.empty() || label.right <= label.left) return false;
  const int width = static_cast<int>(SendMessageW(list_.Handle(), LVM_GETSTRINGWIDTHW, 0,
                                                  reinterpret_cast<LPARAM>(caption.c_str())));
  return width > label.right - label.left - 2 * kLabelMargin;
}

}  // namespace wf
