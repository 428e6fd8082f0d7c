// Selecting rows by name and by id, and the paths of rows.
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

class ShellListSelection : public ShellListTest {
 protected:
  TKivShellList& ListOfThree() {
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.txt");
    folder_.MakeFile(L"c.txt");
    return ListOn(folder_.Path());
  }
  std::vector<int> SelectedRows(TKivShellList& list) {
    std::vector<int> rows;
    for (int i = 0; i < list.Items().Count(); ++i)
      if (list.Items()[i]->Selected()) rows.push_back(i);
    return rows;
  }
};

TEST_F(ShellListSelection, SelectedNamesAreTheSelectedObjectsFromTheTop) {
  TKivShellList& list = ListOfThree();
  list.Items()[2]->SetSelected(true);
  list.Items()[0]->SetSelected(true);

  EXPECT_EQ(list.SelectedNames().Items(), (std::vector<std::wstring>{L"a.txt", L"c.txt"}));
}

TEST_F(ShellListSelection, SelectedNamesFollowTheNextSelectionChange) {
  TKivShellList& list = ListOfThree();
  list.Items()[0]->SetSelected(true);
  ASSERT_EQ(list.SelectedNames().Items(), std::vector<std::wstring>{L"a.txt"});

  list.Items()[0]->SetSelected(false);
  list.Items()[1]->SetSelected(true);

  EXPECT_EQ(list.SelectedNames().Items(), std::vector<std::wstring>{L"b.txt"});
}

// A column click reorders the rows: the selection and the focus stay with
// the objects, not with the places, and no selection change is reported.
TEST_F(ShellListSelection, ASortKeepsTheSelectedAndFocusedObjects) {
  TKivShellList& list = ListOfThree();
  list.SetMultiSelect(true);
  list.Items()[0]->SetSelected(true);
  list.Items()[2]->SetSelected(true);
  list.Items()[1]->SetFocused(true);
  ASSERT_EQ(list.SelectedNames().Items(), (std::vector<std::wstring>{L"a.txt", L"c.txt"}));
  int selection_changes = 0;
  list.OnSelectItem = [&](TObject*, TListItem*) { ++selection_changes; };

  list.SortByColumn(0);  // descending
  ASSERT_EQ(list.Items()[0]->Caption(), ShellDisplayName(folder_.Path(), L"c.txt"));
  EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 2}));
  EXPECT_EQ(list.ItemFocused(), list.Items()[1]);
  EXPECT_EQ(list.Selected(), list.Items()[0]);
  list.Items()[0]->SetSelected(false);  // c.txt
  EXPECT_EQ(list.SelectedNames().Items(), std::vector<std::wstring>{L"a.txt"});
  EXPECT_EQ(selection_changes, 1);
  list.OnSelectItem = nullptr;
}

TEST_F(ShellListSelection, AssigningNamesSelectsExactlyThoseRows) {
  TKivShellList& list = ListOfThree();
  list.Items()[0]->SetSelected(true);

  list.SelectedNames().Assign({L"c.txt", L"B.TXT"});

  EXPECT_EQ(SelectedRows(list), (std::vector<int>{1, 2}));
  EXPECT_EQ(list.SelectedNames().Count(), 2);
}

TEST_F(ShellListSelection, AnUnknownNameRaisesAndTheRowsNamedBeforeItStaySelected) {
  TKivShellList& list = ListOfThree();

  EXPECT_THROW(list.SelectedNames().Assign({L"b.txt", L"missing.txt", L"c.txt"}), EDirwalkerError);

  EXPECT_EQ(SelectedRows(list), std::vector<int>{1});
}

TEST_F(ShellListSelection, AddingAnUnknownNameKeepsTheEarlierSelection) {
  TKivShellList& list = ListOfThree();
  list.SelectedNames().Add(L"a.txt");
  ASSERT_EQ(SelectedRows(list), std::vector<int>{0});

  EXPECT_THROW(list.SelectedNames().Add(L"missing.txt"), EDirwalkerError);

  EXPECT_EQ(SelectedRows(list), std::vector<int>{0});
}

