// The columns each population makes, and the widths carried from folder to
// folder.
#include <map>

#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListColumns = ShellListTest;

std::vector<std::wstring> Titles(TKivShellList& list) {
  std::vector<std::wstring> titles;
  for (int i = 0; i < list.Columns().Count(); ++i) titles.push_back(list.Columns()[i]->Caption());
  return titles;
}

std::vector<int> Widths(TKivShellList& list) {
  std::vector<int> widths;
  for (int i = 0; i < list.Columns().Count(); ++i) widths.push_back(list.Columns()[i]->Width());
  return widths;
}

int ControlFormat(TKivShellList& list, int column) {
  LVCOLUMNW info{};
  info.mask = LVCF_FMT;
  SendMessageW(list.Handle(), LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
  return info.fmt & LVCFMT_JUSTIFYMASK;
}

void SetControlWidth(TKivShellList& list, int column, int width) {
  SendMessageW(list.Handle(), LVM_SETCOLUMNWIDTH, column, width);
}

// The default widths of the shown columns of a special folder, asked of a
// folder object of its own.
std::vector<int> ShellWidths(TKivShellFolder special) {
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(false);
  walker.SetSpecialFolder(special);
  std::vector<int> widths;
  for (int column = 0; !walker.DetailText(column, true).empty(); ++column) {
    TAlignment alignment;
    int width = 0;
    walker.ColumnInfo(column, alignment, width);
    if (width > 0) widths.push_back(width);
  }
  return widths;
}

TEST_F(ShellListColumns, AFileSystemFolderShowsTheShellsColumns) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = ListOn(folder_.Path());

  // Wine's titles and character counts (15, 10, 10, 12, 5) times seven.
  EXPECT_EQ(Titles(list),
            (std::vector<std::wstring>{L"File", L"Size", L"Type", L"Modified", L"Attributes"}));
  EXPECT_EQ(Widths(list), (std::vector<int>{105, 70, 70, 84, 35}));
  EXPECT_EQ(list.ShellColumnCount(), 5);
  // Wine reports every column right-aligned; the control keeps its first
  // column left-aligned whatever it is told.
  EXPECT_EQ(ControlFormat(list, 0), LVCFMT_LEFT);
  for (int i = 1; i < 5; ++i) {
    EXPECT_EQ(list.Columns()[i]->Alignment(), TAlignment::taRightJustify) << i;
    EXPECT_EQ(ControlFormat(list, i), LVCFMT_RIGHT) << i;
  }
}

TEST_F(ShellListColumns, AFolderWithoutDetailsInterfacesShowsTheBuiltInFour) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();

  // Every Wine folder offers details; a population without a new bind keeps
  // the folder object answering as one that offers none. It is the list's
  // first, so no remembered widths stand in for the built-in ones.
  list.Dirwalker().SetFolder(folder_.Path());
  list.Dirwalker().SetDetailsUnavailable();
  list.Populate();

  EXPECT_EQ(Titles(list), (std::vector<std::wstring>{L"Name", L"Size", L"Type", L"Changed"}));
  EXPECT_EQ(Widths(list), (std::vector<int>{150, 60, 120, 100}));
  EXPECT_EQ(list.ShellColumnCount(), 4);
  EXPECT_EQ(ControlFormat(list, 1), LVCFMT_RIGHT);
  EXPECT_EQ(ControlFormat(list, 2), LVCFMT_LEFT);
  EXPECT_EQ(ControlFormat(list, 3), LVCFMT_LEFT);
}

TEST_F(ShellListColumns, WithoutDetailsOnlyTheFirstColumnIsMadeAndRowsGetNoTexts) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();
  list.SetDetails(false);
  list.SetPath(folder_.Path());
  ShowAndDraw();

  EXPECT_EQ(Titles(list), std::vector<std::wstring>{L"File"});
  EXPECT_EQ(list.ShellColumnCount(), 1);
  ASSERT_EQ(list.Items().Count(), 1);
  EXPECT_GE(list.Items()[0]->ImageIndex(), 0);
  EXPECT_TRUE(list.Items()[0]->SubItems().empty());

  list.SetDetails(true);
  EXPECT_EQ(list.Columns().Count(), 5);
}

