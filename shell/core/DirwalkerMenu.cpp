#include <set>

#include "framework/Application.h"
#include "framework/MessageWindow.h"
#include "framework/Strings.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ShellUtils.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

// The shell's entries in a merged menu: first and last identifier.
constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 255;
constexpr UINT kVerbLength = 260;
constexpr UINT kHelpTextLength = 261;

bool IsFullPath(std::wstring_view name) {
  return name.find(L':') != std::wstring_view::npos || name.substr(0, 2) == L"\\\\";
}

// The identifiers of the shell's entries in `menu` and its sub-menus,
// skipping the positions [first_own, first_own + own_count) of the top level.
void CollectShellCommands(HMENU menu, int first_own, int own_count, std::set<UINT>& commands) {
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    if (position >= first_own && position < first_own + own_count) continue;
    MENUITEMINFOW info{sizeof(info)};
    info.fMask = MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info)) continue;
    commands.insert(info.wID);
    if (info.hSubMenu) CollectShellCommands(info.hSubMenu, 0, 0, commands);
  }
}

// Gives the copied items under `parent`, laid out in `menu` from `position`
// on, identifiers that no shell entry has. Shells are told the last
// identifier they may use, but Wine's numbers some entries past it.
void MoveOffShellCommands(HMENU menu, int position, TMenuItem& parent,
                          const std::set<UINT>& shell_commands) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = *parent.Items(i);
    if (!item.Visible()) continue;
    if (shell_commands.count(item.Command())) {
      item.ChangeCommand(shell_commands);
      MENUITEMINFOW info{sizeof(info)};
      info.fMask = MIIM_ID | MIIM_DATA;
      info.wID = item.Command();
      info.dwItemData = item.Command();
      SetMenuItemInfoW(menu, position, TRUE, &info);
    }
    if (item.SubMenu()) MoveOffShellCommands(item.SubMenu(), 0, item, shell_commands);
    ++position;
  }
}

}  // namespace

std::wstring TDirwalker::PopupShellMenu(POINT point, TPopupMenu* app_menu) {
  std::wstring check_path;
  ComPtr<IContextMenu> shell_menu;
  try {
    // Objects of virtual folders have no path to check: a bare name would be
    // looked for in the current directory.
    if (multi_objects_.Empty()) {
      if (current_id_ && !folder_.empty()) check_path = folder_ + ObjectName();
    } else if (const std::vector<ChildIdList>& ids = ObjectIds(); !ids.empty()) {
      check_path = IdListToPath(ConcatIdLists(object_ids_folder_.get(), ids.front().get()).get());
    } else {
      const std::wstring& first = multi_objects_[0];
      if (IsFullPath(first) || !folder_.empty())
        check_path = IsFullPath(first) ? first : folder_ + first;
    }
    shell_menu = GetUIObject<IContextMenu>();
  } catch (const std::exception&) {
    // A named object that does not exist: no menu.
  }
  multi_objects_.Clear();
  if (!shell_menu) return {};

  // Everything that lives while the menu is open goes on every path out.
  struct OpenMenuScope {
    TDirwalker& walker;
    ~OpenMenuScope() {
      walker.open_menu_interface_.Reset();
      walker.open_menu_ = nullptr;
      walker.open_popup_ = nullptr;
    }
  } open_scope{*this};
  shell_menu.As(&open_menu_interface_);

  if (app_menu) Raise(app_menu->OnPopup, app_menu);
  TPopupMenu merged;
  if (app_menu) {
    merged.Items().AddCopiesOf(app_menu->Items());
    merged.SetImages(app_menu->Images());
  }
  HMENU handle = merged.Handle();
  if (!handle) return {};
  open_menu_ = handle;
  open_popup_ = &merged;
  const int own_count = GetMenuItemCount(handle);
  const UINT position = show_context_menu_on_top_ ? 0 : static_cast<UINT>(own_count);
  const UINT flags = CMF_EXPLORE | (OnRename ? CMF_CANRENAME : 0);
  if (FAILED(shell_menu->QueryContextMenu(handle, position, kFirstShellCommand, kLastShellCommand,
                                          flags)))
    return {};
  const int first_own = show_context_menu_on_top_ ? GetMenuItemCount(handle) - own_count : 0;
  std::set<UINT> shell_commands;
  CollectShellCommands(handle, first_own, own_count, shell_commands);
  MoveOffShellCommands(handle, first_own, merged.Items(), shell_commands);

  UINT command;
  {
    MessageWindow owner(
        MessageWindow::Kind::kHiddenPopup,
        [this](UINT msg, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
          LRESULT result = 0;
          if (HandleMenuMessage(msg, wparam, lparam, result)) return result;
          return std::nullopt;
        },
        this);
    command = static_cast<UINT>(TrackPopupMenu(handle, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x,
                                               point.y, 0, owner.Handle(), nullptr));
  }
  if (command == 0) return {};
  if (TMenuItem* item = merged.FindItem(command)) {
    item->Click();
    return {};
  }
  std::wstring verb = RunShellEntry(shell_menu.Get(), command);
  if (SameText(verb, L"delete") && !check_path.empty() && PathExists(check_path)) verb.clear();
  return verb;
}