TEST_F(ShellListSelection, EmptyingTheNamesDeselectsEveryRow) {
  TKivShellList& list = ListOfThree();
  list.SelectAll();
  ASSERT_EQ(list.SelectedNames().Count(), 3);

  list.SelectedNames().Clear();

  EXPECT_EQ(list.SelCount(), 0);
}

TEST_F(ShellListSelection, RowsAreFoundByTheirObjectsId) {
  TKivShellList& list = ListOfThree();
  const ChildIdList b = ShellItemId(folder_.Path(), L"b.txt");

  EXPECT_EQ(list.IndexOfItemId(b.get()), 1);
  EXPECT_EQ(list.FindItemById(b.get()), list.Items()[1]);
  EXPECT_EQ(list.IndexOfItemId(nullptr), -1);
  EXPECT_EQ(list.FindItemById(nullptr), nullptr);
}

TEST_F(ShellListSelection, AnObjectThatIsNoRowIsNotFound) {
  TKivShellList& list = ListOfThree();
  folder_.MakeFile(L"later.txt");  // made after the fill

  const ChildIdList later = ShellItemId(folder_.Path(), L"later.txt");

  EXPECT_EQ(list.IndexOfItemId(later.get()), -1);
  EXPECT_EQ(list.SelectItemById(later.get()), -1);
  EXPECT_EQ(list.SelCount(), 0);
}

TEST_F(ShellListSelection, SelectItemByIdSelectsAndFocusesTheRow) {
  TKivShellList& list = ListOfThree();
  list.Items()[0]->SetSelected(true);

  EXPECT_EQ(list.SelectItemById(ShellItemId(folder_.Path(), L"c.txt").get()), 2);

  EXPECT_TRUE(list.Items()[2]->Selected());
  EXPECT_TRUE(list.Items()[2]->Focused());
}

TEST_F(ShellListSelection, SelectItemByIdScrollsTheRowIntoView) {
  for (int i = 0; i < 60; ++i) folder_.MakeFile(L"f" + std::to_wstring(100 + i) + L".txt");
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();
  ASSERT_LT(list.VisibleRowCount(), 60);

  const int index = list.SelectItemById(ShellItemId(folder_.Path(), L"f159.txt").get());

  ASSERT_EQ(index, 59);
  const int top = list.TopItem()->Index();
  EXPECT_LE(top, index);
  EXPECT_LT(index, top + list.VisibleRowCount());
}

TEST_F(ShellListSelection, ItemPathJoinsTheFolderAndTheObject) {
  folder_.MakeFolder(L"sub");
  const std::wstring file = folder_.MakeFile(L"sub\\" + TempFolder::NonAnsiName(L".txt"));
  TKivShellList& list = ListOn(folder_ / L"sub");

  ASSERT_EQ(list.Items().Count(), 1);
  EXPECT_TRUE(SameText(list.ItemPath(list.Items()[0]), file));
  EXPECT_EQ(list.ItemPath(nullptr), L"");
}

TEST_F(ShellListSelection, ItemPathFollowsTheNewFolderAfterARefill) {
  folder_.MakeFolder(L"one");
  folder_.MakeFolder(L"two");
  folder_.MakeFile(L"one\\a.txt");
  const std::wstring second = folder_.MakeFile(L"two\\b.txt");
  TKivShellList& list = ListOn(folder_ / L"one");
  ASSERT_FALSE(list.ItemPath(list.Items()[0]).empty());

  list.SetPath(folder_ / L"two");

  EXPECT_TRUE(SameText(list.ItemPath(list.Items()[0]), second));
}

TEST_F(ShellListSelection, ARefillForgetsTheNamesOfTheRowsItRemoved) {
  TKivShellList& list = ListOfThree();
  list.Items()[0]->SetSelected(true);
  ASSERT_EQ(list.SelectedNames().Count(), 1);

  list.SetPath(folder_.MakeFolder(L"empty"));

  EXPECT_EQ(list.SelCount(), 0);
  EXPECT_TRUE(list.SelectedNames().Empty());
}

}  // namespace
}  // namespace wf::test