TEST_F(ShellListColumns, AWidenedColumnKeepsItsWidthInTheNextFolder) {
  const std::wstring sub = folder_.MakeFolder(L"sub");
  TKivShellList& list = ListOn(folder_.Path());

  SetControlWidth(list, 1, 200);
  list.SetPath(sub);
  EXPECT_EQ(Widths(list), (std::vector<int>{105, 200, 70, 84, 35}));

  // Through the framework's column object, and back up again.
  list.Columns()[3]->SetWidth(150);
  list.SetPath(folder_.Path());
  EXPECT_EQ(Widths(list), (std::vector<int>{105, 200, 70, 150, 35}));
}

TEST_F(ShellListColumns, AFolderWithoutAPathUsesTheShellsWidthsAndLeavesTheMemoryAlone) {
  const std::wstring sub = folder_.MakeFolder(L"sub");
  TKivShellList& list = ListOn(folder_.Path());
  SetControlWidth(list, 1, 200);

  list.SetSpecialFolder(SF_DRIVES);
  ASSERT_TRUE(list.Path().empty());
  EXPECT_EQ(Widths(list), ShellWidths(SF_DRIVES));
  // Widths met in the computer folder are not carried out of it.
  SetControlWidth(list, 1, 300);

  list.SetPath(sub);
  EXPECT_EQ(list.Columns()[1]->Width(), 200);
  list.SetPath(L"");
  EXPECT_EQ(Widths(list), ShellWidths(SF_DRIVES));
  list.SetPath(folder_.Path());
  EXPECT_EQ(list.Columns()[1]->Width(), 200);
}

TEST_F(ShellListColumns, WidthsOfColumnsMissingForAWhileAreStillRemembered) {
  TKivShellList& list = ListOn(folder_.Path());
  SetControlWidth(list, 3, 222);

  list.SetDetails(false);  // one column: saving it must not forget the rest
  SetControlWidth(list, 0, 180);
  list.SetDetails(true);

  EXPECT_EQ(Widths(list), (std::vector<int>{180, 70, 70, 222, 35}));
}

TEST_F(ShellListColumns, WidthsTheUserSetSurviveARemadeWindow) {
  const std::wstring sub = folder_.MakeFolder(L"sub");
  TKivShellList& list = ListOn(folder_.Path());
  SetControlWidth(list, 1, 200);

  list.RecreateWnd();
  EXPECT_EQ(list.Columns()[1]->Width(), 200);
  list.SetPath(sub);
  EXPECT_EQ(list.Columns()[1]->Width(), 200);
}

TEST_F(ShellListColumns, AnApplicationColumnGetsNoDetailTextsAndSortsByItsOwnTexts) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.txt");
  folder_.MakeFile(L"c.txt");
  TKivShellList& list = MakeList();
  list.OnCreateColumns = [&](TObject*) { list.Columns().Add()->SetCaption(L"Note"); };
  list.SetPath(folder_.Path());
  ShowAndDraw();

  ASSERT_EQ(list.Columns().Count(), 6);
  EXPECT_EQ(list.ShellColumnCount(), 5);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Items()[i]->SubItems().size(), 4u) << i;

  // Notes whose order is neither the names' nor its reverse.
  const std::map<std::wstring, std::wstring> notes{
      {L"a.txt", L"m"}, {L"b.txt", L"z"}, {L"c.txt", L"a"}};
  std::vector<std::wstring> details_seen;
  list.OnAddItem = [&](TListItem* item, bool&) {
    details_seen.push_back(item->SubItems().size() == 4 ? L"details" : L"none");
    TDirwalker& walker = list.Dirwalker();
    item->AddSubItem(notes.at(walker.ObjectName()));
  };
  list.Populate();
  EXPECT_EQ(details_seen, std::vector<std::wstring>(3, L"details"));

  list.SortByColumn(5);
  const std::vector<std::wstring> by_note{ShellDisplayName(folder_.Path(), L"c.txt"),
                                          ShellDisplayName(folder_.Path(), L"a.txt"),
                                          ShellDisplayName(folder_.Path(), L"b.txt")};
  EXPECT_EQ(Captions(list), by_note);
  list.SortByColumn(5);
  EXPECT_EQ(Captions(list), std::vector<std::wstring>(by_note.rbegin(), by_note.rend()));
}

}  // namespace
}  // namespace wf::test
