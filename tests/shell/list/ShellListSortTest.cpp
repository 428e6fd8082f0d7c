// Sorting by a column, the direction a click toggles, and the header arrow
// that shows both.
#include <cstdint>
#include <set>
#include <tuple>

#include "framework/Handles.h"
#include "shell/core/ShellCompare.h"
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListSort = ShellListTest;

constexpr wchar_t kParentCaption[] = L" .. ";
constexpr COLORREF kArrowGrey = RGB(160, 160, 164);

enum class Arrow { kNone, kUp, kDown, kMalformed };

HWND Header(TKivShellList& list) {
  return ListView_GetHeader(list.Handle());
}

// The arrows are grey triangles: the up arrow is widest on its lowest grey
// row, the down arrow on its highest.
Arrow HeaderArrow(TKivShellList& list, int column) {
  HDITEMW item{};
  item.mask = HDI_FORMAT | HDI_BITMAP;
  SendMessageW(Header(list), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
  const int marks = item.fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
  if (marks == 0) return Arrow::kNone;
  if (marks != (HDF_BITMAP | HDF_BITMAP_ON_RIGHT) || !item.hbm) return Arrow::kMalformed;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, item.hbm);
  const bool wide_top = GetPixel(dc, 0, 1) == kArrowGrey;
  const bool wide_bottom = GetPixel(dc, 0, 4) == kArrowGrey;
  SelectObject(dc, old);
  DeleteDC(dc);
  if (wide_top == wide_bottom) return Arrow::kMalformed;
  return wide_top ? Arrow::kDown : Arrow::kUp;
}

// The arrow expected on `column` and none on the other columns.
std::vector<Arrow> OnlyOn(int column, Arrow arrow, int columns = 5) {
  std::vector<Arrow> arrows(columns, Arrow::kNone);
  arrows[column] = arrow;
  return arrows;
}

std::vector<Arrow> Arrows(TKivShellList& list) {
  std::vector<Arrow> arrows;
  for (int i = 0; i < list.Columns().Count(); ++i) arrows.push_back(HeaderArrow(list, i));
  return arrows;
}

// A press and release of the mouse on a header item, as the user makes it.
void ClickHeader(TKivShellList& list, int column) {
  RECT rect{};
  SendMessageW(Header(list), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rect));
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageW(Header(list), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(Header(list), WM_LBUTTONUP, 0, at);
}

std::vector<std::wstring> Reversed(std::vector<std::wstring> v) {
  std::reverse(v.begin(), v.end());
  return v;
}

class ShellListSortByName : public ShellListTest {
 protected:
  // A folder and three files made out of order; the shell puts folders first.
  std::vector<std::wstring> MakeObjects() {
    folder_.MakeFile(L"b.txt");
    folder_.MakeFolder(L"sub");
    folder_.MakeFile(L"c.txt");
    folder_.MakeFile(L"a.txt");
    std::vector<std::wstring> ascending;
    for (const wchar_t* name : {L"sub", L"a.txt", L"b.txt", L"c.txt"})
      ascending.push_back(ShellDisplayName(folder_.Path(), name));
    return ascending;
  }
};

TEST_F(ShellListSortByName, AClickOnTheSortedColumnTogglesItsDirectionAndArrow) {
  const std::vector<std::wstring> ascending = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());

  EXPECT_EQ(list.SortColumn(), 0);
  EXPECT_FALSE(list.SortDescending());
  EXPECT_EQ(Captions(list), ascending);
  EXPECT_EQ(Arrows(list), OnlyOn(0, Arrow::kUp));

  list.SortByColumn(0);
  EXPECT_TRUE(list.SortDescending());
  EXPECT_EQ(Captions(list), Reversed(ascending));
  EXPECT_EQ(Arrows(list), OnlyOn(0, Arrow::kDown));

  list.SortByColumn(0);
  EXPECT_FALSE(list.SortDescending());
  EXPECT_EQ(Captions(list), ascending);
  EXPECT_EQ(Arrows(list), OnlyOn(0, Arrow::kUp));
}

