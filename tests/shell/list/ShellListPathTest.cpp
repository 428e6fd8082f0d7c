// Binding the list by path and by special folder.
#include "shell/core/IdList.h"
#include "shell/core/ShellUtils.h"
#include "tests/shell/core/DeleteConfirmation.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListPath = ShellListTest;

std::wstring CsidlPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return IncludeTrailingBackslash(path);
}

TEST_F(ShellListPath, ReadsTheShellsSpellingWithATrailingBackslash) {
  TKivShellList& list = MakeList();

  list.SetPath(ExcludeTrailingBackslash(AsciiUpperCase(folder_.Path())));

  EXPECT_TRUE(SameText(list.Path(), folder_.Path()));
  EXPECT_EQ(list.Path().back(), L'\\');
  EXPECT_EQ(list.SpecialFolder(), SF_FILESYSTEMFOLDER);
}

TEST_F(ShellListPath, AStoredSpecialFolderAfterAStoredPathWins) {
  const std::wstring documents = CsidlPath(CSIDL_COMMON_DOCUMENTS);
  ASSERT_FALSE(documents.empty());
  TKivShellList& list = MakeLoadingList();
  list.SetPath(folder_.Path());
  list.SetSpecialFolder(SF_COMMON_DOCUMENTS);
  EndLoading();

  EXPECT_TRUE(SameText(list.Path(), documents)) << ToUtf8(list.Path());
  EXPECT_EQ(list.SpecialFolder(), SF_COMMON_DOCUMENTS);
}

TEST_F(ShellListPath, MyComputerHasAnEmptyPathAndReadsAsDrives) {
  TKivShellList& list = MakeList();

  list.SetSpecialFolder(SF_DRIVES);

  EXPECT_EQ(list.Path(), L"");
  EXPECT_EQ(list.SpecialFolder(), SF_DRIVES);
  EXPECT_GT(list.Items().Count(), 0);
  EXPECT_GE(IndexOfCaption(list, ShellDisplayName(L"", L"C:\\")), 0);
}

TEST_F(ShellListPath, AnEmptyPathOpensMyComputer) {
  TKivShellList& list = ListOn(folder_.Path());

  list.SetPath(L"");

  EXPECT_EQ(list.Path(), L"");
  EXPECT_EQ(list.SpecialFolder(), SF_DRIVES);
}

TEST_F(ShellListPath, FileSystemFolderAsSpecialFolderRefillsWhereTheListIs) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());
  int populations = 0;
  list.OnPathChanged = [&](TObject*) { ++populations; };

  list.SetSpecialFolder(SF_FILESYSTEMFOLDER);

  EXPECT_EQ(populations, 1);
  EXPECT_TRUE(SameText(list.Path(), folder_.Path()));
  EXPECT_EQ(list.Items().Count(), 1);
}

// A window that shows the list's path follows it through OnChange alone.
TEST_F(ShellListPath, EachFillIsOneChangeOfTheWholeListAfterItsRowsAreIn) {
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) folder_.MakeFile(name);
  folder_.MakeFolder(L"sub");
  TKivShellList& list = MakeList();
  std::vector<std::wstring> paths_heard;
  int rows_then = -1;
  list.OnChange = [&](TObject*, TListItem* item, TItemChange) {
    if (item) return;
    paths_heard.push_back(list.Path());
    rows_then = list.Items().Count();
  };

  list.SetPath(folder_.Path());
  ShowAndDraw();
  ASSERT_EQ(paths_heard.size(), 1u);
  EXPECT_EQ(paths_heard[0], list.Path());
  EXPECT_EQ(rows_then, 4);

  list.SetPath(folder_ / L"sub");
  list.Populate();
  ASSERT_EQ(paths_heard.size(), 3u);
  EXPECT_NE(paths_heard[1], paths_heard[0]);
  EXPECT_EQ(paths_heard[1], list.Path());
  EXPECT_EQ(rows_then, 0);
}

TEST_F(ShellListPath, TheDesktopReadsAsDesktop) {
  TKivShellList& list = MakeList();

  list.SetSpecialFolder(SF_DESKTOP);

  EXPECT_EQ(list.SpecialFolder(), SF_DESKTOP);
}

TEST_F(ShellListPath, ABadPathRaisesAndLeavesRowsAndPathAlone) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  TKivShellList& list = ListOn(folder_.Path());
  const std::vector<std::wstring> before = Captions(list);
  const std::wstring bad = folder_ / L"no such folder";
  int populations = 0;
  list.OnPathChanged = [&](TObject*) { ++populations; };

  try {
    list.SetPath(bad);
    ADD_FAILURE() << "no error for a path that does not exist";
  } catch (const EDirwalkerError& e) {
    EXPECT_EQ(e.Message(), bad + L"\r\n" + SystemErrorText(ERROR_PATH_NOT_FOUND));
  }

  EXPECT_EQ(populations, 0);
  EXPECT_TRUE(SameText(list.Path(), folder_.Path()));
  EXPECT_EQ(Captions(list), before);
}

