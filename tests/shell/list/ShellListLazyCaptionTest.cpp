// Rows get their captions when first read, not during the fill. Whoever reads
// them, and whenever, must see what an eager fill would have shown.
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

// The platform deletes and the shell enumerates in orders of their own.
std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class ShellListLazyCaption : public ShellListTest {
 protected:
  // Three files and a folder whose display names are known up front.
  std::vector<std::wstring> MakeObjects() {
    folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.doc");
    folder_.MakeFile(TempFolder::NonAnsiName(L".txt"));
    std::vector<std::wstring> names;
    for (const wchar_t* name : {L"sub", L"a.txt", L"b.doc"})
      names.push_back(ShellDisplayName(folder_.Path(), name));
    names.push_back(ShellDisplayName(folder_.Path(), TempFolder::NonAnsiName(L".txt")));
    return names;
  }
};

TEST_F(ShellListLazyCaption, EveryRowReadsTheShellsDisplayNameAfterTheFill) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());

  EXPECT_EQ(Captions(list), names);
}

TEST_F(ShellListLazyCaption, AnAddItemHandlerReadsTheDisplayName) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = MakeList();
  std::vector<std::wstring> seen;
  list.OnAddItem = [&](TListItem* item, bool&) { seen.push_back(item->Caption()); };

  list.SetPath(folder_.Path());

  EXPECT_EQ(Sorted(seen), Sorted(names));
  // Reading a caption in the middle of the fill must not disturb it.
  EXPECT_EQ(Captions(list), names);
}

TEST_F(ShellListLazyCaption, TheControlDrawsAndReportsTheDisplayNames) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();

  for (int i = 0; i < static_cast<int>(names.size()); ++i)
    EXPECT_EQ(ControlText(list, i), names[i]);
}

TEST_F(ShellListLazyCaption, TheControlFindsRowsByTheirDisplayName) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());

  LVFINDINFOW find{};
  find.flags = LVFI_STRING;
  find.psz = names[2].c_str();
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_FINDITEMW, -1, reinterpret_cast<LPARAM>(&find)), 2);
}

TEST_F(ShellListLazyCaption, ATextSortOrdersByDisplayName) {
  folder_.MakeFile(L"b.txt");
  folder_.MakeFile(L"c.txt");
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();
  list.OnCompare = [](TObject*, TListItem*, TListItem*, int, int&) {};  // asks for the text sort
  list.SetPath(folder_.Path());

  std::vector<std::wstring> expected = Captions(list);
  std::sort(expected.begin(), expected.end(),
            [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; });
  EXPECT_EQ(Captions(list), expected);
  list.SortByColumn(0);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(Captions(list), expected);
}

TEST_F(ShellListLazyCaption, ACompareHandlerSeesTheDisplayNames) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = MakeList();
  bool all_known = true;
  list.OnCompare = [&](TObject*, TListItem* a, TListItem* b, int, int&) {
    for (TListItem* row : {a, b})
      all_known = all_known && std::find(names.begin(), names.end(), row->Caption()) != names.end();
  };

  list.SetPath(folder_.Path());

  EXPECT_TRUE(all_known);
}

TEST_F(ShellListLazyCaption, CaptionsSurviveAFailedChangeOfPath) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());

  EXPECT_THROW(list.SetPath(folder_ / L"missing"), EDirwalkerError);

  EXPECT_EQ(Captions(list), names);
}

TEST_F(ShellListLazyCaption, CaptionsNameTheirObjectsAfterTheFolderObjectHasMovedOn) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());

  list.Dirwalker().SetSpecialFolder(SF_DRIVES);

  EXPECT_EQ(Captions(list), names);
}

TEST_F(ShellListLazyCaption, CaptionsReadWhileTheNextFolderIsFilledNameTheOldObjects) {
  const std::vector<std::wstring> names = MakeObjects();
  const std::wstring other = folder_.MakeFolder(L"sub\\inner");
  TKivShellList& list = ListOn(folder_.Path());
  std::vector<std::wstring> deleted;
  list.OnDeletion = [&](TObject*, TListItem* item) { deleted.push_back(item->Caption()); };

  list.SetPath(other);

  EXPECT_EQ(Sorted(deleted), Sorted(names));
}

