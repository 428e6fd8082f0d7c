#include "shell/core/IdList.h"

#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <optional>
#include <string>

#include "framework/Strings.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ShellModule.h"

namespace wf {

namespace {

const SHITEMID* FirstItem(PCUIDLIST_RELATIVE list) noexcept {
  return reinterpret_cast<const SHITEMID*>(list);
}

const SHITEMID* NextItem(const SHITEMID* item) noexcept {
  return reinterpret_cast<const SHITEMID*>(reinterpret_cast<const BYTE*>(item) + item->cb);
}

// Bytes of the items only, without the terminator.
UINT ItemBytes(PCUIDLIST_RELATIVE list, UINT max_items = UINT_MAX) noexcept {
  UINT bytes = 0;
  UINT count = 0;
  for (auto item = FirstItem(list); item->cb != 0 && count < max_items; item = NextItem(item)) {
    bytes += item->cb;
    ++count;
  }
  return bytes;
}

// A zero-filled allocation: the terminator is already in place.
template <class T>
T* Allocate(UINT bytes) {
  void* memory = CoTaskMemAlloc(bytes);
  if (!memory) throw std::bad_alloc();
  std::memset(memory, 0, bytes);
  return static_cast<T*>(memory);
}

template <class T>
BasicIdList<T> CopyBytes(const void* source, UINT item_bytes) {
  T* copy = Allocate<T>(item_bytes + 2);
  std::memcpy(copy, source, item_bytes);
  return BasicIdList<T>(copy);
}

template <class T>
BasicIdList<T> Clone(const T* list) {
  if (!list) return {};
  return CopyBytes<T>(list, ItemBytes(list));
}

template <class T>
BasicIdList<T> Truncate(const T* list, UINT n) {
  if (!list) return {};
  return CopyBytes<T>(list, ItemBytes(list, n));
}

// The longest path the platform's file calls take.
constexpr DWORD kLongestPath = 32768;

// The shell's own answer. A path longer than MAX_PATH fails in a MAX_PATH
// buffer where the shell gives long paths at all.
std::wstring ShellPath(PCIDLIST_ABSOLUTE list) {
  wchar_t buffer[MAX_PATH] = {};
  if (SHGetPathFromIDListEx(list, buffer, MAX_PATH, GPFIDL_DEFAULT)) return buffer;
  std::wstring path(kLongestPath, L'\0');
  if (!SHGetPathFromIDListEx(list, path.data(), kLongestPath, GPFIDL_DEFAULT)) return {};
  path.resize(wcsnlen(path.data(), path.size()));
  return path;
}

}  // namespace

UINT IdListSize(PCUIDLIST_RELATIVE list) noexcept {
  return list ? ItemBytes(list) + 2 : 0;
}

UINT IdListCount(PCUIDLIST_RELATIVE list) noexcept {
  if (!list) return 0;
  UINT count = 0;
  for (auto item = FirstItem(list); item->cb != 0; item = NextItem(item)) ++count;
  return count;
}

AbsoluteIdList CloneIdList(PCIDLIST_ABSOLUTE list) {
  return Clone(list);
}
ChildIdList CloneIdList(PCUITEMID_CHILD list) {
  return Clone(list);
}
RelativeIdList CloneIdList(PCUIDLIST_RELATIVE list) {
  return Clone(list);
}

AbsoluteIdList ConcatIdLists(PCIDLIST_ABSOLUTE folder, PCUIDLIST_RELATIVE relative) {
  if (!folder && !relative) return {};
  const UINT folder_bytes = folder ? ItemBytes(folder) : 0;
  const UINT relative_bytes = relative ? ItemBytes(relative) : 0;
  auto joined = Allocate<ITEMIDLIST_ABSOLUTE>(folder_bytes + relative_bytes + 2);
  auto bytes = reinterpret_cast<BYTE*>(joined);
  if (folder_bytes) std::memcpy(bytes, folder, folder_bytes);
  if (relative_bytes) std::memcpy(bytes + folder_bytes, relative, relative_bytes);
  return AbsoluteIdList(joined);
}

ChildIdList CopyNthId(PCUIDLIST_RELATIVE list, UINT n) {
  if (!list) return {};
  UINT index = 0;
  for (auto item = FirstItem(list); item->cb != 0; item = NextItem(item), ++index) {
    if (index == n) return CopyBytes<ITEMID_CHILD>(item, item->cb);
  }
  return {};
}

ChildIdList LastId(PCUIDLIST_RELATIVE list) {
  const UINT count = IdListCount(list);
  return count ? CopyNthId(list, count - 1) : ChildIdList();
}

AbsoluteIdList TruncateIdList(PCIDLIST_ABSOLUTE list, UINT n) {
  return Truncate(list, n);
}
RelativeIdList TruncateIdList(PCUIDLIST_RELATIVE list, UINT n) {
  return Truncate(list, n);
}

AbsoluteIdList ParentIdList(PCIDLIST_ABSOLUTE list) {
  const UINT count = list ? IdListCount(list) : 0;
  return count ? TruncateIdList(list, count - 1) : AbsoluteIdList();
}

AbsoluteIdList PathToIdList(std::wstring_view path) {
  RelativeIdList parsed = PathToIdList(nullptr, path);
  return AbsoluteIdList(reinterpret_cast<PIDLIST_ABSOLUTE>(parsed.release()));
}

RelativeIdList PathToIdList(IShellFolder* folder, std::wstring_view path) {
  if (path.empty() && folder) {
    // Nothing below the folder names the folder itself: the empty list.
    return CloneIdList(static_cast<PCUIDLIST_RELATIVE>(ShellModule::EmptyIdList()));
  }
  if (path.empty()) {
    AbsoluteIdList drives;
    HRESULT hr = SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, drives.put());
    if (FAILED(hr)) {
      SetLastError(static_cast<DWORD>(hr));
      return {};
    }
    return RelativeIdList(drives.release());
  }
  if (!folder) folder = ShellModule::DesktopFolder();
  if (!folder) {
    SetLastError(static_cast<DWORD>(E_UNEXPECTED));
    return {};
  }
  std::wstring name(path);  // ParseDisplayName wants a writable string
  RelativeIdList parsed;
  HRESULT hr =
      folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, parsed.put(), nullptr);
  if (FAILED(hr) || !parsed) {
    SetLastError(static_cast<DWORD>(FAILED(hr) ? hr : E_FAIL));
    return {};
  }
  return parsed;
}

