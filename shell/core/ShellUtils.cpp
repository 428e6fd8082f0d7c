#include "shell/core/ShellUtils.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/IdList.h"

namespace wf {

using Microsoft::WRL::ComPtr;

bool IsRootPath(const std::wstring& path) {
  if (path.empty()) return false;
  if (path.back() == L'\\') {
    const std::wstring without = path.substr(0, path.size() - 1);
    return without == ExtractFileDrive(without);
  }
  return path == ExtractFileDrive(path);
}

bool IsUncWithShare(const std::wstring& path) {
  return path.size() > 3 && path[0] == L'\\' && path[1] == L'\\' &&
         path.find(L'\\', 2) != std::wstring::npos;
}

std::wstring UncServerName(const std::wstring& path) {
  if (!IsUncWithShare(path)) return {};
  return path.substr(2, path.find(L'\\', 2) - 2);
}

bool PathExists(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(FindFirstFileW(LongPathForm(path).c_str(), &data));
  return static_cast<bool>(find) || IsRootPath(path);
}

bool IsDotName(const std::wstring& name) {
  return name == L"." || name == L"..";
}

namespace {

// INVALID_FILE_ATTRIBUTES when nothing answers at the path.
DWORD AttributesAt(const std::wstring& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(LongPathForm(path).c_str());
}

}  // namespace

bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = AttributesAt(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = AttributesAt(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFullPath(std::wstring_view name) {
  return name.find(L':') != std::wstring_view::npos || name.substr(0, 2) == L"\\\\";
}

bool SameVerb(std::wstring_view a, std::wstring_view b) {
  return CompareText(a, b) == 0;
}

bool PathPresence::Exists(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash + 1 == path.size()) return PathExists(path);
  if (!last_names_ || !SameText(std::wstring_view(path).substr(0, slash + 1), last_folder_)) {
    last_folder_ = path.substr(0, slash + 1);
    last_names_ = &folders_.try_emplace(UpperCaseText(last_folder_), last_folder_).first->second;
  }
  const std::optional<bool> listed = last_names_->Contains(path);
  // Only long names are read; a short name unlike its long one has a tilde.
  if (!listed || (!*listed && path.find(L'~', slash) != std::wstring::npos))
    return PathExists(path);
  return *listed;
}

bool DriveReady(const std::wstring& path) {
  const std::wstring root = IncludeTrailingBackslash(ExtractFileDrive(path));
  ErrorModeScope no_drive_boxes(SEM_FAILCRITICALERRORS);
  ULARGE_INTEGER available, total, free;
  return GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free) != 0;
}

int64_t FileSize(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(FindFirstFileW(LongPathForm(path).c_str(), &data));
  if (!find) return -1;
  return FindDataSize(data);
}

std::wstring TempPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::unique_ptr<TStringList> DropFilesToList(HDROP drop) {
  if (!drop) return nullptr;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (count == 0 || count == 0xFFFFFFFF) return nullptr;
  auto list = std::make_unique<TStringList>();
  for (UINT i = 0; i < count; ++i) {
    // The platform tells each name's length, so long paths come through whole.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    // Wine counts the terminator of an empty list as one empty name; no file
    // is ever called that.
    if (length == 0) continue;
    std::wstring name(length + 1, L'\0');
    DragQueryFileW(drop, i, name.data(), length + 1);
    name.resize(length);
    list->Add(std::move(name));
  }
  if (list->Empty()) return nullptr;
  return list;
}

std::unique_ptr<TStringList> DataObjectFiles(IDataObject* data) {
  if (!data) return nullptr;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return std::make_unique<TStringList>();
  std::unique_ptr<TStringList> files = DropFilesToList(static_cast<HDROP>(medium.hGlobal));
  ReleaseStgMedium(&medium);
  return files ? std::move(files) : std::make_unique<TStringList>();
}

std::unique_ptr<TStringList> ClipboardFiles() {
  if (!IsClipboardFormatAvailable(CF_HDROP)) return nullptr;
  const ClipboardScope clipboard(nullptr);
  if (!clipboard) return nullptr;
  return DropFilesToList(static_cast<HDROP>(GetClipboardData(CF_HDROP)));
}

DWORD ClipboardPreferredEffect() {
  const UINT format = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
  if (!format || !IsClipboardFormatAvailable(format)) return 0;
  const ClipboardScope clipboard(nullptr);
  HANDLE data = clipboard ? GetClipboardData(format) : nullptr;
  if (!data || GlobalSize(data) < sizeof(DWORD)) return 0;
  const void* bytes = GlobalLock(data);
  if (!bytes) return 0;
  const DWORD effect = *static_cast<const DWORD*>(bytes);
  GlobalUnlock(data);
  return effect;
}

namespace {

// The find data of an existing file or folder, drive roots included; false
// when nothing is there. Unlike a find, wildcards in the path match nothing.
bool ReadFindData(const std::wstring& path, WIN32_FIND_DATAW& find_data) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &data)) return false;
  find_data = {};
  find_data.dwFileAttributes = data.dwFileAttributes;
  find_data.ftCreationTime = data.ftCreationTime;
  find_data.ftLastAccessTime = data.ftLastAccessTime;
  find_data.ftLastWriteTime = data.ftLastWriteTime;
  find_data.nFileSizeHigh = data.nFileSizeHigh;
  find_data.nFileSizeLow = data.nFileSizeLow;
  const std::wstring name = ExtractFileName(path);
  name.copy(find_data.cFileName, std::min<size_t>(name.size(), MAX_PATH - 1));
  return true;
}

}  // namespace