TEST_F(ShellListSortByName, AnotherColumnSortsAscendingAndTakesTheArrow) {
  const std::vector<std::wstring> ascending = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  list.SortByColumn(0);

  list.SortByColumn(1);

  EXPECT_EQ(list.SortColumn(), 1);
  EXPECT_FALSE(list.SortDescending());
  EXPECT_EQ(Arrows(list), OnlyOn(1, Arrow::kUp));
  // The files are all empty: by size they tie, and the name decides.
  EXPECT_EQ(Captions(list), ascending);
}

TEST_F(ShellListSortByName, AClickOnTheHeaderSortsAndRaisesTheColumnClick) {
  const std::vector<std::wstring> ascending = MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  ShowAndDraw();
  std::vector<int> clicked;
  list.OnColumnClick = [&](TObject*, TListColumn* column) {
    // The list has sorted by the time the application hears of the click.
    clicked.push_back(column->Index() * 10 + list.SortColumn());
  };

  ClickHeader(list, 2);
  EXPECT_EQ(Arrows(list), OnlyOn(2, Arrow::kUp));
  ClickHeader(list, 2);
  EXPECT_TRUE(list.SortDescending());
  EXPECT_EQ(Captions(list), Reversed(ascending));
  EXPECT_EQ(Arrows(list), OnlyOn(2, Arrow::kDown));
  ClickHeader(list, 0);

  list.OnColumnClick = nullptr;
  EXPECT_EQ(clicked, (std::vector<int>{22, 22, 0}));
  EXPECT_EQ(Arrows(list), OnlyOn(0, Arrow::kUp));
}

TEST_F(ShellListSortByName, TheArrowReturnsWhenTheHeaderOrTheListLosesTheMouse) {
  MakeObjects();
  TKivShellList& list = ListOn(folder_.Path());
  list.SortByColumn(3);
  auto wipe_arrow = [&] {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    item.fmt = HDF_STRING | HDF_RIGHT;
    SendMessageW(Header(list), HDM_SETITEMW, 3, reinterpret_cast<LPARAM>(&item));
  };

  wipe_arrow();
  ASSERT_EQ(HeaderArrow(list, 3), Arrow::kNone);
  SendMessageW(Header(list), WM_CAPTURECHANGED, 0, 0);
  EXPECT_EQ(Arrows(list), OnlyOn(3, Arrow::kUp));

  wipe_arrow();
  SendMessageW(list.Handle(), WM_CAPTURECHANGED, 0, 0);
  EXPECT_EQ(Arrows(list), OnlyOn(3, Arrow::kUp));

  wipe_arrow();
  list.SetViewStyle(TViewStyle::vsReport);
  EXPECT_EQ(Arrows(list), OnlyOn(3, Arrow::kUp));
}

