#include "shell/core/Dirwalker.h"

#include <winnetwk.h>

#include <algorithm>
#include <cstring>

#include "framework/Control.h"
#include "framework/Cursor.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ObjectNames.h"
#include "shell/core/ShellModule.h"
#include "shell/core/ShellUtils.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

constexpr SHCONTF kEnumerationFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
constexpr wchar_t kVersion[] = L"TDirwalker v1.1";

// The desktop itself for the desktop's list, else the desktop's binding.
HRESULT BindFolder(PCIDLIST_ABSOLUTE list, ComPtr<IShellFolder>& folder) {
  IShellFolder* desktop = ShellModule::DesktopFolder();
  if (IsDesktopIdList(list)) {
    folder = desktop;
    return S_OK;
  }
  HRESULT hr = desktop->BindToObject(list, nullptr, IID_IShellFolder, OutVoid(folder));
  if (SUCCEEDED(hr) && !folder) hr = E_FAIL;
  return hr;
}

ChildIdList AsChild(RelativeIdList list) {
  return ChildIdList(reinterpret_cast<PITEMID_CHILD>(list.release()));
}

}  // namespace

TDirwalker::TDirwalker(TComponent* owner) : TDirwalker(owner, true) {}

TDirwalker::TDirwalker(TComponent* owner, bool show_error_messages)
    : TComponent(owner), show_error_messages_(show_error_messages) {
  if (!ShellModule::Running()) throw EDirwalkerError(L"Dirwalker Components: Cannot open Shell!");
  SetFolder(L"");
}

TDirwalker::~TDirwalker() = default;

void TDirwalker::Loaded() {
  TComponent::Loaded();
  loaded_ = true;
}

std::wstring TDirwalker::Version() const {
  return kVersion;
}

// --- Binding --------------------------------------------------------------

void TDirwalker::SetFolder(std::wstring_view path) {
  if (!path.empty() && folder_id_list_ &&
      (SameText(path, folder_) || SameText(IncludeTrailingBackslash(path), folder_)))
    return;

  const std::wstring requested(path);
  wf::AbsoluteIdList list;
  if (requested.empty()) {
    SHGetSpecialFolderLocation(ShellOwnerWindow(), CSIDL_DRIVES, list.put());
  } else {
    list = PathToIdList(requested);
    if (!list && IsUncWithShare(requested)) {
      WakeUncServer(requested);
      list = PathToIdList(requested);
    }
  }
  if (!list)
    throw EDirwalkerError(requested + L"\r\n" + SystemErrorText(UnparsedPathError(requested)));
  // The bound folder's own path replaces the text given, so Folder always
  // carries the shell's spelling.
  SetFolderIDList(list.get());
}

// Makes the shell connect to the server (and ask for credentials when it
// must) before a share below it is resolved again. Results are ignored.
void TDirwalker::WakeUncServer(std::wstring_view path) {
  const std::wstring server(path.substr(0, path.find(L'\\', 2)));
  wf::AbsoluteIdList server_list = PathToIdList(server);
  if (!server_list) return;
  ComPtr<IShellFolder> server_folder;
  if (FAILED(ShellModule::DesktopFolder()->BindToObject(
          server_list.get(), nullptr, IID_IShellFolder, OutVoid(server_folder))) ||
      !server_folder)
    return;
  ComPtr<IEnumIDList> enumerator;
  HWND window = MainWindowHandle();
  if (server_folder->EnumObjects(window, kEnumerationFlags, enumerator.ReleaseAndGetAddressOf()) ==
          S_OK &&
      enumerator) {
    ChildIdList first;
    enumerator->Next(1, first.put(), nullptr);
  }
}

