#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "shell/core/Dirwalker.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::Contains;
using test::TempFolder;

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class DirwalkerEnumeration : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.MakeFile(L"a.txt", 100);
    temp_.MakeFile(L"b.doc");
    temp_.MakeHiddenFile(L"hidden.txt");
    sub_ = temp_.MakeFolder(L"sub");
    temp_.MakeLink(L"link", sub_);
    temp_.MakeFile(TempFolder::NonAnsiName());
    walker_.SetFolder(temp_.Path());
  }

  TempFolder temp_;
  std::wstring sub_;
  TDirwalker walker_;
};

TEST_F(DirwalkerEnumeration, YieldsEveryObjectHiddenOnesIncluded) {
  EXPECT_EQ(
      Sorted(test::EnumerateNames(walker_)),
      Sorted({L"a.txt", L"b.doc", L"hidden.txt", L"sub", L"link.lnk", TempFolder::NonAnsiName()}));
}

TEST_F(DirwalkerEnumeration, EachObjectBecomesCurrent) {
  bool saw_hidden = false, saw_folder = false, saw_link = false;
  while (walker_.NextObject()) {
    ASSERT_NE(walker_.CurrentId(), nullptr);
    const std::wstring name = walker_.ObjectName();
    if (name == L"hidden.txt") saw_hidden = walker_.IsHidden();
    if (name == L"sub") saw_folder = walker_.IsFolder();
    if (name == L"link.lnk") saw_link = walker_.IsLink();
  }
  EXPECT_TRUE(saw_hidden);
  EXPECT_TRUE(saw_folder);
  EXPECT_TRUE(saw_link);
}

TEST_F(DirwalkerEnumeration, StartsAgainAfterTheEnd) {
  const auto first = test::EnumerateNames(walker_);
  ASSERT_FALSE(first.empty());
  ASSERT_TRUE(walker_.NextObject());
  EXPECT_EQ(walker_.ObjectName(), first.front());
  walker_.SetFolder(temp_.Path());  // the same folder: no new binding
  auto rest = test::EnumerateNames(walker_);
  rest.insert(rest.begin(), first.front());
  EXPECT_EQ(rest, first);
}

TEST_F(DirwalkerEnumeration, MaskKeepsFoldersAndMatchingFiles) {
  walker_.SetFilter(L"*.txt");
  EXPECT_EQ(Sorted(test::EnumerateNames(walker_)),
            Sorted({L"a.txt", L"hidden.txt", L"sub", TempFolder::NonAnsiName()}));
  walker_.SetFilter(L"*.doc;*.lnk");
  EXPECT_EQ(Sorted(test::EnumerateNames(walker_)), Sorted({L"b.doc", L"sub", L"link.lnk"}));
}

TEST_F(DirwalkerEnumeration, CriticalErrorModeIsRestoredAfterStarting) {
  const UINT previous = SetErrorMode(0);
  walker_.SetShowErrorMessages(false);
  EXPECT_TRUE(walker_.NextObject());
  EXPECT_EQ(SetErrorMode(previous), 0u);
}

TEST(DirwalkerFilter, ParsesAndReadsBack) {
  TDirwalker walker;
  EXPECT_EQ(walker.Filter(), L"*");
  walker.SetFilter(L"");
  EXPECT_EQ(walker.Filter(), L"*");
  walker.SetFilter(L"*.txt;*.doc");
  EXPECT_EQ(walker.Filter(), L"*.txt;*.doc");
  walker.SetFilter(L"*.txt;");
  EXPECT_EQ(walker.Filter(), L"*.txt");
  walker.SetFilter(L"a;;b");
  EXPECT_EQ(walker.Filter(), L"a;;b");
  walker.SetFilter(L";");
  EXPECT_EQ(walker.Filter(), L"");
}

TEST(DirwalkerFileSystemOnly, MyComputerKeepsItsDrives) {
  TDirwalker walker;
  walker.SetFileSystemOnly(true);
  const auto names = test::EnumerateNames(walker);
  EXPECT_TRUE(Contains(names, L"C:\\"));
  // Whatever else My Computer holds here, nothing without a place in the
  // file system (the control panel on Windows) passes.
  walker.SetFolder(L"");
  while (walker.NextObject()) {
    const SFGAOF fs = walker.Attributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR);
    EXPECT_TRUE((fs & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) ||
                StartsWithText(walker.ObjectName(), L"RECYCLE"))
        << walker.DisplayName();
  }
}

TEST(DirwalkerFileSystemOnly, DesktopKeepsMyComputer) {
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DESKTOP);
  walker.SetFileSystemOnly(true);
  bool saw_drives = false;
  while (walker.NextObject()) {
    if (walker.ObjectSpecialFolder() == SF_DRIVES) saw_drives = true;
  }
  EXPECT_TRUE(saw_drives);
}

// The list asks these questions of every row while it fills, then display
// names of the rows it draws: each pass over a large folder answers for
// every object, and the walk starts over after the end.
TEST(DirwalkerLargeFolder, PerItemQuestionsAndDisplayNamesCoverEveryObject) {
  TempFolder temp;
  constexpr int kFiles = 600;
  for (int i = 0; i < kFiles; ++i) temp.MakeFile(L"file" + std::to_wstring(i) + L".txt");
  TDirwalker walker;
  walker.SetFolder(temp.Path());

  int rows = 0;
  while (walker.NextObject()) {
    EXPECT_FALSE(walker.IsFolder());
    EXPECT_FALSE(walker.IsHidden());
    ChildIdList id = walker.ObjectIdCopy();
    EXPECT_TRUE(id.get());
    ++rows;
  }
  ASSERT_EQ(rows, kFiles);

  std::vector<std::wstring> names;
  while (walker.NextObject()) names.push_back(walker.DisplayName());
  ASSERT_EQ(names.size(), static_cast<size_t>(kFiles));
  names = Sorted(names);
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << "each object its own name";
  EXPECT_TRUE(std::all_of(names.begin(), names.end(),
                          [](const std::wstring& n) { return StartsWithText(n, L"file"); }));
}

}  // namespace
}  // namespace wf