TEST_F(ShellListPath, FoldersWithNonAnsiNamesAreBoundAndListed) {
  const std::wstring name = TempFolder::NonAnsiName(L"");
  const std::wstring inner = folder_.MakeFolder(name);
  folder_.MakeFile(name + L"\\" + TempFolder::NonAnsiName(L".txt"));
  TKivShellList& list = ListOn(folder_.Path());
  EXPECT_TRUE(HasCaption(list, ShellDisplayName(folder_.Path(), name)));

  list.SetPath(inner);

  EXPECT_TRUE(SameText(list.Path(), inner + L"\\")) << ToUtf8(list.Path());
  EXPECT_EQ(Captions(list),
            std::vector<std::wstring>{ShellDisplayName(inner, TempFolder::NonAnsiName(L".txt"))});
  EXPECT_NE(Captions(list)[0].find(L"\u65E5\u672C"), std::wstring::npos);
}

TEST_F(ShellListPath, ASpecialFolderThisMachineLacksRefillsWhereTheListIs) {
  TKivShellFolder missing = SF_FILESYSTEMFOLDER;
  for (int i = 1; i < kSpecialFolderCount && missing == SF_FILESYSTEMFOLDER; ++i)
    if (!SpecialFolderIdList(static_cast<TKivShellFolder>(i)))
      missing = static_cast<TKivShellFolder>(i);
  if (missing == SF_FILESYSTEMFOLDER) GTEST_SKIP() << "this machine has every special folder";
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());
  int populations = 0;
  list.OnPathChanged = [&](TObject*) { ++populations; };

  list.SetSpecialFolder(missing);

  EXPECT_EQ(populations, 1);
  EXPECT_TRUE(SameText(list.Path(), folder_.Path()));
  EXPECT_EQ(list.Items().Count(), 1);
}

// Wine's shell answers a longer path cut at MAX_PATH - 1 characters, with
// success, and neither parses nor lists a folder that deep: the folder one
// level past the limit is reached as a user reaches it, by opening its row.
TEST_F(ShellListPath, RowsAndAFolderPastMaxPathAreNamedWhole) {
  const std::wstring outer = folder_.MakeFolderOfLength(240);
  const std::wstring below_temp = outer.substr(folder_.Path().size()) + L"\\";
  const std::wstring folder_name(60, L'e');
  const std::wstring file_name(40, L'f');
  const std::wstring deep = folder_.MakeFolder(below_temp + folder_name);
  const std::wstring file = folder_.MakeFile(below_temp + file_name);
  TKivShellList& list = ListOn(outer);
  const int file_index = IndexOfCaption(list, file_name);
  const int folder_index = IndexOfCaption(list, folder_name);
  ASSERT_EQ(list.Items().Count(), 2);
  ASSERT_GE(file_index, 0);
  ASSERT_GE(folder_index, 0);
  EXPECT_EQ(list.ItemPath(list.Items()[file_index]), file);

  // A delete that left the file there takes no row away.
  list.ClearSelection();
  list.Items()[file_index]->SetSelected(true);
  list.ReportOperation({sopDelete, sopRemove}, nullptr, L"");
  EXPECT_TRUE(HasCaption(list, file_name));

  // A shell that cuts the file's path would act on whatever the cut path
  // names: here another file. Nothing is asked of it.
  const std::wstring namesake = file.substr(0, MAX_PATH - 1);
  ASSERT_GT(namesake.size(), outer.size() + 1);
  folder_.MakeFile(namesake.substr(folder_.Path().size()));
  {
    DeleteConfirmation answer(IDYES);
    EXPECT_FALSE(list.InvokeVerb(L"delete"));
    EXPECT_EQ(answer.Shown(), 0);
  }
  EXPECT_TRUE(PathExists(file));
  EXPECT_TRUE(PathExists(namesake));
  list.Populate();

  list.ClearSelection();
  list.Items()[IndexOfCaption(list, folder_name)]->SetSelected(true);
  ASSERT_TRUE(list.InvokeVerb(L"default"));
  EXPECT_EQ(list.Path(), deep + L"\\");
  EXPECT_TRUE(list.DirectoryWatch().Active());
  EXPECT_EQ(ExcludeTrailingBackslash(list.DirectoryWatch().Folder()), deep);
  EXPECT_TRUE(list.CreateNewFolder(L"New Folder", false));
  const DWORD made = GetFileAttributesW(LongPathForm(deep + L"\\New Folder").c_str());
  EXPECT_TRUE(made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace wf::test