void TDirwalker::SetFolderIDList(PCIDLIST_ABSOLUTE list) {
  if (!list) {
    Unbind();
    return;
  }
  IShellFolder* desktop = ShellModule::DesktopFolder();
  // Bind first and replace the state only on success, so a failure leaves
  // the previous binding whole.
  ComPtr<IShellFolder> folder;
  wf::AbsoluteIdList copy;
  if (IsDesktopIdList(list)) {
    folder = desktop;
    copy = CloneIdList(ShellModule::EmptyIdList());
  } else {
    copy = CloneIdList(list);
    if (FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder, OutVoid(folder))) || !folder)
      throw EDirwalkerError(
          L"Dirwalker.SetFolderIDList: Desktop.BindToObject: Could not get Folder");
  }
  SetShellFolder(std::move(folder), copy.get());
}

void TDirwalker::SetShellFolder(ComPtr<IShellFolder> folder, PCIDLIST_ABSOLUTE list) {
  if (!folder || !list) throw EDirwalkerError(L"Dirwalker.SetShellFolder: no folder");
  wf::AbsoluteIdList copy = CloneIdList(list);
  query_ = ShellItemQuery(folder, CloneIdList(list));
  enumerator_.Reset();
  shell_folder_ = std::move(folder);
  folder_id_list_ = std::move(copy);
  SetCurrentId(nullptr);
  folder_ = IdListToPath(folder_id_list_.get());
  if (!folder_.empty()) folder_ = IncludeTrailingBackslash(folder_);
}

void TDirwalker::Unbind() {
  query_ = ShellItemQuery();
  enumerator_.Reset();
  shell_folder_.Reset();
  folder_id_list_.reset();
  SetCurrentId(nullptr);
  folder_.clear();
}

TKivShellFolder TDirwalker::SpecialFolder() const {
  return IdListToSpecialFolder(folder_id_list_.get());
}

void TDirwalker::SetSpecialFolder(TKivShellFolder folder) {
  try {
    wf::AbsoluteIdList list = SpecialFolderIdList(folder);
    if (list) SetFolderIDList(list.get());
  } catch (const std::exception&) {
    // A special folder that cannot be reached is no error.
  }
}

bool TDirwalker::SelectFolderInParent() {
  wf::AbsoluteIdList folder = FolderIdListCopy();
  SetFolderAndObject(folder.get());
  return true;
}

void TDirwalker::SetFolderAndObject(PCIDLIST_ABSOLUTE list) {
  const UINT count = IdListCount(list);
  if (count == 0) {
    SetSpecialFolder(SF_DESKTOP);
    return;
  }
  wf::AbsoluteIdList parent = TruncateIdList(list, count - 1);
  ChildIdList object = LastId(list);
  SetFolderIDList(parent.get());
  current_id_ = std::move(object);
  ClearObjectCaches();
}

bool TDirwalker::OpenObject() {
  if (!IsFolder()) return false;
  wf::AbsoluteIdList target = CloneIdList(AbsoluteIdList());
  SetFolderIDList(target.get());
  return shell_folder_ != nullptr;
}

wf::AbsoluteIdList TDirwalker::FolderIdListCopy() const {
  return CloneIdList(folder_id_list_.get());
}

// --- The current object ---------------------------------------------------

void TDirwalker::SetCurrentId(PCUITEMID_CHILD id) {
  current_id_ = CloneIdList(id);
  ClearObjectCaches();
}

void TDirwalker::ClearObjectCaches() {
  query_.ForgetObject();
}

ChildIdList TDirwalker::ObjectIdCopy() const {
  return CloneIdList(current_id_.get());
}

ChildIdList TDirwalker::TakeObjectId() {
  ClearObjectCaches();
  return std::move(current_id_);
}

PCIDLIST_ABSOLUTE TDirwalker::AbsoluteIdList() {
  return query_.AbsoluteIdList(current_id_.get());
}

std::wstring TDirwalker::ObjectName() {
  return query_.ObjectName(current_id_.get());
}

