#include <shobjidl.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "framework/Application.h"
#include "framework/MessageWindow.h"
#include "framework/Strings.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ShellUtils.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

// The shell's entries in a merged menu: first and last identifier. The
// range must hold every entry a shell makes: Wine numbers its Explore and
// Open entries 258 and 259 and drops what falls past the last identifier.
// The application's items are numbered above it.
constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = kFirstMenuCommand - 1;
static_assert(kLastShellCommand > 259 && kLastShellCommand < kFirstMenuCommand);
constexpr UINT kNoDefaultEntry = static_cast<UINT>(-1);
constexpr UINT kVerbLength = 260;
constexpr UINT kHelpTextLength = 261;

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

// The verb of the shell's entry `command`; empty when it names none.
std::wstring EntryVerb(IContextMenu* menu, UINT command) {
  char buffer[kVerbLength] = {};
  std::wstring verb;
  if (command < kFirstShellCommand ||
      FAILED(menu->GetCommandString(command - kFirstShellCommand, GCS_VERBA, nullptr, buffer,
                                    kVerbLength)))
    return verb;
  buffer[kVerbLength - 1] = '\0';
  for (const char* c = buffer; *c; ++c)
    verb += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  return verb;
}

// The top-level position of the shell's entry for `verb`, or -1.
int PositionOfVerb(HMENU menu, IContextMenu* shell, const std::set<UINT>& shell_commands,
                   const wchar_t* verb) {
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    const UINT id = GetMenuItemID(menu, position);
    if (id != 0 && id != kNoDefaultEntry && shell_commands.count(id) &&
        SameVerb(EntryVerb(shell, id), verb))
      return position;
  }
  return -1;
}

// A shell marks its own entry as the default, the one a double-click would
// run. Wine marks whatever is first in the menu, an application's item when
// those come first, and left its Open out when the range was too small to
// number it: the default goes to the shell's Open unless the shell marked
// an entry of its own or the application one of its items.
void SettleDefaultEntry(HMENU menu, IContextMenu* shell, const std::set<UINT>& shell_commands,
                        const TMenuItem& app_items) {
  const UINT marked = GetMenuDefaultItem(menu, FALSE, 0);
  if (marked != kNoDefaultEntry && shell_commands.count(marked)) return;
  UINT wanted = kNoDefaultEntry;
  for (int i = 0; i < app_items.Count() && wanted == kNoDefaultEntry; ++i) {
    const TMenuItem& item = *app_items.Items(i);
    if (item.Visible() && item.Default()) wanted = item.Command();
  }
  if (wanted == kNoDefaultEntry) {
    const int open = PositionOfVerb(menu, shell, shell_commands, L"open");
    if (open >= 0) wanted = GetMenuItemID(menu, open);
  }
  if (wanted != marked) SetMenuDefaultItem(menu, wanted, FALSE);
}

// Whether the menu's objects, named as the menu was asked for (none: the
// current object), are one object that may be renamed.
bool OneRenamableObject(TDirwalker& walker, const std::vector<std::wstring>& names) {
  if (names.empty()) return walker.CurrentId() && walker.CanRename();
  if (names.size() != 1) return false;
  walker.MultiObjects().Assign(names);
  ComPtr<IDataObject> data;
  try {
    data = walker.GetUIObject<IDataObject>();
  } catch (const std::exception&) {
    return false;  // gone since the menu was made
  }
  ComPtr<IShellItemArray> objects;
  DWORD count = 0;
  SFGAOF attributes = 0;
  return data &&
         SUCCEEDED(SHCreateShellItemArrayFromDataObject(data.Get(), IID_PPV_ARGS(&objects))) &&
         SUCCEEDED(objects->GetCount(&count)) && count == 1 &&
         SUCCEEDED(objects->GetAttributes(SIATTRIBFLAGS_AND, SFGAO_CANRENAME, &attributes)) &&
         (attributes & SFGAO_CANRENAME);
}

