#include "shell/core/FolderNames.h"

#include <windows.h>
#include <winternl.h>

#include <utility>
#include <vector>

#include "framework/Handles.h"
#include "framework/Strings.h"

namespace wf {
namespace {

// The entries' names alone, asked of the file system by handle: the
// platform's find functions make up every entry's attributes, times and
// short name on the way, which under Wine costs more than the read itself.
using QueryDirectoryFile = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID,
                                            ULONG, FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING,
                                            BOOLEAN);
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);
constexpr ULONG kNamesBufferBytes = 64 * 1024;

std::optional<std::unordered_set<std::wstring>> ReadNamesByHandle(const std::wstring& folder) {
  static const auto query = reinterpret_cast<QueryDirectoryFile>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryDirectoryFile")));
  if (!query) return std::nullopt;
  UniqueFile handle(CreateFileW(LongPathForm(folder).c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::nullopt;
  std::vector<ULONGLONG> buffer(kNamesBufferBytes / sizeof(ULONGLONG));
  std::unordered_set<std::wstring> names;
  for (BOOLEAN first = TRUE;; first = FALSE) {
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = query(handle.get(), nullptr, nullptr, nullptr, &status, buffer.data(),
                                  kNamesBufferBytes, FileNamesInformation, FALSE, nullptr, first);
    if (result == kNoMoreFiles) return names;
    if (result < 0) return std::nullopt;
    const auto* base = reinterpret_cast<const BYTE*>(buffer.data());
    for (ULONG offset = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_NAMES_INFORMATION*>(base + offset);
      std::wstring name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
      if (name != L"." && name != L"..") {
        names.insert(UpperCaseText(std::move(name)));
      }
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
  }
}

std::optional<std::unordered_set<std::wstring>> ReadNamesByFind(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(FindFirstFileExW(LongPathForm(folder + L"*").c_str(), FindExInfoBasic,
                                         &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return std::nullopt;
  std::unordered_set<std::wstring> names;
  do {
    names.insert(UpperCaseText(data.cFileName));
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return names;
}

std::optional<std::unordered_set<std::wstring>> ReadNames(const std::wstring& folder) {
  auto names = ReadNamesByHandle(folder);
  return names ? std::move(names) : ReadNamesByFind(folder);
}

}  // namespace

FolderNames::FolderNames(std::wstring folder) : folder_(std::move(folder)) {}

std::optional<bool> FolderNames::Contains(const std::wstring& path) {
  if (folder_.empty() || path.size() <= folder_.size() || !StartsWithText(path, folder_))
    return std::nullopt;
  std::wstring name = path.substr(folder_.size());
  if (name.find_first_of(L"\\/*?") != std::wstring::npos || name == L"." || name == L"..")
    return std::nullopt;
  if (!std::exchange(read_, true)) names_ = ReadNames(folder_);
  if (!names_) return std::nullopt;
  return names_->count(UpperCaseText(std::move(name))) != 0;
}

}  // namespace wf
