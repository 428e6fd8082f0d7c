// Context menus: which menu a right-click, the context-menu key or Shift+F10
// shows, and what the list does after the shell's verb ran; pasting into the
// shown folder.
#include <windowsx.h>

#include "framework/Menus.h"
#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {

// The context menu's lParam when it was asked for from the keyboard.
constexpr DWORD kKeyboardRequest = 0xFFFFFFFF;
// Where a menu asked for from the keyboard goes when no row is selected.
constexpr POINT kKeyboardMenuCorner{1, 1};

bool SameVerb(const std::wstring& a, const wchar_t* b) {
  return CompareText(a, b) == 0;
}

}  // namespace

void TKivShellList::SetBackgroundPopupMenu(TPopupMenu* menu) {
  if (menu == background_popup_menu_) return;
  if (background_popup_menu_) RemoveFreeNotification(background_popup_menu_);
  background_popup_menu_ = menu;
  if (background_popup_menu_) FreeNotification(background_popup_menu_);
}

void TKivShellList::Notification(TComponent* component, TOperation operation) {
  TCustomListView::Notification(component, operation);
  if (operation == TOperation::opRemove && component == background_popup_menu_)
    background_popup_menu_ = nullptr;
}

LRESULT TKivShellList::HandleContextMenuRequest(WPARAM wparam, LPARAM lparam) {
  // Only (-1, -1) comes from the keyboard: a monitor left of the main one
  // gives mouse points with a negative x.
  const bool keyboard = static_cast<DWORD>(lparam) == kKeyboardRequest;
  TListItem* item = nullptr;
  POINT point{};
  if (keyboard) {
    item = Selected();
    point = item ? SelectionMenuPoint(item) : kKeyboardMenuCorner;
  } else {
    point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    POINT client = point;
    ScreenToClient(Handle(), &client);
    MouseUp(TMouseButton::mbRight, KeyboardShiftState(), client.x, client.y);
    if (!HandleAllocated()) return 0;
    LVHITTESTINFO hit{};
    hit.pt = client;
    const auto index =
        static_cast<int>(SendMessageW(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index >= 0 && !(hit.flags & LVHT_NOWHERE)) item = Items()[index];
  }
  if (item) {
    if (shell_context_menu_)
      ShowItemMenu(point);
    else
      TCustomListView::WndProc(WM_CONTEXTMENU, wparam, lparam);
  } else if (!ShowBackgroundMenu(point)) {
    TCustomListView::WndProc(WM_CONTEXTMENU, wparam, lparam);
  }
  return 0;
}

// Whoever shows a menu with the list as its owner sends it these; the folder
// object's merged menu takes them only while it is open.
LRESULT TKivShellList::HandleMenuMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = TCustomListView::WndProc(msg, wparam, lparam);
  dirwalker_->HandleMenuMessage(msg, wparam, lparam, result);
  return result;
}

POINT TKivShellList::SelectionMenuPoint(TListItem* item) {
  const RECT bounds = item->DisplayRect(TDisplayCode::drSelectBounds);
  POINT corner{bounds.right, bounds.bottom};
  ClientToScreen(Handle(), &corner);
  return corner;
}

bool TKivShellList::ShowBackgroundMenu(POINT point) {
  if (!background_popup_menu_) return false;
  background_popup_menu_->Popup(point.x, point.y);
  return true;
}

// Rows of the list's objects (never the parent entry) that are selected now.
std::vector<TListItem*> TKivShellList::SelectedObjectRows() {
  std::vector<TListItem*> rows;
  for (TListItem* item : SelectedRows()) {
    TKivShellListItem* record = RecordOf(item);
    if (record && !record->IsParentEntry) rows.push_back(item);
  }
  return rows;
}