TEST_F(ShellListLazyCaption, CaptionsReadWhenTheSameFolderIsRefilledNameTheirObjects) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  std::vector<std::wstring> deleted;
  list.OnDeletion = [&](TObject*, TListItem* item) { deleted.push_back(item->Caption()); };

  list.Populate();

  EXPECT_EQ(Sorted(deleted), Sorted(names));
}

TEST_F(ShellListLazyCaption, ARejectedRowsCaptionIsItsDisplayName) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list = MakeList();
  std::wstring deleted;
  list.OnAddItem = [](TListItem*, bool& can_add) { can_add = false; };
  list.OnDeletion = [&](TObject*, TListItem* item) { deleted = item->Caption(); };

  list.SetPath(folder_.Path());

  EXPECT_EQ(deleted, ShellDisplayName(folder_.Path(), L"a.txt"));
}

TEST_F(ShellListLazyCaption, ACaptionOutlivesItsFile) {
  folder_.MakeFile(L"gone.txt");
  const std::wstring name = ShellDisplayName(folder_.Path(), L"gone.txt");
  TKivShellList& list = ListOn(folder_.Path());

  ASSERT_TRUE(DeleteFileW((folder_ / L"gone.txt").c_str()));

  EXPECT_EQ(Captions(list), std::vector<std::wstring>{name});
}

TEST_F(ShellListLazyCaption, ACaptionOutlivesItsFolderOnceTheListHasMovedOn) {
  const std::wstring inner = folder_.MakeFolder(L"inner");
  folder_.MakeFile(L"inner\\a.txt");
  const std::wstring name = ShellDisplayName(inner, L"a.txt");
  TKivShellList& list = ListOn(inner);

  ASSERT_TRUE(RemoveFolderTree(inner));
  list.Dirwalker().SetFolder(folder_.Path());

  EXPECT_EQ(Captions(list), std::vector<std::wstring>{name});
}

TEST_F(ShellListLazyCaption, ReadingACaptionKeepsTheFolderObjectsCurrentObject) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  list.Dirwalker().SetObjectName(L"a.txt");

  (void)list.Items()[3]->Caption();

  EXPECT_EQ(list.Dirwalker().ObjectName(), L"a.txt");
}

TEST_F(ShellListLazyCaption, TypingAnInitialMovesTheFocusToTheRowOfThatName) {
  folder_.MakeFile(L"apple.txt");
  folder_.MakeFile(L"kiwi.txt");
  folder_.MakeFile(L"melon.txt");
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();
  list.SetFocus();

  SendMessageW(list.Handle(), WM_CHAR, L'm', 1);  // a repeat count of 1

  ASSERT_NE(list.ItemFocused(), nullptr);
  EXPECT_EQ(list.ItemFocused()->Caption(), ShellDisplayName(folder_.Path(), L"melon.txt"));
}

TEST_F(ShellListLazyCaption, RowsNeverDrawnAreNeverAskedForTheirNames) {
  for (int i = 0; i < 150; ++i) folder_.MakeFile(L"f" + std::to_wstring(1000 + i) + L".txt");
  TKivShellList& list = ListOn(folder_.Path());

  ShowAndDraw();

  ASSERT_EQ(list.Items().Count(), 150);
  EXPECT_TRUE(list.Items()[0]->CaptionKnown());
  EXPECT_FALSE(list.Items()[149]->CaptionKnown());
  EXPECT_EQ(list.Items()[149]->Caption(), ShellDisplayName(folder_.Path(), L"f1149.txt"));
}

TEST_F(ShellListLazyCaption, CaptionsReadWhenTheWindowIsRemadeNameTheirObjects) {
  const std::vector<std::wstring> names = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  std::vector<std::wstring> deleted;
  list.OnDeletion = [&](TObject*, TListItem* item) { deleted.push_back(item->Caption()); };
  // The old window's rows are the ones deleted before the new window's fill.
  list.OnPopulated = [&](TObject*) { list.OnDeletion = nullptr; };

  list.RecreateWnd();

  EXPECT_EQ(Sorted(deleted), Sorted(names));
  list.OnDeletion = nullptr;
  EXPECT_EQ(Captions(list), names);
}

}  // namespace
}  // namespace wf::test