bool TransferFiles(HWND window, const TStringList& files, const std::wstring& folder, bool move) {
  if (files.Empty() || folder.empty()) return false;
  // Both lists end in an empty name.
  std::wstring from;
  for (const std::wstring& file : files.Items()) {
    if (file.empty()) continue;
    from += file;
    from += L'\0';
  }
  from += L'\0';
  std::wstring to = folder;
  to += L'\0';
  to += L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = window;
  operation.wFunc = move ? FO_MOVE : FO_COPY;
  operation.pFrom = from.c_str();
  operation.pTo = to.c_str();
  operation.fFlags = FOF_ALLOWUNDO;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

std::wstring ResolveLinkW(const std::wstring& link_path, WIN32_FIND_DATAW& find_data) {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
    return {};
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file)) || FAILED(file->Load(link_path.c_str(), 0))) return {};
  wchar_t target[MAX_PATH] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, &find_data, SLGP_UNCPRIORITY))) return {};
  std::wstring path = target;
  if (path.empty()) return path;
  // Wine keeps only an ANSI copy of the target's path, in which characters
  // outside the code page come back as '?', and may send no find data with
  // it. The link's id list still names the target exactly.
  WIN32_FIND_DATAW found{};
  if (ReadFindData(path, found)) {
    if (find_data.dwFileAttributes == 0) {
      find_data = found;
    } else {
      // A link keeps only the low 32 bits of its target's size.
      find_data.nFileSizeHigh = found.nFileSizeHigh;
      find_data.nFileSizeLow = found.nFileSizeLow;
    }
    return path;
  }
  AbsoluteIdList target_list;
  if (SUCCEEDED(link->GetIDList(target_list.put())) && target_list) {
    std::wstring exact = IdListToPath(target_list.get());
    if (!exact.empty() && ReadFindData(exact, found)) {
      find_data = found;
      return exact;
    }
  }
  return path;  // a target that is gone keeps the link's own spelling
}

std::wstring ResolveLink(const std::wstring& link_path) {
  WIN32_FIND_DATAW find_data{};
  return ResolveLinkW(link_path, find_data);
}

HWND MainWindowHandle() {
  return Application ? Application->MainWindowHandle() : nullptr;
}

bool UseIconTitleFont(TFont& font) {
  LOGFONTW icon_title{};
  if (!IconTitleFontForDpi(font.PixelsPerInch(), icon_title)) return false;
  font.Assign(icon_title);
  return true;
}

}  // namespace wf