std::wstring TKivShellList::ShowItemMenu(POINT point) {
  const std::vector<TListItem*> rows = SelectedObjectRows();
  if (rows.empty()) return {};
  // Taken before the menu: the verb may remove the objects, and while the
  // menu is open rows may come and go, so afterwards the menu's rows are
  // found again by their objects, never by their places.
  std::vector<std::wstring> paths, chosen;
  for (TListItem* row : rows) {
    std::wstring path = ItemPath(row);
    // An object without a file-system path goes by its name in the folder;
    // in a folder without a path it goes by none, since a bare name would
    // be looked for in the process's current folder.
    if (path.empty() && !Path().empty()) path = Path() + NameInFolder(RecordOf(row)->ItemId.get());
    paths.push_back(std::move(path));
    chosen.push_back(rows_.Identity(RecordOf(row)->ItemId.get()));
  }
  // A paste goes into the row's object, whose name the caption may not be.
  std::wstring paste_target = ItemPath(rows.front());
  if (paste_target.empty() && !Path().empty()) paste_target = Path() + rows.front()->Caption();

  AssignRowsToDirwalker(rows);
  // The menu's "Rename" edits the row it was shown for, wherever that row
  // is by then; gone, it edits nothing.
  if (!ReadOnly())
    dirwalker_->OnRename = [this, first = chosen.front()](TObject*) {
      if (TListItem* row = RowOfIdentity(first)) {
        ClearSelection();
        row->SetSelected(true);
        row->SetFocused(true);
        row->MakeVisible(false);
        row->EditCaption();
      }
    };
  else
    AssignRenameHook();
  std::unique_ptr<TStringList> clipboard = ClipboardFiles();
  dirwalker_->SetReadOnlyGuard(ReadOnly());
  dirwalker_->SetShowContextMenuOnTop(ShowContextMenuOnTop());
  const std::wstring verb = dirwalker_->PopupShellMenu(point, PopupMenu());
  AssignRenameHook();

  if (SameVerb(verb, L"delete")) {
    // What the shell really removed: a partial delete leaves rows behind.
    auto files = std::make_unique<TStringList>();
    for (const std::wstring& path : paths)
      if (!path.empty() && !PathExists(path)) files->Add(path);
    ReportOperation({sopDelete, sopRemove}, std::move(files), L"");
  } else if (SameVerb(verb, L"undelete")) {
    RestartRefreshTimer();
  } else if (SameVerb(verb, L"paste")) {
    if (clipboard) ReportPaste(std::move(clipboard), paste_target);
  } else if (SameVerb(verb, L"cut")) {
    for (TListItem* row : RowsOfIdentities(chosen)) MarkCut(row);
  }
  return verb;
}

bool TKivShellList::PasteIntoFolder(const std::wstring& verb) {
  std::unique_ptr<TStringList> clipboard;
  if (SameVerb(verb, L"paste")) clipboard = ClipboardFiles();
  const bool done = RunVerbOnFolder(verb);
  if (done && clipboard) ReportPaste(std::move(clipboard), Path());
  RestartRefreshTimer();
  return done;
}

// The shown folder is the current object of a folder object of its own, one
// level up, so that the verb lands on the folder itself and not on its rows.
bool TKivShellList::RunVerbOnFolder(const std::wstring& verb) {
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(ShowErrorMessages());
  // The rows' folder: the list's folder object may have been moved on.
  walker.SetFolderIDList(FolderIdList());
  walker.SelectFolderInParent();
  return walker.RunVerb(verb);
}

void TKivShellList::ReportPaste(std::unique_ptr<TStringList> clipboard,
                                const std::wstring& destination) {
  if (clipboard->Empty()) return;
  // A moved file is gone from where the clipboard named it.
  const bool copied = PathExists(clipboard->Items().front());
  const TKivShellOperations operations = copied ? TKivShellOperations{sopCopy, sopPaste, sopAdd}
                                                : TKivShellOperations{sopMove, sopPaste, sopAdd};
  ReportOperation(operations, std::move(clipboard), destination);
}

}  // namespace wf