TEST_F(ShellListSortByName, AHeaderMadeLaterOrAnewIsWatchedToo) {
  MakeObjects();
  TKivShellList& list = MakeList();
  list.SetViewStyle(TViewStyle::vsList);
  list.SetPath(folder_.Path());
  list.SortByColumn(1);

  list.SetViewStyle(TViewStyle::vsReport);
  ASSERT_NE(Header(list), nullptr);
  EXPECT_EQ(Arrows(list), OnlyOn(1, Arrow::kUp));

  for (int round = 0; round < 2; ++round) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    item.fmt = HDF_STRING | HDF_RIGHT;
    SendMessageW(Header(list), HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    SendMessageW(Header(list), WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(Arrows(list), OnlyOn(1, Arrow::kUp)) << round;
    list.RecreateWnd();
    EXPECT_EQ(Arrows(list), OnlyOn(1, Arrow::kUp)) << round;
  }
}

TEST_F(ShellListSortByName, TheSortOutlivesPopulationsAndFallsBackWhenItsColumnGoes) {
  MakeObjects();
  folder_.MakeFile(L"sub\\x.txt");
  folder_.MakeFile(L"sub\\y.txt");
  TKivShellList& list = ListOn(folder_.Path());
  list.SortByColumn(4);
  list.SortByColumn(4);

  list.SetPath(folder_ / L"sub");
  EXPECT_EQ(Captions(list),
            (std::vector<std::wstring>{ShellDisplayName(folder_ / L"sub", L"y.txt"),
                                       ShellDisplayName(folder_ / L"sub", L"x.txt")}));
  EXPECT_EQ(Arrows(list), OnlyOn(4, Arrow::kDown));

  list.SetDetails(false);
  EXPECT_EQ(list.SortColumn(), 0);
  EXPECT_TRUE(list.SortDescending());
  EXPECT_EQ(Arrows(list), OnlyOn(0, Arrow::kDown, 1));
}

TEST_F(ShellListSortByName, ACompareHandlerSeesEveryTextComparisonAndMayReverseIt) {
  const std::vector<std::wstring> ascending = MakeObjects();
  TKivShellList& list = MakeList();
  std::set<int> columns_seen;
  int disagreements = 0;
  list.OnCompare = [&](TObject* sender, TListItem* a, TListItem* b, int column, int& compare) {
    columns_seen.insert(column);
    // The list's own verdict arrives first.
    if (sender != &list || (column == 0 && compare != CompareText(a->Caption(), b->Caption())))
      ++disagreements;
    compare = -compare;
  };

  list.SetPath(folder_.Path());
  // By text, the folder has no precedence; the handler reverses the order.
  std::vector<std::wstring> by_text = ascending;
  std::sort(by_text.begin(), by_text.end(),
            [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; });
  EXPECT_EQ(Captions(list), Reversed(by_text));
  EXPECT_EQ(columns_seen, std::set<int>{0});
  EXPECT_EQ(disagreements, 0);

  columns_seen.clear();
  list.SortByColumn(2);
  EXPECT_EQ(columns_seen, std::set<int>{2});
}

// The sort reads the rows' texts where they are; a handler that replaces
// them meanwhile must leave it comparing live texts, and lose no row.
TEST_F(ShellListSortByName, ACompareHandlerMayReplaceRowTextsDuringTheSort) {
  MakeObjects();
  for (int i = 0; i < 30; ++i) folder_.MakeFile(L"g" + std::to_wstring(i) + L".txt");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  const std::vector<std::wstring> before = Captions(list);
  int replaced = 0;
  list.OnCompare = [&](TObject*, TListItem* a, TListItem*, int column, int&) {
    if (column != 1) return;
    std::vector<std::wstring> texts = a->SubItems();
    if (!texts.empty()) texts[0] = std::wstring(40, L'x') + std::to_wstring(++replaced);
    a->SetSubItems(std::move(texts));
  };
  list.SortByColumn(1);
  list.SortByColumn(1);
  list.OnCompare = nullptr;
  EXPECT_GT(replaced, 0);
  std::vector<std::wstring> after = Captions(list);
  EXPECT_EQ(after.front(), kParentCaption);
  std::vector<std::wstring> expected = before;
  std::sort(expected.begin(), expected.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, expected) << "every row once";
  for (int i = 0; i < list.Items().Count(); ++i) EXPECT_EQ(list.Items()[i]->Index(), i);
}

// A handler may drop itself: the sort under way keeps the handler it began
// with, and the next sort is a shell sort again.
TEST_F(ShellListSortByName, ACompareHandlerMayUnassignItselfDuringTheSort) {
  MakeObjects();
  for (int i = 0; i < 20; ++i) folder_.MakeFile(L"h" + std::to_wstring(i) + L".txt");
  TKivShellList& list = MakeList();
  list.SetPath(folder_.Path());
  const std::vector<std::wstring> shell_order = Captions(list);
  int calls = 0;
  list.OnCompare = [&](TObject*, TListItem*, TListItem*, int, int& compare) {
    ++calls;
    compare = -compare;
    list.OnCompare = nullptr;
  };
  list.SortByColumn(0);  // descending, each answer reversed: ascending by text
  EXPECT_GT(calls, 1);
  EXPECT_FALSE(list.OnCompare);
  std::vector<std::wstring> by_text = shell_order;
  std::sort(by_text.begin(), by_text.end(),
            [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; });
  EXPECT_EQ(Captions(list), by_text);
  list.SortByColumn(0);
  EXPECT_EQ(Captions(list), shell_order);
}

int CALLBACK ParentEntryLast(LPARAM a, LPARAM b, LPARAM) {
  const bool parent_a = reinterpret_cast<TListItem*>(a)->Caption() == kParentCaption;
  const bool parent_b = reinterpret_cast<TListItem*>(b)->Caption() == kParentCaption;
  return static_cast<int>(parent_a) - static_cast<int>(parent_b);
}

TEST_F(ShellListSortByName, TheParentEntryLeadsForEveryColumnAndDirection) {
  MakeObjects();
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  // Wherever a sort from outside has put it.
  SendMessageW(list.Handle(), LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&ParentEntryLast));
  ASSERT_EQ(list.Items()[list.Items().Count() - 1]->Caption(), kParentCaption);

  for (bool text_mode : {false, true}) {
    list.OnCompare = nullptr;
    if (text_mode) list.OnCompare = [](TObject*, TListItem*, TListItem*, int, int&) {};
    for (int column = 0; column < 5; ++column) {
      for (int click = 0; click < 2; ++click) {
        list.SortByColumn(column);
        EXPECT_EQ(list.Items()[0]->Caption(), kParentCaption)
            << "text " << text_mode << " column " << column << " descending "
            << list.SortDescending();
      }
    }
  }
}

