// A row's detail texts, image, overlay and ghosting: fetched once, when the
// row is first drawn or a text sort needs them, and true to the shell.
#include <windows.h>
#include <shellapi.h>

#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListRowDetails = ShellListTest;

constexpr uint64_t kFiveGiB = 5ull << 30;

// A folder object of its own, on the object `name` of `folder`.
std::unique_ptr<TDirwalker> WalkerOn(const std::wstring& folder, const std::wstring& name) {
  auto walker = std::make_unique<TDirwalker>(nullptr);
  walker->SetShowErrorMessages(false);
  walker->SetFolder(folder);
  walker->SetObjectName(name);
  return walker;
}

UINT OverlayState(TKivShellList& list, int row) {
  return static_cast<UINT>(SendMessageW(list.Handle(), LVM_GETITEMSTATE, row, LVIS_OVERLAYMASK));
}

std::wstring ShortDateAndTime(const std::wstring& file) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  FILETIME local{};
  SYSTEMTIME time{};
  GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data);
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &time);
  wchar_t date_text[80] = {};
  wchar_t time_text[80] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date_text, 80);
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, time_text, 80);
  return std::wstring(date_text) + L' ' + time_text;
}

TEST_F(ShellListRowDetails, OnlyDrawnRowsFetchTheirDetailsAndImages) {
  for (int i = 0; i < 300; ++i) folder_.MakeFile(L"f" + std::to_wstring(1000 + i) + L".txt");
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();

  ASSERT_EQ(list.Items().Count(), 300);
  const int page = list.VisibleRowCount();
  ASSERT_GT(page, 5);
  for (int i = 0; i < page; ++i) {
    EXPECT_EQ(list.Items()[i]->SubItems().size(), 4u) << i;
    EXPECT_GE(list.Items()[i]->ImageIndex(), 0) << i;
  }
  // A few rows past the page may be asked for; rows far below are not.
  for (int i = 100; i < 300; ++i) {
    EXPECT_TRUE(list.Items()[i]->SubItems().empty()) << i;
    EXPECT_LT(list.Items()[i]->ImageIndex(), 0) << i;
  }

  SendMessageW(list.Handle(), LVM_ENSUREVISIBLE, 299, FALSE);
  UpdateWindow(list.Handle());
  EXPECT_EQ(list.Items()[299]->SubItems().size(), 4u);
  EXPECT_GE(list.Items()[299]->ImageIndex(), 0);
}

TEST_F(ShellListRowDetails, DrawnRowsShowTheFolderObjectsTextsUnderEachHeader) {
  folder_.MakeFolder(L"dir");
  folder_.MakeFile(L"a.txt", 1536);
  folder_.MakeFile(L"big.bin", kFiveGiB);
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();

  for (const wchar_t* name : {L"dir", L"a.txt", L"big.bin"}) {
    const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
    ASSERT_GE(row, 0) << name;
    auto walker = WalkerOn(folder_.Path(), name);
    ASSERT_EQ(list.Items()[row]->SubItems().size(), 4u) << name;
    for (int column = 1; column < 5; ++column) {
      const std::wstring expected = walker->DetailText(column, false);
      EXPECT_EQ(list.Items()[row]->SubItems()[column - 1], expected) << name << " " << column;
      EXPECT_EQ(ControlSubItemText(list, row, column), expected) << name << " " << column;
    }
  }
  // The folder object and the list answer the same 5 GB size: the shell's
  // own column text (1,048,576 KB under Wine) is mended in both.
}

TEST_F(ShellListRowDetails, TheBuiltInColumnsShowKilobytesTypeAndChangeTime) {
  const std::vector<std::pair<uint64_t, std::wstring>> sizes{
      {0, L"0 KB"},    {1, L"1 KB"},    {1023, L"1 KB"},
      {1024, L"1 KB"}, {1536, L"2 KB"}, {kFiveGiB, L"5,242,880 KB"}};
  for (const auto& [size, text] : sizes)
    folder_.MakeFile(L"s" + std::to_wstring(size) + L".txt", size);
  folder_.MakeFolder(L"dir");
  TKivShellList& list = ListOn(folder_.Path());
  // The built-in columns need a population without a new bind.
  list.Dirwalker().SetDetailsUnavailable();
  list.Populate();
  ShowAndDraw();

  SHFILEINFOW type{};
  SHGetFileInfoW((folder_ / L"s0.txt").c_str(), 0, &type, sizeof(type), SHGFI_TYPENAME);
  for (const auto& [size, text] : sizes) {
    const std::wstring name = L"s" + std::to_wstring(size) + L".txt";
    const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
    ASSERT_GE(row, 0) << name;
    const std::vector<std::wstring> expected{text, type.szTypeName,
                                             ShortDateAndTime(folder_ / name)};
    EXPECT_EQ(list.Items()[row]->SubItems(), expected) << name;
  }
  const int dir = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"dir"));
  ASSERT_GE(dir, 0);
  ASSERT_EQ(list.Items()[dir]->SubItems().size(), 3u);
  EXPECT_EQ(list.Items()[dir]->SubItems()[0], L"");
}

