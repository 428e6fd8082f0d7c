// A full population: its events and their order, the cursor, and what an
// error in the middle of it leaves behind.
#include "framework/Cursor.h"
#include "framework/Exceptions.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListPopulation = ShellListTest;

std::vector<std::string> OnePopulation(int rows) {
  std::vector<std::string> expected{"CreateColumns"};
  expected.insert(expected.end(), rows, "AddItem");
  expected.push_back("Populated");
  expected.push_back("PathChanged");
  return expected;
}

TEST_F(ShellListPopulation, RaisesItsEventsInOrderOncePerPopulation) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  folder_.MakeFolder(L"sub");
  TKivShellList& list = MakeList();
  EventLog log;
  log.Attach(list);
  int rows_at_populated = -1;
  list.OnPopulated = [&](TObject*) {
    log.events.push_back("Populated");
    rows_at_populated = list.Items().Count();
  };

  list.SetPath(folder_.Path());

  EXPECT_EQ(log.events, OnePopulation(3));
  EXPECT_EQ(rows_at_populated, 3);
  // The shell's own columns of a file-system folder; Wine names the first "File".
  ASSERT_GE(list.Columns().Count(), 1);
  EXPECT_EQ(list.ShellColumnCount(), list.Columns().Count());
}

TEST_F(ShellListPopulation, RefillsTheSameFolderWithItsEventsAgain) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  TKivShellList& list = ListOn(folder_.Path());
  EventLog log;
  log.Attach(list);

  list.SetPath(folder_.Path());
  EXPECT_EQ(log.events, OnePopulation(2));
  log.events.clear();
  list.Populate();
  EXPECT_EQ(log.events, OnePopulation(2));
  EXPECT_EQ(list.Items().Count(), 2);
}

TEST_F(ShellListPopulation, RowsComeInTheShellsOrderFoldersFirst) {
  folder_.MakeFile(L"c.txt");
  folder_.MakeFile(L"a.txt");
  folder_.MakeFolder(L"zdir");
  folder_.MakeFile(L"b.txt");
  TKivShellList& list = ListOn(folder_.Path());

  const std::vector<std::wstring> expected{
      ShellDisplayName(folder_.Path(), L"zdir"), ShellDisplayName(folder_.Path(), L"a.txt"),
      ShellDisplayName(folder_.Path(), L"b.txt"), ShellDisplayName(folder_.Path(), L"c.txt")};
  EXPECT_EQ(Captions(list), expected);
}

// A fill with no add handler gathers the objects first and tells the
// control how many rows come; either way the control ends up with exactly
// the list's rows, each showing its own caption.
TEST_F(ShellListPopulation, TheControlHoldsExactlyTheListsRowsWithOrWithoutAnAddHandler) {
  for (int i = 0; i < 12; ++i) folder_.MakeFile(L"f" + std::to_wstring(i) + L".txt");
  folder_.MakeFolder(L"sub");
  TKivShellList& list = ListOn(folder_.Path());
  list.SetShowParentFolder(true);
  for (const bool handler : {false, true, false}) {
    if (handler)
      list.OnAddItem = [](TListItem*, bool&) {};
    else
      list.OnAddItem = nullptr;
    list.Populate();
    ASSERT_EQ(list.Items().Count(), 14) << "12 files, a folder and the parent entry";
    EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETITEMCOUNT, 0, 0), 14);
    for (int i = 0; i < list.Items().Count(); ++i) {
      wchar_t text[MAX_PATH] = {};
      LVITEMW item{};
      item.pszText = text;
      item.cchTextMax = MAX_PATH;
      SendMessageW(list.Handle(), LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
      EXPECT_EQ(text, list.Items()[i]->Caption()) << "row " << i;
    }
  }
}

TEST_F(ShellListPopulation, RejectingEveryRowLeavesTheListEmptyButEndsNormally) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  folder_.MakeFolder(L"sub");
  TKivShellList& list = MakeList();
  EventLog log;
  log.Attach(list);
  list.OnAddItem = [&](TListItem*, bool& can_add) {
    log.events.push_back("AddItem");
    can_add = false;
  };

  list.SetPath(folder_.Path());

  EXPECT_EQ(list.Items().Count(), 0);
  EXPECT_EQ(log.events, OnePopulation(3));
}

