// The size of what lies below a folder, found off the user-interface thread.
#include "shell/notify/FolderSizeThread.h"

#include <windows.h>

#include <vector>

#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"

namespace wf {

namespace {
bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}
}  // namespace

TKivFolderSizeThread::TKivFolderSizeThread(std::wstring path, int sign)
    : path_(std::move(path)), sign_(sign) {
  // The total a user has just ticked should follow quickly.
  SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
}

void TKivFolderSizeThread::Execute() {
  const DWORD attributes = GetFileAttributesW(LongPathForm(path_).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (const int64_t size = FileSize(path_); size >= 0) {
      size_ = size;
      file_count_ = 1;
    }
    return;
  }
  // Folders still to read; a list, not recursion, however deep the tree.
  std::vector<std::wstring> pending{IncludeTrailingBackslash(path_)};
  while (!pending.empty() && !Terminated()) {
    const std::wstring folder = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileExW(LongPathForm(folder + L"*").c_str(), FindExInfoBasic,
                                           &data, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    if (!find) continue;
    do {
      if (IsDotEntry(data.cFileName)) continue;
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        size_ += FindDataSize(data);
        ++file_count_;
      } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        pending.push_back(folder + data.cFileName + L'\\');
      }
    } while (!Terminated() && FindNextFileW(find.get(), &data));
  }
}

}  // namespace wf
