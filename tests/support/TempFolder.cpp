#include "tests/support/TempFolder.h"

#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "framework/Handles.h"
#include "framework/Strings.h"

namespace wf::test {

namespace {

std::atomic<int> counter{0};

[[noreturn]] void Fail(const std::wstring& what) {
  throw std::runtime_error(ToUtf8(what) + " (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

TempFolder::TempFolder() {
  for (;;) {
    path_ = L"C:\\wftest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) Fail(L"cannot create " + path_);
  }
}

TempFolder::~TempFolder() {
  RemoveFolderTree(path_);
}

std::wstring TempFolder::operator/(std::wstring_view relative) const {
  return path_ + std::wstring(relative);
}

std::wstring TempFolder::MakeFile(std::wstring_view relative, uint64_t size, DWORD attributes) {
  const std::wstring file = *this / relative;
  UniqueHandle handle(CreateFileW(LongPathForm(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (handle.get() == INVALID_HANDLE_VALUE) {
    handle.release();
    Fail(L"cannot create " + file);
  }
  if (size) {
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle.get()))
      Fail(L"cannot size " + file);
  }
  handle.reset();
  if (attributes && !SetFileAttributesW(LongPathForm(file).c_str(), attributes))
    Fail(L"cannot set attributes of " + file);
  return file;
}

std::wstring TempFolder::MakeHiddenFile(std::wstring_view relative, uint64_t size) {
  return MakeFile(relative, size, FILE_ATTRIBUTE_HIDDEN);
}

std::wstring TempFolder::MakeFolder(std::wstring_view relative) {
  std::wstring folder = *this / relative;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (!CreateDirectoryW(LongPathForm(folder).c_str(), nullptr)) Fail(L"cannot create " + folder);
  return folder;
}

std::wstring TempFolder::MakeFolderOfLength(size_t length) {
  constexpr size_t kLongestName = 60;
  std::wstring folder = path_.substr(0, path_.size() - 1);
  if (length <= folder.size() + 1) Fail(L"no folder below " + path_ + L" is that short");
  while (folder.size() < length) {
    size_t name = std::min(length - folder.size() - 1, kLongestName);
    // What is left must take a backslash and one character.
    if (length - folder.size() - 1 - name == 1) --name;
    folder += L'\\' + std::wstring(name, L'd');
    if (!CreateDirectoryW(LongPathForm(folder).c_str(), nullptr)) Fail(L"cannot create " + folder);
  }
  return folder;
}

std::wstring TempFolder::MakeLink(std::wstring_view relative, std::wstring_view target) {
  std::wstring link = *this / relative;
  if (link.size() < 4 || !SameText(link.substr(link.size() - 4), L".lnk")) link += L".lnk";
  Microsoft::WRL::ComPtr<IShellLinkW> shell_link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(shell_link.GetAddressOf()))))
    Fail(L"cannot create a shell link object");
  const std::wstring target_path(target);
  if (FAILED(shell_link->SetPath(target_path.c_str())))
    Fail(L"cannot point a link at " + target_path);
  Microsoft::WRL::ComPtr<IPersistFile> file;
  if (FAILED(shell_link.As(&file)) || FAILED(file->Save(link.c_str(), TRUE)))
    Fail(L"cannot save " + link);
  return link;
}

std::wstring TempFolder::NonAnsiName(std::wstring_view suffix) {
  return L"\u03A9mega_\u65E5\u672C" + std::wstring(suffix);
}

bool RemoveFolderTree(const std::wstring& folder) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW data;
  {
    UniqueFindHandle find(FindFirstFileW(LongPathForm(base + L"*").c_str(), &data));
    if (find) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = base + name;
        SetFileAttributesW(LongPathForm(full).c_str(), FILE_ATTRIBUTE_NORMAL);
        // A link to a folder goes, not what it leads to (which may be above).
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT &&
            data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(LongPathForm(full).c_str());
        else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveFolderTree(full);
        else
          DeleteFileW(LongPathForm(full).c_str());
      } while (FindNextFileW(find.get(), &data));
    }
  }
  base.pop_back();
  return RemoveDirectoryW(LongPathForm(base).c_str()) != FALSE;
}

}  // namespace wf::test