TEST_F(ShellListPopulation, RejectedRowsAreDeletedAndTheOthersKept) {
  folder_.MakeFile(L"keep1.txt");
  folder_.MakeFile(L"drop.txt");
  folder_.MakeFile(L"keep2.txt");
  TKivShellList& list = MakeList();
  int deletions = 0;
  list.OnDeletion = [&](TObject*, TListItem*) { ++deletions; };
  list.OnAddItem = [&](TListItem* item, bool& can_add) {
    can_add = !StartsWithText(item->Caption(), L"drop");
  };

  list.SetPath(folder_.Path());

  EXPECT_EQ(Captions(list),
            (std::vector<std::wstring>{ShellDisplayName(folder_.Path(), L"keep1.txt"),
                                       ShellDisplayName(folder_.Path(), L"keep2.txt")}));
  EXPECT_EQ(deletions, 1);
}

TEST_F(ShellListPopulation, ShowsTheHourGlassWhileFillingAndRestoresTheCursor) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();
  std::vector<TCursor> seen;
  list.OnCreateColumns = [&](TObject*) { seen.push_back(Screen().Cursor()); };
  list.OnAddItem = [&](TListItem*, bool&) { seen.push_back(Screen().Cursor()); };
  Screen().SetCursor(crHandPoint);

  list.SetPath(folder_.Path());
  const TCursor after = Screen().Cursor();
  Screen().SetCursor(crDefault);

  EXPECT_EQ(seen, (std::vector<TCursor>{crHourGlass, crHourGlass}));
  EXPECT_EQ(after, crHandPoint);
}

TEST_F(ShellListPopulation, AnErrorRestoresTheListAndRaisesNoFinalEvents) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  TKivShellList& list = MakeList();
  EventLog log;
  log.Attach(list);
  list.OnAddItem = [&](TListItem*, bool&) { throw Exception(L"handler failed"); };
  Screen().SetCursor(crHandPoint);

  EXPECT_THROW(list.SetPath(folder_.Path()), Exception);
  const TCursor after = Screen().Cursor();
  Screen().SetCursor(crDefault);

  EXPECT_EQ(after, crHandPoint);
  EXPECT_EQ(log.Count("Populated"), 0);
  EXPECT_EQ(log.Count("PathChanged"), 0);

  // The update bracket was closed: the next population is drawn.
  list.OnAddItem = nullptr;
  int images_asked = 0;
  list.OnGetImageIndex = [&](TObject*, TListItem*) { ++images_asked; };
  list.Populate();
  ShowAndDraw();
  EXPECT_GT(images_asked, 0);
  EXPECT_EQ(log.Count("Populated"), 1);
}

TEST_F(ShellListPopulation, AFillAfterAFailedOneListsEveryObject) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  folder_.MakeFile(L"c.txt");
  TKivShellList& list = MakeList();
  int calls = 0;
  list.OnAddItem = [&](TListItem*, bool&) {
    if (++calls == 2) throw Exception(L"handler failed");
  };
  EXPECT_THROW(list.SetPath(folder_.Path()), Exception);
  list.OnAddItem = nullptr;

  list.Populate();

  EXPECT_EQ(list.Items().Count(), 3);
}

TEST_F(ShellListPopulation, DoesNothingWhileTheListIsDisabled) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());
  EventLog log;
  log.Attach(list);
  list.SetEnabled(false);

  list.Populate();

  EXPECT_TRUE(log.events.empty());
  EXPECT_EQ(list.Items().Count(), 1);
}

TEST_F(ShellListPopulation, AStoredPathIsFilledOnceAtTheEndOfLoading) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeLoadingList();
  EventLog log;
  log.Attach(list);

  list.SetPath(folder_.Path());
  list.SetShowHidden(true);
  list.SetShowParentFolder(true);
  EXPECT_TRUE(log.events.empty());
  EXPECT_EQ(list.Path(), folder_.Path());
  EndLoading();

  EXPECT_EQ(log.events, OnePopulation(1));
  EXPECT_TRUE(SameText(list.Path(), folder_.Path()));
  EXPECT_EQ(list.Items().Count(), 2);  // the file and the parent entry
}

}  // namespace
}  // namespace wf::test
