// The " .. " row that leads to the parent folder.
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListParentEntry = ShellListTest;

constexpr wchar_t kParentCaption[] = L" .. ";

TEST_F(ShellListParentEntry, IsAbsentByDefault) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());

  EXPECT_FALSE(HasCaption(list, kParentCaption));
}

TEST_F(ShellListParentEntry, ComesFirstInEitherSortDirection) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  folder_.MakeFolder(L"sub");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());

  ASSERT_EQ(list.Items().Count(), 4);
  EXPECT_EQ(list.Items()[0]->Caption(), kParentCaption);
  ASSERT_NE(TKivShellList::RecordOf(list.Items()[0]), nullptr);
  EXPECT_TRUE(TKivShellList::RecordOf(list.Items()[0])->IsParentEntry);

  list.SortByColumn(0);  // the same column again: descending
  ASSERT_TRUE(list.SortDescending());
  EXPECT_EQ(list.Items()[0]->Caption(), kParentCaption);
  EXPECT_EQ(list.Items()[3]->Caption(), ShellDisplayName(folder_.Path(), L"sub"));
}

TEST_F(ShellListParentEntry, IsFirstWithATextSortToo) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  TKivShellList& list = MakeList();
  list.OnCompare = [](TObject*, TListItem*, TListItem*, int, int&) {};
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  list.SortByColumn(0);  // descending: " .. " would come last by its text

  ASSERT_TRUE(list.SortDescending());
  EXPECT_EQ(list.Items()[0]->Caption(), kParentCaption);
  EXPECT_EQ(list.Items()[1]->Caption(), ShellDisplayName(folder_.Path(), L"b.txt"));
}

TEST_F(ShellListParentEntry, IsNotAddedOnTheDesktop) {
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);

  list.SetSpecialFolder(SF_DESKTOP);

  EXPECT_FALSE(HasCaption(list, kParentCaption));
}

TEST_F(ShellListParentEntry, IsNotPartOfSelectedNames) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());

  list.SelectAll();

  EXPECT_EQ(list.SelCount(), 2);
  EXPECT_EQ(list.SelectedNames().Items(), std::vector<std::wstring>{L"a.txt"});
}

TEST_F(ShellListParentEntry, HasNoPathAndIsNeverFoundById) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());

  EXPECT_EQ(list.ItemPath(list.Items()[0]), L"");
  EXPECT_EQ(list.IndexOfItemId(ShellItemId(folder_.Path(), L"a.txt").get()), 1);
}

}  // namespace
}  // namespace wf::test