// Adds a rename entry among the shell's, after its Delete (else before its
// Properties, else after its last entry), numbered in the shell's range
// with an identifier the shell left free; answers it, or 0.
UINT AddRenameEntry(HMENU menu, IContextMenu* shell, const std::set<UINT>& shell_commands,
                    int first_shell, int shell_count) {
  UINT command = 0;
  const UINT last_used = shell_commands.empty() ? 0 : *shell_commands.rbegin();
  if (last_used < kLastShellCommand) {
    command = std::max(last_used + 1, kFirstShellCommand);
  } else {
    for (UINT id = kFirstShellCommand; id <= kLastShellCommand && !command; ++id)
      if (!shell_commands.count(id)) command = id;
  }
  if (!command) return 0;
  int position = PositionOfVerb(menu, shell, shell_commands, L"delete");
  if (position >= 0) {
    ++position;
  } else {
    position = PositionOfVerb(menu, shell, shell_commands, L"properties");
    if (position > first_shell && GetMenuItemID(menu, position - 1) == 0) --position;
    if (position < 0) position = first_shell + shell_count;
  }
  if (!InsertMenuW(menu, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING, command,
                   L"&Rename"))
    return 0;
  return command;
}

}  // namespace

std::wstring TDirwalker::PopupShellMenu(POINT point, TPopupMenu* app_menu) {
  // The request for the shell's menu empties them; a rename entry of ours
  // asks about them again.
  const std::vector<std::wstring> named = multi_objects_.Items();
  // An object given by its id is asked about by that id: its name may be a
  // namesake's.
  std::optional<bool> renamable_by_id;
  if (OnRename && ObjectIds().size() == 1 && shell_folder_ &&
      SameIdListBytes(object_ids_folder_.get(), folder_id_list_.get())) {
    PCUITEMID_CHILD id = object_ids_.front().get();
    SFGAOF attributes = SFGAO_CANRENAME;
    renamable_by_id = SUCCEEDED(shell_folder_->GetAttributesOf(1, &id, &attributes)) &&
                      (attributes & SFGAO_CANRENAME);
  }

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
      walker.open_rename_command_ = 0;
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
  SettleDefaultEntry(handle, shell_menu.Get(), shell_commands, merged.Items());
  // Wine offers no rename entry beside CMF_EXPLORE, whatever the flags say.
  if (OnRename && PositionOfVerb(handle, shell_menu.Get(), shell_commands, L"rename") < 0 &&
      (renamable_by_id ? *renamable_by_id : OneRenamableObject(*this, named))) {
    const int first_shell = show_context_menu_on_top_ ? 0 : own_count;
    const int shell_count = GetMenuItemCount(handle) - own_count;
    open_rename_command_ =
        AddRenameEntry(handle, shell_menu.Get(), shell_commands, first_shell, shell_count);
  }
  const UINT rename_command = open_rename_command_;

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
  if (command == rename_command) {
    if (!VerbAllowed(L"rename")) return {};
    Raise(OnRename, this);
    return L"rename";
  }
  std::wstring verb = RunShellEntry(shell_menu.Get(), command);
  if (SameVerb(verb, L"delete") && !check_path.empty() && PathExists(check_path)) verb.clear();
  return verb;
}

// Runs the shell's entry when the application allows it; the verb on success.
std::wstring TDirwalker::RunShellEntry(IContextMenu* menu, UINT command) {
  const UINT offset = command - kFirstShellCommand;
  const std::wstring verb = EntryVerb(menu, command);
  if (!VerbAllowed(verb)) return {};
  if (SameVerb(verb, L"rename") && OnRename) {
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
           (SameVerb(verb, L"delete") || SameVerb(verb, L"cut") || SameVerb(verb, L"paste")));
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
    // The shell has no help text for an entry it did not make.
    if (id == open_rename_command_) {
      Application->SetHint(L"");
      return;
    }
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