void SetWriteTime(const std::wstring& path, WORD year) {
  UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  SYSTEMTIME time{};
  time.wYear = year;
  time.wMonth = 6;
  time.wDay = 1;
  FILETIME written{};
  ASSERT_TRUE(SystemTimeToFileTime(&time, &written));
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
}

// Wine's CompareIDs orders every column by name (a click on Size sorted by
// name): there the list orders the rows by the column's values itself.
TEST_F(ShellListSort, AShellColumnSortOrdersByTheColumnsValuesFoldersFirst) {
  folder_.MakeFolder(L"dir");
  // Name, size, year last written; the 32 bits of b.bin's size that Wine's
  // ids keep read 1.
  const std::tuple<const wchar_t*, uint64_t, WORD> files[] = {
      {L"a.bin", 3000, 2010}, {L"b.bin", (uint64_t{4} << 30) + 1, 2001},
      {L"c.bin", 10, 2005},   {L"d.bin", 10, 2020},
      {L"e.f10", 0, 2014},    {L"f.f9", 0, 2012}};
  for (const auto& [name, size, year] : files) SetWriteTime(folder_.MakeFile(name, size), year);
  TKivShellList& list = ListOn(folder_.Path());
  const auto column_titled = [&](const std::wstring& title) {
    for (int i = 0; i < list.Columns().Count(); ++i)
      if (list.Columns()[i]->Caption() == title) return i;
    return -1;
  };
  const auto in_order = [&](std::initializer_list<const wchar_t*> names) {
    std::vector<std::wstring> captions;
    for (const wchar_t* name : names) captions.push_back(ShellDisplayName(folder_.Path(), name));
    return captions;
  };
  const int size = column_titled(L"Size"), type = column_titled(L"Type"),
            modified = column_titled(L"Modified");
  ASSERT_TRUE(size > 0 && type > 0 && modified > 0);

  list.SortByColumn(size);
  const std::vector<std::wstring> by_size =
      in_order({L"dir", L"e.f10", L"f.f9", L"c.bin", L"d.bin", L"a.bin", L"b.bin"});
  EXPECT_EQ(Captions(list), by_size);
  list.SortByColumn(size);
  EXPECT_TRUE(list.SortDescending());
  EXPECT_EQ(Captions(list), Reversed(by_size));

  list.SortByColumn(modified);
  EXPECT_EQ(Captions(list),
            in_order({L"dir", L"b.bin", L"c.bin", L"a.bin", L"f.f9", L"e.f10", L"d.bin"}));

  // Only where the list orders the texts itself: "bin file" < "f9 file" <
  // "f10 file", in natural order, ties by name.
  if (CompareIgnoresColumn(list.Dirwalker().ShellFolder())) {
    list.SortByColumn(type);
    EXPECT_EQ(Captions(list),
              in_order({L"dir", L"a.bin", L"b.bin", L"c.bin", L"d.bin", L"f.f9", L"e.f10"}));
  }
}