void TDirwalker::SetObjectName(std::wstring_view requested) {
  if (requested.empty()) {
    SetCurrentId(nullptr);
    return;
  }
  std::wstring name(requested);
  if (name.size() > 3 && name.back() == L'\\') name.pop_back();

  // Roots come first: "C:" has no backslash but is a drive, not a name
  // inside the bound folder.
  if (IsRootPath(name)) {
    if (name.size() == 2 && name[1] == L':') name += L'\\';
    SetFolder(name);
    SelectFolderInParent();
    return;
  }

  const size_t last_backslash = name.rfind(L'\\');
  if (last_backslash == std::wstring::npos) {
    RelativeIdList parsed =
        shell_folder_ ? PathToIdList(shell_folder_.Get(), name) : RelativeIdList();
    if (parsed && IdListCount(parsed.get()) == 1) {
      current_id_ = AsChild(std::move(parsed));
      ClearObjectCaches();
      return;
    }
    if (!SearchByName(name)) ThrowCannotFind(name);
    return;
  }

  SetFolder(std::wstring_view(name).substr(0, last_backslash + 1));
  SetObjectName(std::wstring_view(name).substr(last_backslash + 1));
}

// Walks the whole folder (from its beginning, whatever enumeration was
// running) for an object whose name or display name is `name`. The cheap
// name is compared first: the display name costs a shell query per object.
bool TDirwalker::SearchByName(std::wstring_view name) {
  enumerator_.Reset();
  while (NextObject()) {
    if (SameText(ObjectName(), name) || SameText(DisplayName(), name)) {
      enumerator_.Reset();
      return true;
    }
  }
  return false;
}

void TDirwalker::ThrowCannotFind(std::wstring_view name) {
  SetCurrentId(nullptr);
  throw EDirwalkerError(L"Error! Cannot find Object \"" + std::wstring(name) + L"\" in Folder \"" +
                        folder_ + L"\"");
}

std::wstring TDirwalker::DisplayName() {
  return query_.DisplayName(current_id_.get());
}

std::wstring TDirwalker::NetworkName() {
  return query_.NetworkName(current_id_.get());
}

SFGAOF TDirwalker::Attributes(SFGAOF mask) {
  return query_.Attributes(current_id_.get(), mask);
}

bool TDirwalker::IsFolder() {
  if (!current_id_) return false;
  if (!file_system_only_) return (Attributes(SFGAO_FOLDER) & SFGAO_FOLDER) != 0;
  // Old shells do not report SFGAO_FILESYSANCESTOR at all.
  const SFGAOF attributes = Attributes(SFGAO_FOLDER | SFGAO_FILESYSANCESTOR);
  return (attributes & SFGAO_FOLDER) &&
         ((attributes & SFGAO_FILESYSANCESTOR) || ShellModule::IsOldShell());
}

bool TDirwalker::IsHidden() {
  return (Attributes(SFGAO_HIDDEN) & SFGAO_HIDDEN) != 0;
}

bool TDirwalker::IsLink() {
  return (Attributes(SFGAO_LINK) & SFGAO_LINK) != 0;
}

bool TDirwalker::CanRename() {
  return (Attributes(SFGAO_CANRENAME) & SFGAO_CANRENAME) != 0;
}

std::wstring TDirwalker::LinkTargetFolder() {
  if (!IsLink()) return {};
  // The link's own path from its id list: on the desktop, which merges the
  // user's and the common desktop, Folder + name may name the wrong file.
  std::wstring link = IdListToPath(AbsoluteIdList());
  if (link.empty()) link = folder_ + ObjectName();
  WIN32_FIND_DATAW target_data{};
  std::wstring target = ResolveLinkW(link, target_data);
  return (target_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? target : std::wstring();
}

bool TDirwalker::MatchesFilter() {
  // "*" matches every name: no need to ask the shell for one.
  if (matches_everything_) return true;
  if (IsFolder()) return true;
  const std::wstring name = ObjectName();
  return std::any_of(masks_.begin(), masks_.end(),
                     [&](const std::wstring& mask) { return MatchesMask(name, mask); });
}

TKivShellFolder TDirwalker::ObjectSpecialFolder() {
  return IdListToSpecialFolder(AbsoluteIdList());
}

namespace {

std::wstring InFolderName(IShellFolder* folder, PCUITEMID_CHILD id, SHGDNF flags) {
  STRRET reply{};
  if (FAILED(folder->GetDisplayNameOf(id, SHGDN_INFOLDER | flags, &reply))) return {};
  return StrRetToString(id, reply);
}

// The extension that the object's editing name leaves out (a shortcut's
// ".lnk", a known type's when extensions are hidden), or none.
std::wstring HiddenExtension(IShellFolder* folder, PCUITEMID_CHILD id) {
  const std::wstring parsing = InFolderName(folder, id, SHGDN_FORPARSING);
  const size_t dot = parsing.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0 ||
      parsing.find_first_of(L"\\/", dot) != std::wstring::npos)
    return {};
  const std::wstring extension = parsing.substr(dot);
  const std::wstring editing = InFolderName(folder, id, SHGDN_FOREDITING);
  const std::wstring stem = parsing.substr(0, parsing.size() - extension.size());
  return SameText(editing, stem) ? extension : std::wstring();
}

}  // namespace

