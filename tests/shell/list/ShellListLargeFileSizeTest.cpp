// The shell's own Size column, as the list draws it, shows a file of 4 GB or
// more whole, and leaves every other row's text as the shell gives it.
#include <windows.h>
#include <winioctl.h>

#include <cstdint>
#include <utility>

#include "framework/Handles.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListLargeFileSize = ShellListTest;

// A file of `size` bytes that takes no room on disk.
void MakeSparseFile(const std::wstring& path, uint64_t size) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  // Where the platform has no sparse files, the host's file system leaves
  // the unwritten range unallocated anyway.
  DWORD returned = 0;
  DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file.get()));
}

int ColumnTitled(TKivShellList& list, const std::wstring& title) {
  for (int i = 0; i < list.Columns().Count(); ++i)
    if (list.Columns()[i]->Caption() == title) return i;
  return -1;
}

// Wine's Size column keeps 32 bits of a size: without the mend the two
// large files read "1,048,576 KB" and "2 KB".
TEST_F(ShellListLargeFileSize, TheShellsSizeColumnShowsFilesAbove4GBWhole) {
  MakeSparseFile(folder_ / L"five.bin", uint64_t{5} << 30);
  MakeSparseFile(folder_ / L"four.bin", (uint64_t{4} << 30) + 1536);
  folder_.MakeFile(L"small.txt", 1);
  folder_.MakeFolder(L"dir");
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();

  // The shell's own columns, not the built-in ones the list falls back on.
  ASSERT_TRUE(list.Dirwalker().AcquireDetails());
  const int size_column = ColumnTitled(list, L"Size");
  ASSERT_GT(size_column, 0);
  ASSERT_EQ(list.Items().Count(), 4);

  const std::pair<const wchar_t*, const wchar_t*> expected[] = {{L"five.bin", L"5,242,880 KB"},
                                                                {L"four.bin", L"4,194,306 KB"},
                                                                {L"small.txt", L"1 KB"},
                                                                {L"dir", L""}};
  for (const auto& [name, text] : expected) {
    const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
    ASSERT_GE(row, 0) << name;
    EXPECT_EQ(ControlSubItemText(list, row, size_column), text) << name;
  }
}

}  // namespace
}  // namespace wf::test