// Runs the shell's entry when the application allows it; the verb on success.
std::wstring TDirwalker::RunShellEntry(IContextMenu* menu, UINT command) {
  const UINT offset = command - kFirstShellCommand;
  char buffer[kVerbLength] = {};
  std::wstring verb;
  if (SUCCEEDED(menu->GetCommandString(offset, GCS_VERBA, nullptr, buffer, kVerbLength))) {
    buffer[kVerbLength - 1] = '\0';
    for (const char* c = buffer; *c; ++c)
      verb += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  }
  if (!VerbAllowed(verb)) return {};
  if (SameText(verb, L"rename") && OnRename) {
    Raise(OnRename, this);
    return verb;
  }
  CMINVOKECOMMANDINFO info{sizeof(info)};
  // The keys held as the entry was picked belong to the command: "delete"
  // with Shift held deletes for good instead of recycling.
  if (GetKeyState(VK_SHIFT) < 0) info.fMask |= CMIC_MASK_SHIFT_DOWN;
  if (GetKeyState(VK_CONTROL) < 0) info.fMask |= CMIC_MASK_CONTROL_DOWN;
  info.hwnd = ShellOwnerWindow();
  info.lpVerb = MAKEINTRESOURCEA(offset);
  info.nShow = SW_SHOWNORMAL;
  if (FAILED(menu->InvokeCommand(&info))) return {};
  return verb;
}

bool TDirwalker::VerbAllowed(const std::wstring& verb) {
  if (OnContextMenuSelect) {
    bool execute = true;
    Raise(OnContextMenuSelect, this, verb, execute);
    return execute;
  }
  return !(read_only_guard_ &&
           (SameText(verb, L"delete") || SameText(verb, L"cut") || SameText(verb, L"paste")));
}

bool TDirwalker::HandleMenuMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (!open_menu_ || (Application && Application->Terminated())) return false;
  switch (msg) {
    case WM_INITMENUPOPUP:
      // The application's own sub-menus are none of the shell's business.
      if (open_popup_->FindItemBySubMenu(reinterpret_cast<HMENU>(wparam))) return false;
      [[fallthrough]];
    case WM_MEASUREITEM:
    case WM_DRAWITEM: {
      if (open_menu_interface_) open_menu_interface_->HandleMenuMsg(msg, wparam, lparam);
      // The copied items measure and draw their images there.
      const LRESULT answer = SendMessageW(PopupMenuWindow(), msg, wparam, lparam);
      result = msg == WM_INITMENUPOPUP ? 0 : (answer ? answer : TRUE);
      return true;
    }
    case WM_MENUSELECT:
      ShowMenuHint(wparam, lparam);
      result = 0;
      return true;
  }
  return false;
}

void TDirwalker::ShowMenuHint(WPARAM wparam, LPARAM lparam) {
  if (!Application) return;
  const UINT id = LOWORD(wparam);
  const UINT flags = HIWORD(wparam);
  if (!(flags & MF_POPUP) && id >= kFirstShellCommand && id <= kLastShellCommand) {
    wchar_t text[kHelpTextLength] = {};
    if (!open_menu_interface_ || FAILED(open_menu_interface_->GetCommandString(
                                     id - kFirstShellCommand, GCS_HELPTEXTW, nullptr,
                                     reinterpret_cast<char*>(text), kHelpTextLength)))
      text[0] = L'\0';
    text[kHelpTextLength - 1] = L'\0';
    Application->SetHint(text);
    return;
  }
  TMenuItem* item = nullptr;
  if (flags == 0xFFFF && !lparam) {
    // The menu closed.
  } else if (flags & MF_POPUP) {
    item = open_popup_->FindItemBySubMenu(GetSubMenu(reinterpret_cast<HMENU>(lparam), id));
  } else {
    item = open_popup_->FindItem(id);
  }
  Application->SetHint(item ? GetLongHint(item->Hint()) : std::wstring());
}

}  // namespace wf