class ShellListRowStates : public ShellListTest {
 protected:
  void SetUp() override {
    folder_.MakeFile(L"plain.txt");
    folder_.MakeHiddenFile(L"hidden.txt");
    folder_.MakeLink(L"link.lnk", folder_ / L"plain.txt");
  }
  int Row(TKivShellList& list, const wchar_t* name) {
    return IndexOfCaption(list, ShellDisplayName(folder_.Path(), name));
  }
  // Hidden rows ghosted, links with the link overlay (Wine has no overlay
  // handlers, so the overlay comes from the link attribute).
  void ExpectStates(TKivShellList& list) {
    const int plain = Row(list, L"plain.txt");
    const int hidden = Row(list, L"hidden.txt");
    const int link = Row(list, L"link.lnk");
    ASSERT_GE(plain, 0);
    ASSERT_GE(hidden, 0);
    ASSERT_GE(link, 0);
    EXPECT_TRUE(list.Items()[hidden]->Cut());
    EXPECT_FALSE(list.Items()[plain]->Cut());
    EXPECT_FALSE(list.Items()[link]->Cut());
    EXPECT_EQ(list.Items()[link]->OverlayIndex(), 1);
    EXPECT_EQ(OverlayState(list, link), static_cast<UINT>(INDEXTOOVERLAYMASK(2)));
    EXPECT_EQ(OverlayState(list, plain), 0u);
    EXPECT_EQ(OverlayState(list, hidden), 0u);
  }
};

TEST_F(ShellListRowStates, HiddenRowsAreGhostedAndLinksMarkedOnceDrawn) {
  TKivShellList& list = MakeList();
  list.SetShowHidden(true);
  list.SetPath(folder_.Path());
  ASSERT_EQ(list.Items().Count(), 3);
  EXPECT_FALSE(list.Items()[Row(list, L"hidden.txt")]->Cut());

  ShowAndDraw();

  ExpectStates(list);
}

TEST_F(ShellListRowStates, RowsWhoseTextsATextSortFetchedGetTheirOwnStatesWhenDrawn) {
  TKivShellList& list = MakeList();
  list.SetShowHidden(true);
  list.OnCompare = [](TObject*, TListItem*, TListItem*, int, int&) {};
  list.SetPath(folder_.Path());

  // The sort fetches the rows' detail texts while the rows move; their icons
  // and states wait for the drawing, as the icon is the dear question.
  list.SortByColumn(2);
  for (int i = 0; i < list.Items().Count(); ++i) {
    EXPECT_EQ(list.Items()[i]->SubItems().size(), 4u);
    EXPECT_LT(list.Items()[i]->ImageIndex(), 0);
  }
  ShowAndDraw();

  ExpectStates(list);
}

TEST_F(ShellListRowDetails, TheImageRequestUpdatesTheRowBeforeRaisingOnGetImageIndex) {
  folder_.MakeFile(L"a.txt");
  folder_.MakeFile(L"b.bin");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  std::vector<std::pair<TListItem*, int>> raised;
  list.OnGetImageIndex = [&](TObject*, TListItem* item) {
    raised.emplace_back(item, item->ImageIndex());
  };

  const int row = IndexOfCaption(list, ShellDisplayName(folder_.Path(), L"b.bin"));
  ASSERT_GE(row, 0);
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageW(list.Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));

  const int icon = WalkerOn(folder_.Path(), L"b.bin")->SmallIconIndex();
  ASSERT_GE(icon, 0);
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0], std::make_pair(list.Items()[row], icon));
  EXPECT_EQ(item.iImage, icon);
  EXPECT_EQ(list.Items()[row]->SubItems().size(), 4u);

  // The parent entry shows a folder icon and has no details of its own.
  item.iItem = 0;
  SendMessageW(list.Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.iImage, list.SmallSystemImages().TempFolderIconIndex());
  EXPECT_TRUE(list.Items()[0]->SubItems().empty());
  EXPECT_EQ(raised.size(), 2u);
}

}  // namespace
}  // namespace wf::test