bool TDirwalker::RenameObject(std::wstring& name) {
  CursorScope hourglass(crHourGlass);
  HRESULT hr = E_FAIL;
  if (shell_folder_ && current_id_) {
    // SHGDN_INFOLDER is the documented way to say that the new name is a
    // name inside this folder, not a path. The user edits the name as shown,
    // which may leave the extension out. The shell puts such an extension
    // back itself, but Wine's does so even when the user typed it, doubling
    // it: so it is added here only when missing, and the name is given as
    // the file's own, which the shell takes as it is.
    std::wstring new_name = name;
    SHGDNF flags = SHGDN_INFOLDER;
    const std::wstring extension = HiddenExtension(shell_folder_.Get(), current_id_.get());
    if (!extension.empty()) {
      if (!EndsWithText(new_name, extension)) new_name += extension;
      flags |= SHGDN_FORPARSING;
    }
    ChildIdList renamed;
    hr = shell_folder_->SetNameOf(ShellOwnerWindow(), current_id_.get(), new_name.c_str(), flags,
                                  renamed.put());
    if (SUCCEEDED(hr) && renamed) {
      current_id_ = std::move(renamed);
      ClearObjectCaches();
    }
  }
  name = DisplayName();
  if (FAILED(hr)) SetLastError(static_cast<DWORD>(hr));
  return SUCCEEDED(hr);
}

// --- Enumeration ----------------------------------------------------------

bool TDirwalker::NextObject() {
  if (!shell_folder_) {
    enumeration_failed_ = true;
    return false;
  }
  if (!enumerator_) {
    enumerating_network_.reset();
    enumeration_failed_ = false;
    HRESULT hr;
    {
      ErrorModeScope error_mode(show_error_messages_ ? 0 : SEM_FAILCRITICALERRORS);
      hr = shell_folder_->EnumObjects(ShellOwnerWindow(), kEnumerationFlags,
                                      enumerator_.ReleaseAndGetAddressOf());
    }
    if (hr != S_OK || !enumerator_) {
      enumerator_.Reset();
      enumeration_failed_ = true;
      return false;
    }
  }
  try {
    for (;;) {
      if (!AdvanceEnumeration()) return false;
      if (file_system_only_ && !PassesFileSystemFilter()) continue;
      if (MatchesFilter()) return true;
    }
  } catch (const std::exception&) {
    // A failure while filtering: the next object is taken unfiltered.
    return enumerator_ && AdvanceEnumeration();
  }
}

bool TDirwalker::AdvanceEnumeration() {
  ChildIdList id;
  // Held for the call: a shell call may let messages through, and whoever
  // they reach may bind this object elsewhere meanwhile.
  const ComPtr<IEnumIDList> enumerator = enumerator_;
  const HRESULT hr = enumerator->Next(1, id.put(), nullptr);
  if (enumerator != enumerator_) {
    // That enumeration was given up during the call: its object belongs to
    // no enumeration of the folder bound now.
    enumeration_failed_ = true;
    return false;
  }
  if (hr != S_OK || !id) {
    enumerator_.Reset();
    enumeration_failed_ = FAILED(hr);
    return false;
  }
  current_id_ = std::move(id);
  ClearObjectCaches();
  return true;
}