bool SameIdListBytes(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) {
  const UINT size = IdListSize(a);
  return size == IdListSize(b) && (size == 0 || std::memcmp(a, b, size) == 0);
}

bool IsSameObject(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) {
  if (!a || !b) return false;
  if (SameIdListBytes(a, b)) return true;
  IShellFolder* desktop = ShellModule::DesktopFolder();
  if (!desktop) return false;
  // The comparison's answer is in the code of a success result: 0 for equal.
  const HRESULT hr = desktop->CompareIDs(0, a, b);
  return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

bool IsDesktopIdList(PCIDLIST_ABSOLUTE list) {
  return IsSameObject(list, ShellModule::EmptyIdList());
}

DWORD UnparsedPathError(std::wstring_view path) {
  if (path.size() >= MAX_PATH &&
      GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES)
    return ERROR_FILENAME_EXCED_RANGE;
  return ERROR_PATH_NOT_FOUND;
}

bool ShellPathMayBeCut(const std::wstring& path) {
  return path.empty() || path.size() >= MAX_PATH - 1;
}

std::wstring IdListToPath(PCIDLIST_ABSOLUTE list) {
  if (!list) return {};
  std::wstring path = ShellPath(list);
  if (!ShellPathMayBeCut(path)) return path;
  const UINT count = IdListCount(list);
  if (count == 0) return {};
  // Each level asks the shell first, so only the levels past its limit are
  // made from their parents.
  const std::wstring folder_path = IdListToPath(TruncateIdList(list, count - 1).get());
  if (folder_path.empty()) return {};
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  PCUITEMID_CHILD child = nullptr;
  if (FAILED(SHBindToParent(list, IID_IShellFolder, OutVoid(folder), &child)) || !folder) return {};
  return ChildFileSystemPath(folder.Get(), child, folder_path);
}

std::wstring ChildFileSystemPath(IShellFolder* folder, PCUITEMID_CHILD child,
                                 const std::wstring& folder_path) {
  if (!folder || !child || folder_path.empty()) return {};
  SFGAOF attributes = SFGAO_FILESYSTEM;
  if (FAILED(folder->GetAttributesOf(1, &child, &attributes)) || !(attributes & SFGAO_FILESYSTEM))
    return {};
  STRRET reply{};
  if (FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER | SHGDN_FORPARSING, &reply))) return {};
  const std::wstring name = StrRetToString(child, reply);
  // Any other name would reach into another folder, or name none.
  if (name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos || name == L"." ||
      name == L"..")
    return {};
  return IncludeTrailingBackslash(folder_path) + name;
}

bool ShellNamesWhole(IShellFolder* folder, PCIDLIST_ABSOLUTE folder_list,
                     const std::vector<PCUITEMID_CHILD>& children) {
  std::optional<std::wstring> folder_path;
  for (PCUITEMID_CHILD child : children) {
    STRRET reply{};
    if (!folder || !child ||
        FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER | SHGDN_FORPARSING, &reply)))
      continue;
    const size_t name_length = StrRetToString(child, reply).size();
    if (!folder_path) folder_path = IdListToPath(folder_list);
    // Objects outside the file system have no path to cut.
    if (folder_path->empty()) return true;
    if (folder_path->size() + 1 + name_length < MAX_PATH - 1) continue;
    const AbsoluteIdList list = ConcatIdLists(folder_list, child);
    const std::wstring whole = IdListToPath(list.get());
    if (!whole.empty() && ShellPath(list.get()) != whole) return false;
  }
  return true;
}

std::wstring StrRetToString(PCUIDLIST_RELATIVE base, STRRET& reply) {
  switch (reply.uType) {
    case STRRET_WSTR: {
      std::wstring text = reply.pOleStr ? reply.pOleStr : L"";
      CoTaskMemFree(reply.pOleStr);
      reply.pOleStr = nullptr;
      return text;
    }
    case STRRET_OFFSET: {
      if (!base) return {};
      auto ansi = reinterpret_cast<const char*>(base) + reply.uOffset;
      int length = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, -1, nullptr, 0);
      if (length <= 1) return {};
      std::wstring text(static_cast<size_t>(length), L'\0');
      MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, -1, text.data(), length);
      text.resize(static_cast<size_t>(length - 1));
      return text;
    }
    case STRRET_CSTR: {
      const char* ansi = reply.cStr;
      int bytes = static_cast<int>(strnlen(ansi, sizeof(reply.cStr)));
      if (bytes == 0) return {};
      int length = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, bytes, nullptr, 0);
      std::wstring text(static_cast<size_t>(length), L'\0');
      MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, bytes, text.data(), length);
      return text;
    }
    default:
      return {};
  }
}

std::wstring SystemErrorText(DWORD code) {
  wchar_t buffer[256] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, buffer, 256, nullptr);
  std::wstring text(buffer, length);
  // The platform ends its texts with a line break, which would leave a blank
  // line at the end of every error box.
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
    text.pop_back();
  return text;
}

}  // namespace wf
