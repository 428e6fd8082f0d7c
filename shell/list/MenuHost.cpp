// The shell list's context menus: which menu a request shows, and what the
// list does after the shell's verb ran.
#include "shell/list/MenuHost.h"

#include <windowsx.h>

#include "framework/Menus.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

// The context menu's lParam when it was asked for from the keyboard.
constexpr DWORD kKeyboardRequest = 0xFFFFFFFF;
// Where a menu asked for from the keyboard goes when no row is selected.
constexpr POINT kKeyboardMenuCorner{1, 1};

}  // namespace

void MenuHost::SetBackground(TPopupMenu* menu) {
  if (menu == background_) return;
  if (background_) list_.RemoveFreeNotification(background_);
  background_ = menu;
  if (background_) list_.FreeNotification(background_);
}

void MenuHost::Forget(TComponent* component) {
  if (component == background_) background_ = nullptr;
}

LRESULT MenuHost::ContextMenuRequested(WPARAM wparam, LPARAM lparam) {
  TKivShellList& list = list_;
  // Only (-1, -1) comes from the keyboard: a monitor left of the main one
  // gives mouse points with a negative x.
  const bool keyboard = static_cast<DWORD>(lparam) == kKeyboardRequest;
  TListItem* item = nullptr;
  POINT point{};
  if (keyboard) {
    item = list.Selected();
    point = item ? SelectionMenuPoint(item) : kKeyboardMenuCorner;
  } else {
    point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    POINT client = point;
    ScreenToClient(list.Handle(), &client);
    list.MouseUp(TMouseButton::mbRight, KeyboardShiftState(), client.x, client.y);
    if (!list.HandleAllocated()) return 0;
    LVHITTESTINFO hit{};
    hit.pt = client;
    const auto index = static_cast<int>(
        SendMessageW(list.Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index >= 0 && !(hit.flags & LVHT_NOWHERE)) item = list.Items()[index];
  }
  if (item) {
    if (list.ShellContextMenu())
      ShowItemMenu(point);
    else
      list.TCustomListView::WndProc(WM_CONTEXTMENU, wparam, lparam);
  } else if (!ShowBackgroundMenu(point)) {
    list.TCustomListView::WndProc(WM_CONTEXTMENU, wparam, lparam);
  }
  return 0;
}

LRESULT MenuHost::MenuMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = list_.TCustomListView::WndProc(msg, wparam, lparam);
  list_.dirwalker_->HandleMenuMessage(msg, wparam, lparam, result);
  return result;
}

POINT MenuHost::SelectionMenuPoint(TListItem* item) {
  const RECT bounds = item->DisplayRect(TDisplayCode::drSelectBounds);
  POINT corner{bounds.right, bounds.bottom};
  ClientToScreen(list_.Handle(), &corner);
  return corner;
}

bool MenuHost::ShowBackgroundMenu(POINT point) {
  if (!background_) return false;
  background_->Popup(point.x, point.y);
  return true;
}

std::wstring MenuHost::ShowItemMenu(POINT point) {
  TKivShellList& list = list_;
  TDirwalker& walker = *list.dirwalker_;
  const std::vector<TListItem*> rows = list.SelectedObjectRows();
  if (rows.empty()) return {};
  // Taken before the menu: the verb may remove the objects.
  const std::wstring folder = list.Path();
  std::vector<std::wstring> paths, chosen;
  for (TListItem* row : rows) {
    std::wstring path = list.ItemPath(row);
    // An object without a file-system path goes by its name in the folder;
    // in a folder without a path it goes by none, since a bare name would
    // be looked for in the process's current folder.
    if (path.empty() && !folder.empty())
      path = folder + list.NameInFolder(TKivShellList::RecordOf(row)->ItemId.get());
    paths.push_back(std::move(path));
    chosen.push_back(list.row_query_.Identity(TKivShellList::RecordOf(row)->ItemId.get()));
  }
  // A paste goes into the row's object, whose name the caption may not be.
  std::wstring paste_target = list.ItemPath(rows.front());
  if (paste_target.empty() && !folder.empty()) paste_target = folder + rows.front()->Caption();

  list.AssignRowsToDirwalker(rows);
  // The menu's "Rename" edits the row it was shown for, wherever that row
  // is by then; gone, it edits nothing.
  if (!list.ReadOnly())
    walker.OnRename = [&list, first = chosen.front()](TObject*) {
      list.parts_->renaming.EditAlone(list.RowOfIdentity(first));
    };
  else
    list.AssignRenameHook();
  std::unique_ptr<TStringList> clipboard = ClipboardFiles();
  walker.SetReadOnlyGuard(list.ReadOnly());
  walker.SetShowContextMenuOnTop(list.ShowContextMenuOnTop());
  const std::wstring verb = walker.PopupShellMenu(point, list.PopupMenu());
  list.AssignRenameHook();

  if (SameVerb(verb, L"delete")) {
    // What the shell really removed: a partial delete leaves rows behind.
    auto files = std::make_unique<TStringList>();
    for (const std::wstring& path : paths)
      if (!path.empty() && !PathExists(path)) files->Add(path);
    list.ReportOperation({sopDelete, sopRemove}, std::move(files), L"");
  } else if (SameVerb(verb, L"undelete")) {
    list.RestartRefreshTimer();
  } else if (SameVerb(verb, L"paste")) {
    if (clipboard) list.ReportPaste(std::move(clipboard), paste_target);
  } else {
    list.MarkClipboardRows(verb, chosen);
  }
  return verb;
}

}  // namespace wf
