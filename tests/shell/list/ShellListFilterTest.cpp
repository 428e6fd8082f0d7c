// Which objects the list shows, and when a change of option refills it.
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListFilter = ShellListTest;

TEST_F(ShellListFilter, HiddenFilesAreListedOnlyWithShowHidden) {
  folder_.MakeFile(L"plain.txt");
  folder_.MakeHiddenFile(L"secret.txt");
  const std::wstring secret = ShellDisplayName(folder_.Path(), L"secret.txt");
  TKivShellList& list = ListOn(folder_.Path());
  EXPECT_EQ(list.Items().Count(), 1);
  EXPECT_FALSE(HasCaption(list, secret));

  list.SetShowHidden(true);
  EXPECT_EQ(list.Items().Count(), 2);
  EXPECT_TRUE(HasCaption(list, secret));
}

TEST_F(ShellListFilter, HiddenRowsAreDrawnGhosted) {
  folder_.MakeFile(L"plain.txt");
  folder_.MakeHiddenFile(L"secret.txt");
  TKivShellList& list = MakeList();
  list.SetShowHidden(true);
  list.SetPath(folder_.Path());

  ShowAndDraw();

  const int secret = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"secret.txt"));
  const int plain = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"plain.txt"));
  ASSERT_GE(secret, 0);
  ASSERT_GE(plain, 0);
  EXPECT_TRUE(list.Items()[secret]->Cut());
  EXPECT_FALSE(list.Items()[plain]->Cut());
}

TEST_F(ShellListFilter, ShowFilesOffListsOnlyFolders) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFolder(L"sub");
  TKivShellList& list = ListOn(folder_.Path());

  list.SetShowFiles(false);

  EXPECT_EQ(Captions(list), std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"sub")});
}

TEST_F(ShellListFilter, ShowFoldersOffListsNoFolderWhateverTheFilterSays) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFolder(L"sub");
  folder_.MakeFolder(L"dir.txt");
  TKivShellList& list = ListOn(folder_.Path());

  list.SetShowFolders(false);
  EXPECT_EQ(Captions(list), std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"a.txt")});
  list.SetFilter(L"*.txt");
  EXPECT_EQ(Captions(list), std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"a.txt")});
}

TEST_F(ShellListFilter, ATxtMaskListsEveryFolderAndOnlyTxtFiles) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"B.TXT");
  folder_.MakeFile(L"c.doc");
  folder_.MakeFile(L"d.txt.bak");
  folder_.MakeFolder(L"sub");
  TKivShellList& list = ListOn(folder_.Path());

  list.SetFilter(L"*.txt");

  EXPECT_EQ(list.Filter(), L"*.txt");
  EXPECT_EQ(Captions(list),
            (std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"sub"),
                                       ShellDisplayName(folder_.Path(), L"a.txt"),
                                       ShellDisplayName(folder_.Path(), L"B.TXT")}));
}

// Counts full populations through their last event.
struct PopulationCounter {
  int count = 0;
  void Attach(TKivShellList& list) {
    list.OnPathChanged = [this](TObject*) { ++count; };
  }
};

TEST_F(ShellListFilter, AnOptionSetToItsCurrentValueRunsNoPopulation) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());
  PopulationCounter populations;
  populations.Attach(list);

  list.SetShowHidden(false);
  list.SetShowFiles(true);
  list.SetShowNethood(true);
  list.SetShowRecycleBin(true);
  list.SetShowFolders(true);
  list.SetShowParentFolder(false);
  list.SetDetails(true);
  list.SetNoFillOnStartup(false);

  EXPECT_EQ(populations.count, 0);
}