bool TDirwalker::PassesFileSystemFilter() {
  const SFGAOF attributes = Attributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR);
  if (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) return true;
  const std::wstring name = ObjectName();
  if (StartsWithText(name, L"RECYCLE")) return true;
  // Asked once per enumeration: the lookup asks the platform for up to 36
  // special folders.
  if (!enumerating_network_) enumerating_network_ = SpecialFolder() == SF_NETWORK;
  if (*enumerating_network_) return !name.empty();
  const TKivShellFolder special = ObjectSpecialFolder();
  return special == SF_DRIVES || special == SF_NETWORK;
}

std::wstring TDirwalker::Filter() const {
  std::wstring filter;
  for (size_t i = 0; i < masks_.size(); ++i) {
    if (i) filter += L';';
    filter += masks_[i];
  }
  return filter;
}

void TDirwalker::SetFilter(std::wstring_view filter) {
  std::wstring value = filter.empty() ? std::wstring(L"*;") : std::wstring(filter);
  if (value.back() != L';') value += L';';
  masks_.clear();
  size_t start = 0;
  for (size_t separator; (separator = value.find(L';', start)) != std::wstring::npos;
       start = separator + 1)
    masks_.push_back(value.substr(start, separator - start));
  matches_everything_ = std::find(masks_.begin(), masks_.end(), L"*") != masks_.end();
}

// --- User-interface objects -----------------------------------------------

namespace {

// One object named in MultiObjects: the folder that holds it and its id there.
struct NamedObject {
  wf::AbsoluteIdList folder;
  ChildIdList id;
};

// Where `name` lies. A name that the shell cannot parse is searched by
// display name in its folder, which rebinds the walker and raises when
// nothing of that name exists; the caller puts the binding back.
NamedObject LocateNamedObject(TDirwalker& walker, const std::wstring& name) {
  const wf::AbsoluteIdList absolute = ParseObjectName(walker, name).id;
  const UINT count = IdListCount(absolute.get());
  if (count == 0) {
    walker.SetObjectName(name);
    return {walker.FolderIdListCopy(), walker.ObjectIdCopy()};
  }
  // A shell folder takes only its own children: a longer relative id would
  // name its first item (Wine builds the object from that item alone).
  return {TruncateIdList(absolute.get(), count - 1), LastId(absolute.get())};
}

}  // namespace

ParsedObjectName ParseObjectName(TDirwalker& walker, const std::wstring& name) {
  ParsedObjectName parsed{name, {}};
  std::wstring& path = parsed.path;
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  if (IsFullPath(path)) {
    parsed.id = PathToIdList(path);
  } else if (RelativeIdList relative = PathToIdList(walker.ShellFolder(), path)) {
    parsed.id = ConcatIdLists(walker.FolderIdList(), relative.get());
  }
  return parsed;
}

void TDirwalker::SetObjectIds(PCIDLIST_ABSOLUTE folder, std::vector<ChildIdList> ids) {
  ForgetObjectIds();
  if (!folder) return;
  object_ids_folder_ = CloneIdList(folder);
  object_ids_ = std::move(ids);
}

const std::vector<ChildIdList>& TDirwalker::ObjectIds() const {
  static const std::vector<ChildIdList> kNone;
  const bool usable = object_ids_folder_ && !object_ids_.empty() &&
                      object_ids_.size() == static_cast<size_t>(multi_objects_.Count()) &&
                      std::all_of(object_ids_.begin(), object_ids_.end(),
                                  [](const ChildIdList& id) { return !!id; });
  return usable ? object_ids_ : kNone;
}

void TDirwalker::ForgetObjectIds() noexcept {
  object_ids_.clear();
  object_ids_folder_.reset();
}

