#include "bench/FolderWalk.h"

#include "framework/Handles.h"

namespace bench {
namespace {

void AddFolder(const std::wstring& folder, FolderTotals& totals) {
  WIN32_FIND_DATAW data;
  wf::UniqueFindHandle find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return;
  do {
    if (IsDotEntry(data.cFileName)) continue;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      totals.bytes += static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
      ++totals.files;
    } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      AddFolder(folder + L"\\" + data.cFileName, totals);
    }
  } while (FindNextFileW(find.get(), &data));
}

}  // namespace

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

FolderTotals WalkFolder(const std::wstring& folder) {
  FolderTotals totals;
  AddFolder(folder, totals);
  return totals;
}

}  // namespace bench