TEST_F(ShellListFilter, EachNewOptionValueRunsOnePopulation) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());
  PopulationCounter populations;
  populations.Attach(list);

  list.SetShowHidden(true);
  EXPECT_EQ(populations.count, 1);
  list.SetShowFiles(false);
  EXPECT_EQ(populations.count, 2);
  list.SetShowFolders(false);
  EXPECT_EQ(populations.count, 3);
  list.SetShowParentFolder(true);
  EXPECT_EQ(populations.count, 4);
  list.SetDetails(false);
  EXPECT_EQ(populations.count, 5);
  list.SetShowErrorMessages(true);
  EXPECT_EQ(populations.count, 6);
  EXPECT_TRUE(list.Dirwalker().ShowErrorMessages());
}

TEST_F(ShellListFilter, FilterAndFileSystemOnlyRefillEvenWhenUnchanged) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());
  PopulationCounter populations;
  populations.Attach(list);

  list.SetFilter(list.Filter());
  list.SetFileSystemOnly(list.FileSystemOnly());

  EXPECT_EQ(populations.count, 2);
}

TEST_F(ShellListFilter, NoFillOnStartupKeepsAListWithoutWindowEmpty) {
  folder_.MakeFile(L"a.txt");
  TKivShellList list(nullptr);  // no parent and no window yet
  PopulationCounter populations;
  populations.Attach(list);

  list.SetNoFillOnStartup(true);
  list.SetShowHidden(true);
  list.SetShowFiles(false);

  EXPECT_EQ(populations.count, 0);
  EXPECT_FALSE(list.HandleAllocated());
  EXPECT_TRUE(list.ShowHidden());

  list.HandleNeeded();
  list.SetShowFiles(true);
  EXPECT_EQ(populations.count, 1);
  list.OnPathChanged = nullptr;
}

TEST_F(ShellListFilter, NoFillOnStartupSkipsTheFillAtTheEndOfLoading) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeLoadingList();
  PopulationCounter populations;
  populations.Attach(list);
  list.SetNoFillOnStartup(true);
  list.SetPath(folder_.Path());
  EndLoading();

  EXPECT_EQ(populations.count, 0);
  EXPECT_EQ(list.Items().Count(), 0);
}

TEST_F(ShellListFilter, ShowRecycleBinOffHidesHiddenRecycleFolders) {
  const std::wstring recycler = folder_.MakeFolder(L"RECYCLER");
  ASSERT_TRUE(SetFileAttributesW(recycler.c_str(), FILE_ATTRIBUTE_HIDDEN));
  folder_.MakeFolder(L"Recycled goods");  // not hidden: an ordinary folder
  TKivShellList& list = MakeList();
  list.SetShowHidden(true);
  list.SetPath(folder_.Path());
  ASSERT_EQ(list.Items().Count(), 2);

  list.SetShowRecycleBin(false);

  EXPECT_EQ(Captions(list),
            std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"Recycled goods")});
}

// The display name of a special folder as its parent lists it; empty when
// this machine lacks it.
std::wstring SpecialFolderDisplayName(TKivShellFolder folder) {
  const AbsoluteIdList list = SpecialFolderIdList(folder);
  if (!list) return {};
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(false);
  walker.SetFolderAndObject(list.get());
  return walker.DisplayName();
}

TEST_F(ShellListFilter, ShowNethoodAndShowRecycleBinOffHideThoseDesktopObjects) {
  TKivShellList& list = MakeList();
  list.SetSpecialFolder(SF_DESKTOP);
  const std::wstring bin = SpecialFolderDisplayName(SF_BITBUCKET);
  const std::wstring network = SpecialFolderDisplayName(SF_NETWORK);
  const bool bin_listed = !bin.empty() && HasCaption(list, bin);
  const bool network_listed = !network.empty() && HasCaption(list, network);
  if (!bin_listed && !network_listed)
    GTEST_SKIP() << "this desktop lists neither the recycle bin nor the network";

  list.SetShowRecycleBin(false);
  list.SetShowNethood(false);

  if (bin_listed) {
    EXPECT_FALSE(HasCaption(list, bin));
  }
  if (network_listed) {
    EXPECT_FALSE(HasCaption(list, network));
  }
  EXPECT_GT(list.Items().Count(), 0);
}

}  // namespace
}  // namespace wf::test
