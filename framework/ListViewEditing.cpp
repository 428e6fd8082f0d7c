// Editing a row's caption in place: who may, the row the edit belongs to
// wherever it moves, and how the edit ends.
#include "framework/ListView.h"

#include <utility>

#include "framework/Application.h"

namespace wf {

bool TCustomListView::CanEdit(TListItem* item) {
  if (read_only_) return false;
  bool allow_edit = true;
  Raise(OnEditing, this, item, allow_edit);
  return allow_edit;
}

void TCustomListView::EditEnded(TListItem* item, std::wstring* text) {
  if (!text) return;
  Raise(OnEdited, this, item, *text);
  item->SetCaption(*text);
}

void TCustomListView::BeginLabelEdit(NMLVDISPINFOW* info, LRESULT& result) {
  TListItem* item = RowAt(info->item.iItem);
  // Refused unless allowed: a handler that fails must not open the editor.
  bool allowed = false;
  if (item) Guarded(this, [&] { allowed = CanEdit(item); });
  result = allowed ? FALSE : TRUE;
  if (!allowed) return;
  editing_ = true;
  editing_row_ = item;
  edit_cancelled_ = false;
  editor_watch_.reset();
  // The editor is the control's child and gets the keys typed into it; the
  // list's own key handling never sees them. Escape is noted before the
  // editor acts on it, as the control ends the edit right then.
  if (const auto editor = reinterpret_cast<HWND>(CallControl(LVM_GETEDITCONTROL, 0, 0)))
    editor_watch_ = std::make_unique<WindowSubclass>(
        editor, nullptr, [this](HWND, UINT msg, WPARAM wparam, LPARAM, LRESULT&) {
          return WatchEditorKey(msg, wparam);
        });
}

void TCustomListView::ForgetEditedRow(TListItem* row) {
  if (row != editing_row_) return;
  editing_row_ = nullptr;
  // Whatever was typed was meant for the row that went: the editor closes
  // now rather than waiting for an Enter that would rename nothing.
  if (editing_ && HandleAllocated()) {
    edit_cancelled_ = true;
    CallControl(LVM_CANCELEDITLABEL, 0, 0);
  }
}

void TCustomListView::FollowEditedRow() {
  if (!editing_row_ || editing_row_->index_ < 0) return;
  const auto editor = reinterpret_cast<HWND>(CallControl(LVM_GETEDITCONTROL, 0, 0));
  if (!editor) return;
  const RECT label = editing_row_->DisplayRect(TDisplayCode::drLabel);
  if (IsRectEmpty(&label)) return;
  RECT now{};
  GetWindowRect(editor, &now);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&now), 2);
  const int top = label.top + ((label.bottom - label.top) - (now.bottom - now.top)) / 2;
  if (top != now.top)
    SetWindowPos(editor, nullptr, now.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TCustomListView::WatchEditorKey(UINT msg, WPARAM wparam) {
  if ((msg == WM_KEYDOWN || msg == WM_CHAR) && wparam == VK_ESCAPE) edit_cancelled_ = true;
  return false;
}

void TCustomListView::EndLabelEdit(NMLVDISPINFOW* info) {
  const bool cancelled = edit_cancelled_ || !info->item.pszText;
  // The control names the place the editor was opened at; the row there now
  // may be another.
  TListItem* item = std::exchange(editing_row_, nullptr);
  editing_ = false;
  edit_cancelled_ = false;
  editor_watch_.reset();
  if (!item || cancelled) {
    EditEnded(item, nullptr);
    return;
  }
  std::wstring text = info->item.pszText;
  EditEnded(item, &text);
}

}  // namespace wf