HRESULT TDirwalker::GetUIObject(REFIID iid, void** object) {
  *object = nullptr;
  const ObjectsForOneCall one_call(*this);

  if (!shell_folder_) {
    SetLastError(static_cast<DWORD>(E_UNEXPECTED));
    return E_UNEXPECTED;
  }

  // A display-name search rebinds this object and moves its current object:
  // both are put back after each name (so that every name is looked up in
  // the bound folder) and when the request ends, also when a name cannot be
  // found.
  struct RestoreOnExit {
    TDirwalker& walker;
    bool active = false;
    wf::AbsoluteIdList folder;
    ChildIdList current;
    ~RestoreOnExit() { Restore(); }
    void Rebind() {
      if (active && !SameIdListBytes(folder.get(), walker.folder_id_list_.get()))
        walker.SetFolderIDList(folder.get());
    }
    void Restore() noexcept {
      if (!active) return;
      try {
        Rebind();
        walker.current_id_ = std::move(current);
        walker.ClearObjectCaches();
      } catch (const std::exception&) {
        // The former folder is gone: stay where the request left us.
      }
      active = false;
    }
  };
  RestoreOnExit restore{*this};

  // The ids all belong to one folder: the bound one unless names say other.
  std::vector<ChildIdList> ids;
  ComPtr<IShellFolder> folder = shell_folder_;
  // The folder the request goes to, when not the bound one.
  wf::AbsoluteIdList request_folder;
  HRESULT hr = S_OK;
  if (multi_objects_.Empty()) {
    if (current_id_) ids.push_back(ObjectIdCopy());
  } else {
    restore.folder = FolderIdListCopy();
    restore.current = ObjectIdCopy();
    restore.active = true;
    wf::AbsoluteIdList& common_folder = request_folder;
    const bool by_id = !ObjectIds().empty();
    if (by_id) {
      // The caller's own ids: the request's to take (every request forgets
      // them), and all of one folder.
      common_folder = CloneIdList(object_ids_folder_.get());
      ids = std::move(object_ids_);
    }
    for (int i = 0, n = by_id ? 0 : multi_objects_.Count(); i < n; ++i) {
      const std::wstring& name = multi_objects_[i];
      if (name.empty()) {
        hr = E_INVALIDARG;  // names no object
        break;
      }
      NamedObject named = LocateNamedObject(*this, name);
      restore.Rebind();
      if (!named.id) {
        hr = E_FAIL;
        break;
      }
      // One request goes to one folder, and sending only some of the named
      // objects would act on fewer than the caller named: refused.
      if (!common_folder) {
        common_folder = std::move(named.folder);
      } else if (!IsSameObject(common_folder.get(), named.folder.get())) {
        hr = E_INVALIDARG;
        break;
      }
      ids.push_back(std::move(named.id));
    }
    if (SUCCEEDED(hr) && common_folder &&
        !SameIdListBytes(common_folder.get(), folder_id_list_.get()) &&
        !IsSameObject(common_folder.get(), folder_id_list_.get()))
      hr = BindFolder(common_folder.get(), folder);
  }

  if (SUCCEEDED(hr)) {
    hr = E_INVALIDARG;
    if (!ids.empty()) {
      std::vector<PCUITEMID_CHILD> borrowed;
      borrowed.reserve(ids.size());
      for (const ChildIdList& id : ids) borrowed.push_back(id.get());
      if (!ShellNamesWhole(folder.Get(), request_folder ? request_folder.get() : FolderIdList(),
                           borrowed))
        hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
      else
        hr = folder->GetUIObjectOf(ShellOwnerWindow(), static_cast<UINT>(borrowed.size()),
                                   borrowed.data(), iid, nullptr, object);
    }
  }
  restore.Restore();  // before the last error is set
  if (FAILED(hr) || !*object) {
    *object = nullptr;
    if (SUCCEEDED(hr)) hr = E_FAIL;
    SetLastError(static_cast<DWORD>(hr));
  }
  return hr;
}

HWND TDirwalker::ShellOwnerWindow() {
  if (!show_error_messages_) return nullptr;
  if (loaded_) {
    if (auto control = dynamic_cast<TWinControl*>(Owner())) return control->Handle();
  }
  return MainWindowHandle();
}

}  // namespace wf
