// Rows ask the shell about their objects through their own folder, whatever
// the folder object has been bound to since the fill, and never move it.
#include <algorithm>
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/shell/list/WrappedShellFolder.h"

namespace wf::test {
namespace {

int ControlImage(TKivShellList& list, int row) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageW(list.Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

// The texts a folder object of its own gives `name` under the shell columns 1 to 4.
std::vector<std::wstring> ShellDetailTexts(const std::wstring& folder, const std::wstring& name) {
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(false);
  walker.SetFolder(folder);
  walker.SetObjectName(name);
  std::vector<std::wstring> texts;
  for (int column = 1; column < 5; ++column) texts.push_back(walker.DetailText(column, false));
  return texts;
}

std::vector<std::wstring> ControlDetailTexts(TKivShellList& list, int row) {
  std::vector<std::wstring> texts;
  for (int column = 1; column < 5; ++column) texts.push_back(ControlSubItemText(list, row, column));
  return texts;
}

class ShellListRowQueriesAfterARebind : public ShellListTest {
 protected:
  void SetUp() override {
    folder_.MakeFile(L"a.txt", 2048);
    folder_.MakeFile(L"b.bin", 10);
    folder_.MakeFolder(L"sub");
  }
  int Row(TKivShellList& list, const wchar_t* name) {
    return IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
  }
};

TEST_F(ShellListRowQueriesAfterARebind,
       RowsDrawnAfterTheSameFolderWasBoundAgainGetIconsAndDetails) {
  TKivShellList& list = ListOn(folder_.Path());
  // What a restarted enumeration or a restored request does: the same folder,
  // a new folder interface.
  const AbsoluteIdList same = list.Dirwalker().FolderIdListCopy();
  list.Dirwalker().SetFolderIDList(same.get());

  ShowAndDraw();

  for (const wchar_t* name : {L"a.txt", L"b.bin", L"sub"}) {
    const int row = Row(list, name);
    ASSERT_GE(row, 0) << name;
    EXPECT_EQ(ControlDetailTexts(list, row), ShellDetailTexts(folder_.Path(), name)) << name;
    EXPECT_GE(ControlImage(list, row), 0) << name;
  }
}

TEST_F(ShellListRowQueriesAfterARebind,
       DrawingSortingAndReadingCaptionsLeaveTheCurrentObjectAlone) {
  TKivShellList& list = ListOn(folder_.Path());
  list.Dirwalker().SetObjectName(L"sub");

  ShowAndDraw();
  list.SortByColumn(1);  // the shell's comparison
  list.OnCompare = [](TObject*, TListItem*, TListItem*, int, int&) {};
  list.SortByColumn(2);  // a text sort, which gathers the detail texts
  list.OnCompare = nullptr;
  (void)Captions(list);
  (void)list.Items()[0]->SubItems();
  list.Items()[0]->SetSelected(true);
  (void)list.SelectedNames().Items();

  EXPECT_EQ(list.Dirwalker().ObjectName(), L"sub");
}

TEST_F(ShellListRowQueriesAfterARebind,
       SelectedNamesNameTheRowsObjectsAfterTheFolderObjectMovedAway) {
  const std::wstring wide = TempFolder::NonAnsiName(L".txt");
  folder_.MakeFile(wide);
  TKivShellList& list = ListOn(folder_.Path());
  list.Items()[Row(list, L"a.txt")]->SetSelected(true);
  list.Items()[Row(list, wide.c_str())]->SetSelected(true);
  std::vector<std::wstring> expected{L"a.txt", wide};
  if (Row(list, wide.c_str()) < Row(list, L"a.txt")) std::swap(expected[0], expected[1]);

  list.Dirwalker().SetSpecialFolder(SF_DRIVES);

  EXPECT_EQ(list.SelectedNames().Items(), expected);
  EXPECT_EQ(list.ItemPath(list.Items()[Row(list, L"a.txt")]), folder_ / L"a.txt");
  const ChildIdList id = ShellItemId(folder_.Path(), L"b.bin");
  EXPECT_EQ(list.IndexOfItemId(id.get()), Row(list, L"b.bin"));
}

// Folders whose shell does what Wine's does not: a wrapped real folder,
// bound to the list's folder object.
class ShellListWrappedFolder : public ShellListTest {
 protected:
  TKivShellList& ListOnWrapped(const std::function<void(WrappedShellFolder&)>& adjust = {}) {
    AbsoluteIdList id_list;
    wrapped_ = WrappedShellFolder::Of(folder_.Path(), &id_list);
    if (adjust) adjust(*wrapped_.Get());
    TKivShellList& list = MakeList();
    list.Dirwalker().SetShellFolder(wrapped_, id_list.get());
    list.Populate();
    return list;
  }
  std::vector<std::wstring> DisplayNames(std::initializer_list<const wchar_t*> names) {
    std::vector<std::wstring> result;
    for (const wchar_t* name : names) result.push_back(ShellDisplayName(folder_.Path(), name));
    return result;
  }
  std::vector<std::wstring> ColumnTitles(TKivShellList& list) {
    std::vector<std::wstring> titles;
    for (int i = 0; i < list.Columns().Count(); ++i) titles.push_back(list.Columns()[i]->Caption());
    return titles;
  }

  Microsoft::WRL::ComPtr<WrappedShellFolder> wrapped_;
};

// Under Wine the type names of these files sort b, c, a; by name backwards
// (the hidden column) c, b, a.
TEST_F(ShellListWrappedFolder, AShellSortByAColumnAfterAHiddenOneAsksTheFolderForThatColumn) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.bin");
  folder_.MakeFile(L"c.dat");
  TKivShellList& list = ListOnWrapped([](WrappedShellFolder& folder) { folder.HideColumnAt(2); });
  ASSERT_EQ(list.Columns().Count(), 5);
  ASSERT_EQ(list.Columns()[2]->Caption(), L"Type");

  list.SortByColumn(2);

  EXPECT_EQ(Captions(list), DisplayNames({L"b.bin", L"c.dat", L"a.txt"}));
  const std::vector<int>& compared = wrapped_->ComparedColumns();
  EXPECT_EQ(std::count(compared.begin(), compared.end(), 2), 0);
  EXPECT_EQ(std::count(compared.begin(), compared.end(), 3), 1);

  // The rows' texts under each header belong to that header's shell column.
  ShowAndDraw();
  const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"a.txt"));
  ASSERT_GE(row, 0);
  EXPECT_EQ(ControlDetailTexts(list, row), ShellDetailTexts(folder_.Path(), L"a.txt"));
}

