// Running a shell verb on the current object or on MultiObjects, without a menu.
#include "shell/core/Dirwalker.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "framework/Cursor.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ObjectNames.h"
#include "shell/core/ShellUtils.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kDefaultVerb[] = L"default";
constexpr wchar_t kDeleteVerb[] = L"delete";
constexpr wchar_t kRenameVerb[] = L"rename";
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

// One object a verb acts on, taken before the shell is asked: the shell may
// remove it, and the request for its menu empties MultiObjects.
struct VerbObject {
  std::wstring name;  // as the caller named it
  AbsoluteIdList id;  // none when the name could not be parsed
  std::wstring path;  // empty when the object has no file-system path
};

VerbObject NamedVerbObject(TDirwalker& walker, const std::wstring& name) {
  ParsedObjectName parsed = ParseObjectName(walker, name);
  const std::wstring& path = parsed.path;
  VerbObject object{name, std::move(parsed.id), {}};
  // The id's own path is right also where Folder is empty (the desktop's
  // file-system objects); a name the shell could not parse is found by
  // display name below a file-system folder at best.
  object.path = IdListToPath(object.id.get());
  if (object.path.empty() && !object.id) {
    if (IsFullPath(path))
      object.path = path;
    else if (!walker.Folder().empty())
      object.path = walker.Folder() + path;
  }
  return object;
}

std::vector<VerbObject> CollectVerbObjects(TDirwalker& walker) {
  std::vector<VerbObject> objects;
  if (walker.MultiObjects().Empty()) {
    VerbObject object{walker.ObjectName(), CloneIdList(walker.AbsoluteIdList()), {}};
    object.path = IdListToPath(object.id.get());
    objects.push_back(std::move(object));
    return objects;
  }
  const std::vector<ChildIdList>& ids = walker.ObjectIds();
  if (!ids.empty()) {
    // Given by id: a namesake of the object is never the one looked for.
    for (size_t i = 0; i < ids.size(); ++i) {
      VerbObject object{walker.MultiObjects()[static_cast<int>(i)],
                        ConcatIdLists(walker.ObjectIdsFolder(), ids[i].get()),
                        {}};
      object.path = IdListToPath(object.id.get());
      objects.push_back(std::move(object));
    }
    return objects;
  }
  for (const std::wstring& name : walker.MultiObjects())
    objects.push_back(NamedVerbObject(walker, name));
  return objects;
}

HRESULT InvokeVerb(IContextMenu* menu, HWND owner, LPCSTR verb, bool shift_down) {
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = shift_down ? CMIC_MASK_SHIFT_DOWN : 0;
  info.hwnd = owner;
  info.lpVerb = verb;
  info.nShow = SW_SHOWNORMAL;
  return menu->InvokeCommand(&info);
}

// Verbs are the shell's ASCII command names.
std::string NarrowVerb(const std::wstring& verb) {
  std::string narrow;
  narrow.reserve(verb.size());
  for (wchar_t c : verb) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

// What a double-click does, asked of the shell's execution of each object:
// used where the context menu names no default command (Wine's never does).
HRESULT OpenEach(const std::vector<VerbObject>& objects, HWND owner) {
  HRESULT result = E_FAIL;
  for (const VerbObject& object : objects) {
    if (!object.id) return E_FAIL;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No owner means the shell must show nothing, its error boxes included.
    info.fMask = SEE_MASK_IDLIST | SEE_MASK_NOASYNC | (owner ? 0 : SEE_MASK_FLAG_NO_UI);
    info.hwnd = owner;
    info.lpIDList = const_cast<ITEMIDLIST_ABSOLUTE*>(object.id.get());
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
      const DWORD error = GetLastError();
      return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    result = S_OK;
  }
  return result;
}

}  // namespace

bool TDirwalker::RunVerb(const std::wstring& verb) {
  return RunVerb(verb, VerbOptions{});
}

bool TDirwalker::RunVerb(const std::wstring& requested, const VerbOptions& options) {
  // The names are for this call only, whichever way it ends.
  const ObjectsForOneCall one_call(*this);
  if (options.gone) options.gone->clear();

  if (OnContextMenuSelect) {
    bool execute = true;
    OnContextMenuSelect(this, requested, execute);
    if (!execute) return false;
  }
  if (!shell_folder_ || (!current_id_ && multi_objects_.Empty())) return false;

  const std::wstring verb = requested.empty() ? std::wstring(kDefaultVerb) : requested;
  const bool is_delete = SameVerb(verb, kDeleteVerb);
  const bool is_default = SameVerb(verb, kDefaultVerb);
  if (is_delete && multi_objects_.Empty() && !(Attributes(SFGAO_CANDELETE) & SFGAO_CANDELETE))
    return false;

  // The cursor and the menu go back before the last error is set.
  const HRESULT result = [&]() -> HRESULT {
    CursorScope hourglass(crHourGlass);
    std::vector<VerbObject> objects;
    if (is_delete || is_default) objects = CollectVerbObjects(*this);

    ComPtr<IContextMenu> menu;
    HRESULT hr = E_FAIL;
    try {
      hr = GetUIObject(IID_IContextMenu, OutVoid(menu));
    } catch (const EDirwalkerError&) {
      hr = E_FAIL;  // a name that names nothing: verbs never raise
    }
    if (FAILED(hr) || !menu) return FAILED(hr) ? hr : E_FAIL;
    const UniqueMenu popup(CreatePopupMenu());
    const HWND owner = ShellOwnerWindow();

    if (is_default) {
      hr = menu->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, CMF_DEFAULTONLY);
      const UINT item =
          SUCCEEDED(hr) ? GetMenuDefaultItem(popup.get(), FALSE, 0) : static_cast<UINT>(-1);
      if (item != static_cast<UINT>(-1))
        hr = InvokeVerb(menu.Get(), owner, MAKEINTRESOURCEA(item - kFirstCommand),
                        options.shift_down);
      else
        hr = OpenEach(objects, owner);
    } else if (SameVerb(verb, kRenameVerb)) {
      // The application renames in place; the shell is not asked.
      if (OnRename) OnRename(this);
      hr = S_OK;
    } else {
      menu->QueryContextMenu(popup.get(), 0, kFirstCommand, kLastCommand, CMF_EXPLORE);
      hr = InvokeVerb(menu.Get(), owner, NarrowVerb(verb).c_str(), options.shift_down);
    }

    if (is_delete) {
      // A cancelled confirmation answers success too: what is gone decides.
      // An object without a file-system path cannot be looked for, so the
      // shell's answer stands for it.
      bool any_gone = false;
      for (const VerbObject& object : objects) {
        const bool gone = object.path.empty() ? SUCCEEDED(hr) : !PathExists(object.path);
        if (!gone) continue;
        any_gone = true;
        if (options.gone) options.gone->push_back(object.name);
      }
      if (SUCCEEDED(hr) && !any_gone) hr = HRESULT_FROM_WIN32(ERROR_CANCELLED);
    }
    return hr;
  }();
  if (FAILED(result)) SetLastError(static_cast<DWORD>(result));
  return SUCCEEDED(result);
}

}  // namespace wf