TEST_F(ShellListSort, ATextSortByADetailColumnOrdersByItsTextsAndFetchesThem) {
  for (uint64_t size : {1536ull, 0ull, 1ull, 1024ull, 1023ull, 70000ull})
    folder_.MakeFile(L"f" + std::to_wstring(size) + L".bin", size);
  folder_.MakeFolder(L"dir");
  TKivShellList& list = MakeList();
  std::set<int> columns_seen;
  list.OnCompare = [&](TObject*, TListItem*, TListItem*, int column, int&) {
    columns_seen.insert(column);
  };
  list.SetPath(folder_.Path());

  list.SortByColumn(1);

  // No row has been drawn: the sort has fetched every row's texts itself.
  ASSERT_EQ(list.Items().Count(), 7);
  std::vector<std::wstring> sizes;
  for (int i = 0; i < 7; ++i) {
    ASSERT_EQ(list.Items()[i]->SubItems().size(), 4u) << i;
    sizes.push_back(list.Items()[i]->SubItems()[0]);
  }
  EXPECT_TRUE(std::is_sorted(
      sizes.begin(), sizes.end(),
      [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; }));
  EXPECT_EQ(sizes.front(), L"");  // the folder has no size
  EXPECT_EQ(columns_seen, (std::set<int>{0, 1}));
}

TEST_F(ShellListSort, ATextSortByTheBuiltInSizeColumnOrdersByKilobyteTexts) {
  folder_.MakeFile(L"a.bin", 1536);
  folder_.MakeFile(L"b.bin", 0);
  folder_.MakeFile(L"c.bin", 5ull << 30);
  folder_.MakeFile(L"d.bin", 1);
  TKivShellList& list = MakeList();
  list.OnCompare = [](TObject*, TListItem*, TListItem*, int, int&) {};
  list.SetPath(folder_.Path());
  // The built-in columns need a population without a new bind.
  list.Dirwalker().SetDetailsUnavailable();
  list.Populate();

  list.SortByColumn(1);

  // "0 KB", "1 KB", "2 KB", "5,242,880 KB"
  std::vector<std::wstring> expected;
  for (const wchar_t* name : {L"b.bin", L"d.bin", L"a.bin", L"c.bin"})
    expected.push_back(ShellDisplayName(folder_.Path(), name));
  EXPECT_EQ(Captions(list), expected);
  list.SortByColumn(1);
  EXPECT_EQ(Captions(list), Reversed(expected));
}

}  // namespace
}  // namespace wf::test

namespace wf::test {
namespace {

// A fill with nobody watching its rows sorts the ids before adding them; a
// fill with an add handler sorts in the control. Both must give one order.
TEST_F(ShellListSortByName, AFillGivesTheSameOrderWhetherOrNotAnAddHandlerWatches) {
  MakeObjects();
  for (int i = 0; i < 40; ++i) folder_.MakeFile(L"f" + std::to_wstring((i * 17) % 40) + L".txt");
  folder_.MakeFolder(L"zeta");
  TKivShellList& list = MakeList();
  list.SetShowParentFolder(true);
  list.SetPath(folder_.Path());
  for (const bool descending : {false, true}) {
    if (descending) list.SortByColumn(0);  // the direction the next fills keep
    ASSERT_EQ(list.SortDescending(), descending);
    list.OnAddItem = nullptr;
    list.Populate();
    const std::vector<std::wstring> sorted_first = Captions(list);
    ASSERT_EQ(sorted_first.size(), 46u);  // 45 objects and the parent entry
    EXPECT_EQ(sorted_first.front(), kParentCaption);

    list.OnAddItem = [](TListItem*, bool&) {};
    list.Populate();
    EXPECT_EQ(Captions(list), sorted_first);
    list.SortItems();
    EXPECT_EQ(Captions(list), sorted_first) << "sorting again changes nothing";
  }
}

}  // namespace
}  // namespace wf::test