// The colour a row's caption is drawn in, as the screen shows it: the one of
// blue, green and black that most of its pixels have (Wine draws text
// without smoothing, in the colour asked for).
COLORREF CaptionColour(TKivShellList& list, const std::wstring& caption) {
  TListItem* row = list.Items()[IndexOfCaption(list, caption)];
  const RECT label = row->DisplayRect(TDisplayCode::drLabel);
  HDC dc = GetDC(list.Handle());
  int counts[3] = {};
  const COLORREF colours[3] = {RGB(0, 0, 255), RGB(0, 128, 0), RGB(0, 0, 0)};
  for (int y = label.top; y < label.bottom; ++y)
    for (int x = label.left; x < label.right; ++x)
      for (int i = 0; i < 3; ++i) counts[i] += GetPixel(dc, x, y) == colours[i];
  ReleaseDC(list.Handle(), dc);
  return colours[std::max_element(counts, counts + 3) - counts];
}

TEST_F(ShellListWrappedFolder, CompressedAndEncryptedRowsAreMarkedWhenTheirColoursAreOn) {
  folder_.MakeFile(L"packed.txt");
  folder_.MakeFile(L"secret.txt");
  folder_.MakeFile(L"plain.txt");
  folder_.MakeFile(L"both.txt");
  auto adjust = [](WrappedShellFolder& folder) {
    folder.AddAttributes(L"packed.txt", SFGAO_COMPRESSED);
    folder.AddAttributes(L"secret.txt", SFGAO_ENCRYPTED);
    folder.AddAttributes(L"both.txt", SFGAO_COMPRESSED | SFGAO_ENCRYPTED);
  };
  auto marks = [&](TKivShellList& list, const wchar_t* name) {
    const TKivShellListItem* record = TKivShellList::RecordOf(
        list.Items()[IndexOfCaption(list, ShellDisplayName(folder_.Path(), name))]);
    return std::make_pair(record->Compressed, record->Encrypted);
  };
  TKivShellList& list = ListOnWrapped(adjust);
  list.SetColorCompressed(true);  // refills from the wrapped folder
  list.SetColorEncrypted(true);

  ShowAndDraw();

  EXPECT_EQ(marks(list, L"packed.txt"), std::make_pair(true, false));
  EXPECT_EQ(marks(list, L"secret.txt"), std::make_pair(false, true));
  EXPECT_EQ(marks(list, L"plain.txt"), std::make_pair(false, false));
  const auto colour = [&](const wchar_t* name) {
    return CaptionColour(list, ShellDisplayName(folder_.Path(), name));
  };
  EXPECT_EQ(colour(L"packed.txt"), RGB(0, 0, 255));
  EXPECT_EQ(colour(L"secret.txt"), RGB(0, 128, 0));
  EXPECT_EQ(colour(L"both.txt"), RGB(0, 128, 0));
  EXPECT_EQ(colour(L"plain.txt"), RGB(0, 0, 0));
  list.SetColorEncrypted(false);
  ShowAndDraw();
  EXPECT_EQ(colour(L"both.txt"), RGB(0, 0, 255));
  EXPECT_EQ(colour(L"secret.txt"), RGB(0, 0, 0));
}

TEST_F(ShellListWrappedFolder, ColouringOffLeavesCompressedAndEncryptedRowsUnmarked) {
  folder_.MakeFile(L"packed.txt");
  TKivShellList& list = ListOnWrapped([](WrappedShellFolder& folder) {
    folder.AddAttributes(L"packed.txt", SFGAO_COMPRESSED | SFGAO_ENCRYPTED);
  });

  ShowAndDraw();

  const TKivShellListItem* record = TKivShellList::RecordOf(list.Items()[0]);
  EXPECT_FALSE(record->Compressed);
  EXPECT_FALSE(record->Encrypted);
  EXPECT_EQ(CaptionColour(list, list.Items()[0]->Caption()), RGB(0, 0, 0));
}

// The width memory holds 256 columns; the last of them is remembered too.
TEST_F(ShellListWrappedFolder, TheLastOfTheMostColumnsKeepsTheWidthTheUserGaveIt) {
  folder_.MakeFile(L"a.txt");
  TKivShellList& list =
      ListOnWrapped([](WrappedShellFolder& folder) { folder.SetColumnCount(300); });
  ASSERT_EQ(list.Columns().Count(), 256);
  list.Columns()[255]->SetWidth(77);
  list.Columns()[254]->SetWidth(66);

  list.Populate();

  ASSERT_EQ(list.Columns().Count(), 256);
  EXPECT_EQ(list.Columns()[254]->Width(), 66);
  EXPECT_EQ(list.Columns()[255]->Width(), 77);
}

}  // namespace
}  // namespace wf::test
