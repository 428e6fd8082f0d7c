#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "framework/Form.h"
#include "framework/Graphics.h"
#include "framework/ListView.h"
#include "framework/Strings.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/SentMessages.h"

namespace wf {
namespace {

// Exposes the hooks that the shell list overrides.
class ProbeList : public TCustomListView {
 public:
  using TCustomListView::TCustomListView;
  std::vector<TListItem*> image_requests;
  std::map<TListItem*, int> resolves;
  std::function<std::wstring(TListItem*)> resolve = [](TListItem*) { return L"late"; };
  // What the control's notices name: each row's place and the lParam it
  // carries, for changes and for the drawing of each row.
  struct Named {
    int place;
    LPARAM param;
  };
  std::vector<Named> changes_named, drawings_named;

 protected:
  bool OnNotify(NMHDR* header, LRESULT& result) override {
    if (header->code == LVN_ITEMCHANGED) {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      changes_named.push_back({nm->iItem, nm->lParam});
    } else if (header->code == NM_CUSTOMDRAW) {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
        return true;
      }
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
        drawings_named.push_back({static_cast<int>(draw->nmcd.dwItemSpec), draw->nmcd.lItemlParam});
    }
    return TCustomListView::OnNotify(header, result);
  }
  void GetImageIndex(TListItem* item) override {
    image_requests.push_back(item);
    item->SetImageIndex(0);
  }
  std::wstring ResolveCaption(TListItem* item) override {
    ++resolves[item];
    return resolve(item);
  }
};

std::wstring TextOf(HWND list, int row, int column = 0) {
  wchar_t buffer[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

LPARAM ParamOf(HWND list, int row) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}

int HeaderCount(HWND list) {
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

std::wstring ColumnCaption(HWND list, int index) {
  wchar_t buffer[64] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = buffer;
  column.cchTextMax = 64;
  SendMessageW(list, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
  return buffer;
}

class ListView : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetClientWidth(300);
    form->SetClientHeight(200);
    list = new ProbeList(form.get());
    list->SetParent(form.get());
    list->SetAlign(TAlign::alClient);
    list->SetViewStyle(TViewStyle::vsReport);
    list->Columns().Add()->SetCaption(L"Name");
    list->Columns()[0]->SetWidth(150);
    list->OnDeletion = [this](TObject* sender, TListItem* item) {
      EXPECT_EQ(sender, list);
      ++deletions[item];
    };
  }
  TListItem* AddRow(const std::wstring& caption) {
    TListItem* item = list->Items().Add();
    item->SetCaption(caption);
    return item;
  }
  void ExpectEachDeletedOnce(const std::vector<TListItem*>& items) {
    for (TListItem* item : items) EXPECT_EQ(deletions[item], 1);
    EXPECT_EQ(deletions.size(), items.size());
  }
  // Declared first, so that it outlives the form: the rows still there at
  // the end are counted as the form frees the list.
  std::map<TListItem*, int> deletions;
  std::unique_ptr<TForm> form;
  ProbeList* list = nullptr;  // owned by the form
};

TEST_F(ListView, RowsCarryTheirItems) {
  TListItem* a = AddRow(L"alpha");
  TListItem* b = AddRow(L"\u03A9mega");
  b->SetSubItems({L"12 KB", L"Text Document"});
  const HWND hwnd = list->Handle();
  ASSERT_EQ(list->Items().Count(), 2);
  EXPECT_EQ(list->Items()[0], a);
  EXPECT_EQ(list->Items()[1], b);
  EXPECT_EQ(ParamOf(hwnd, 1), reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(a->Index(), 0);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(a->Owner(), list);
  EXPECT_EQ(TextOf(hwnd, 1), L"\u03A9mega");
  EXPECT_EQ(TextOf(hwnd, 1, 2), L"Text Document");
  b->SetCaption(L"beta");
  EXPECT_EQ(TextOf(hwnd, 1), L"beta");
  EXPECT_EQ(list->Items()[5], nullptr);
}

TEST_F(ListView, DeleteAndClearGiveOneNoticePerRow) {
  std::vector<TListItem*> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(AddRow(L"row " + std::to_wstring(i)));
  list->Items().Delete(1);
  EXPECT_EQ(deletions.size(), 1u);
  EXPECT_EQ(deletions[rows[1]], 1);
  rows[3]->Delete();
  EXPECT_EQ(deletions[rows[3]], 1);
  EXPECT_EQ(list->Items().Count(), 3);
  EXPECT_EQ(list->Items()[2], rows[4]);
  list->Items().Clear();
  EXPECT_EQ(list->Items().Count(), 0);
  ExpectEachDeletedOnce(rows);
}

TEST_F(ListView, FreeingTheListGivesOneNoticePerRow) {
  std::vector<TListItem*> rows;
  for (int i = 0; i < 4; ++i) rows.push_back(AddRow(L"row"));
  auto counts = std::make_shared<std::map<TListItem*, int>>();
  list->OnDeletion = [counts](TObject*, TListItem* item) { ++(*counts)[item]; };
  delete list;
  list = nullptr;
  ASSERT_EQ(counts->size(), rows.size());
  for (TListItem* row : rows) EXPECT_EQ((*counts)[row], 1);
}

TEST_F(ListView, FreeingTheFormThatOwnsTheListGivesOneNoticePerRow) {
  std::vector<TListItem*> rows;
  for (int i = 0; i < 4; ++i) rows.push_back(AddRow(L"row"));
  auto counts = std::make_shared<std::map<TListItem*, int>>();
  list->OnDeletion = [counts](TObject*, TListItem* item) { ++(*counts)[item]; };
  form.reset();
  ASSERT_EQ(counts->size(), rows.size());
  for (TListItem* row : rows) EXPECT_EQ((*counts)[row], 1);
}

TEST_F(ListView, PendingCaptionIsFetchedWhenFirstReadAndOnlyOnce) {
  TListItem* item = list->Items().Add();
  item->SetCaptionPending();
  list->resolve = [](TListItem*) { return L"\u65E5\u672C.txt"; };
  EXPECT_FALSE(item->CaptionKnown());
  EXPECT_EQ(list->Items().Count(), 1);
  EXPECT_EQ(item->Index(), 0);
  item->SetSelected(true);
  EXPECT_TRUE(list->resolves.empty());

  EXPECT_EQ(TextOf(list->Handle(), 0), L"\u65E5\u672C.txt");
  EXPECT_EQ(TextOf(list->Handle(), 0), L"\u65E5\u672C.txt");
  EXPECT_EQ(item->Caption(), L"\u65E5\u672C.txt");
  EXPECT_EQ(list->resolves[item], 1);
}

TEST_F(ListView, ImagesAndCaptionsAreAskedForOnlyForDrawnRows) {
  std::vector<TListItem*> rows;
  list->Items().BeginUpdate();
  for (int i = 0; i < 200; ++i) {
    TListItem* item = list->Items().Add();
    item->SetCaptionPending();
    rows.push_back(item);
  }
  list->Items().EndUpdate();
  EXPECT_TRUE(list->image_requests.empty());  // nothing is drawn while hidden
  EXPECT_TRUE(list->resolves.empty());

  form->Show();
  UpdateWindow(form->Handle());
  UpdateWindow(list->Handle());
  const std::set<TListItem*> asked(list->image_requests.begin(), list->image_requests.end());
  EXPECT_TRUE(asked.count(rows[0]));
  EXPECT_TRUE(list->resolves.count(rows[0]));
  EXPECT_FALSE(asked.count(rows[199]));
  EXPECT_FALSE(list->resolves.count(rows[199]));
  EXPECT_LT(asked.size(), 50u);
  for (const auto& [item, count] : list->resolves) EXPECT_EQ(count, 1);

  // Scrolling to the end draws, and so asks for, the last row.
  rows[199]->MakeVisible(false);
  UpdateWindow(list->Handle());
  EXPECT_TRUE(list->resolves.count(rows[199]));
  EXPECT_NE(std::find(list->image_requests.begin(), list->image_requests.end(), rows[199]),
            list->image_requests.end());
}

TEST_F(ListView, CustomSortOrdersTheRows) {
  for (const wchar_t* name : {L"pear", L"apple", L"Fig", L"banana"}) AddRow(name);
  ASSERT_TRUE(list->CustomSort(
      [](TListItem* a, TListItem* b) { return CompareText(a->Caption(), b->Caption()); }));
  std::vector<std::wstring> order;
  for (int i = 0; i < list->Items().Count(); ++i) {
    EXPECT_EQ(list->Items()[i]->Index(), i);
    order.push_back(list->Items()[i]->Caption());
  }
  EXPECT_EQ(order, (std::vector<std::wstring>{L"apple", L"banana", L"Fig", L"pear"}));
  EXPECT_EQ(TextOf(list->Handle(), 0), L"apple");
  list->CustomSort(
      [](TListItem* a, TListItem* b) { return CompareText(b->Caption(), a->Caption()); });
  EXPECT_EQ(list->Items()[0]->Caption(), L"pear");
}

UINT StateAt(HWND list, int row, UINT mask) {
  return static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, mask));
}

std::vector<std::wstring> Captions(TCustomListView& list) {
  std::vector<std::wstring> captions;
  for (int i = 0; i < list.Items().Count(); ++i) captions.push_back(list.Items()[i]->Caption());
  return captions;
}

int CompareCaptions(TListItem* a, TListItem* b) {
  return CompareText(a->Caption(), b->Caption());
}

// The list orders its rows itself; what the control keeps by place (selection,
// focus, the selection mark) and what it keeps per row (cut, overlay, state
// image, sub-item texts) must end up with the same rows as before.
TEST_F(ListView, ASortCarriesEveryRowsStatesAndTextsToItsNewPlace) {
  list->SetMultiSelect(true);
  list->Columns().Add()->SetCaption(L"Size");
  TListItem* d = AddRow(L"d");
  TListItem* b = AddRow(L"b");
  TListItem* a = AddRow(L"a");
  TListItem* c = AddRow(L"c");
  a->SetSelected(true);
  b->SetSelected(true);
  c->SetFocused(true);
  d->SetCut(true);
  a->SetOverlayIndex(1);
  b->SetStateIndex(0);
  a->SetSubItems({L"A size"});
  d->SetSubItems({L"D size"});
  const HWND hwnd = list->Handle();
  SendMessageW(hwnd, LVM_SETSELECTIONMARK, 0, b->Index());
  int changes = 0;
  list->OnChange = [&](TObject*, TListItem*, TItemChange) { ++changes; };
  list->OnSelectItem = [&](TObject*, TListItem*) { ++changes; };

  ASSERT_TRUE(list->CustomSort(CompareCaptions));
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(changes, 0) << "rows that only moved report no change";
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->Items()[i]->Index(), i);
    EXPECT_EQ(ParamOf(hwnd, i), reinterpret_cast<LPARAM>(list->Items()[i]));
  }
  EXPECT_TRUE(a->Selected());
  EXPECT_TRUE(b->Selected());
  EXPECT_FALSE(c->Selected());
  EXPECT_FALSE(d->Selected());
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_EQ(list->ItemFocused(), c);
  EXPECT_EQ(SendMessageW(hwnd, LVM_GETSELECTIONMARK, 0, 0), b->Index());
  EXPECT_TRUE(d->Cut());
  EXPECT_FALSE(a->Cut());
  EXPECT_EQ(StateAt(hwnd, 0, LVIS_OVERLAYMASK), static_cast<UINT>(INDEXTOOVERLAYMASK(2)));
  EXPECT_EQ(StateAt(hwnd, 3, LVIS_OVERLAYMASK), 0u);
  EXPECT_EQ(StateAt(hwnd, 1, LVIS_STATEIMAGEMASK), static_cast<UINT>(INDEXTOSTATEIMAGEMASK(1)));
  EXPECT_EQ(StateAt(hwnd, 3, LVIS_STATEIMAGEMASK), 0u);
  EXPECT_EQ(TextOf(hwnd, 0, 1), L"A size");
  EXPECT_EQ(TextOf(hwnd, 1, 1), L"");
  EXPECT_EQ(TextOf(hwnd, 3, 1), L"D size");

  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = reinterpret_cast<LPARAM>(d);
  EXPECT_EQ(
      SendMessageW(hwnd, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)),
      3);
  find.flags = LVFI_STRING;
  find.psz = L"c";
  EXPECT_EQ(
      SendMessageW(hwnd, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)),
      2);

  // Deleting after the sort frees the row in that place, and the rest close up.
  list->Items().Delete(1);
  EXPECT_EQ(deletions.size(), 1u);
  EXPECT_EQ(deletions[b], 1);
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"a", L"c", L"d"}));
  EXPECT_EQ(d->Index(), 2);
  EXPECT_TRUE(d->Cut());
  EXPECT_EQ(list->ItemFocused(), c);

  // And back: the reverse order carries them again.
  changes = 0;  // the deletion moved the focus and the selection for real
  ASSERT_TRUE(list->CustomSort([](TListItem* x, TListItem* y) { return CompareCaptions(y, x); }));
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"d", L"c", L"a"}));
  EXPECT_TRUE(a->Selected());
  EXPECT_FALSE(d->Selected());
  EXPECT_TRUE(d->Cut());
  EXPECT_FALSE(a->Cut());
  EXPECT_EQ(StateAt(hwnd, 2, LVIS_OVERLAYMASK), static_cast<UINT>(INDEXTOOVERLAYMASK(2)));
  EXPECT_EQ(StateAt(hwnd, 0, LVIS_OVERLAYMASK), 0u);
  EXPECT_EQ(TextOf(hwnd, 0, 1), L"D size");
  EXPECT_EQ(changes, 0);
  list->OnChange = nullptr;
  list->OnSelectItem = nullptr;
}

// Rows deleted between sorts leave no trace in the next one, however many go.
TEST_F(ListView, SortsAfterManyDeletionsKeepEveryRowAndPlace) {
  std::vector<TListItem*> rows;
  for (int i = 0; i < 40; ++i) rows.push_back(AddRow(std::to_wstring(1000 + (i * 7) % 40)));
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 9; ++k) list->Items().Delete((k * 5 + round) % list->Items().Count());
    ASSERT_TRUE(list->CustomSort(
        round % 2 ? [](TListItem* x, TListItem* y) { return CompareCaptions(y, x); }
                  : std::function<int(TListItem*, TListItem*)>(CompareCaptions)));
    const std::vector<std::wstring> captions = Captions(*list);
    std::vector<std::wstring> sorted = captions;
    std::sort(sorted.begin(), sorted.end());
    if (round % 2) std::reverse(sorted.begin(), sorted.end());
    EXPECT_EQ(captions, sorted) << "round " << round;
    for (int i = 0; i < list->Items().Count(); ++i) {
      EXPECT_EQ(list->Items()[i]->Index(), i);
      EXPECT_EQ(TextOf(list->Handle(), i), captions[static_cast<size_t>(i)]);
    }
  }
  EXPECT_EQ(list->Items().Count(), 40 - 27);
  EXPECT_EQ(deletions.size(), 27u);
}

TEST_F(ListView, AComparisonThatThrowsLeavesTheRowsAsTheyWere) {
  for (const wchar_t* name : {L"pear", L"apple", L"Fig", L"banana", L"kiwi", L"lime", L"date",
                              L"plum", L"yuzu", L"cherry", L"grape"})
    AddRow(name);
  const std::vector<std::wstring> before = Captions(*list);
  int calls = 0;
  EXPECT_THROW(list->CustomSort([&](TListItem* a, TListItem* b) {
    if (++calls == 12) throw std::runtime_error("no answer");
    return CompareCaptions(a, b);
  }),
               std::runtime_error);
  EXPECT_EQ(Captions(*list), before);
  for (int i = 0; i < list->Items().Count(); ++i) EXPECT_EQ(list->Items()[i]->Index(), i);
  EXPECT_TRUE(deletions.empty());
}

int CALLBACK ByCaptionOfParam(LPARAM a, LPARAM b, LPARAM direction) {
  return CompareCaptions(reinterpret_cast<TListItem*>(a), reinterpret_cast<TListItem*>(b)) *
         static_cast<int>(direction);
}

// Others may send the control its own messages: they see the rows' items.
TEST_F(ListView, SortAndInsertMessagesSentToTheControlKeepItsRowsAndItems) {
  TListItem* b = AddRow(L"b");
  TListItem* c = AddRow(L"c");
  TListItem* a = AddRow(L"a");
  const HWND hwnd = list->Handle();
  EXPECT_TRUE(SendMessageW(hwnd, LVM_SORTITEMS, 1, reinterpret_cast<LPARAM>(&ByCaptionOfParam)));
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_EQ(TextOf(hwnd, 0), L"a");
  EXPECT_TRUE(SendMessageW(hwnd, LVM_SORTITEMS, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(&ByCaptionOfParam)));
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"c", L"b", L"a"}));

  // The extended sort passes the rows' places before the sort.
  std::vector<std::wstring> at_start = Captions(*list);
  struct Context {
    std::vector<std::wstring>* captions;
  } context{&at_start};
  EXPECT_TRUE(SendMessageW(hwnd, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(&context),
                           reinterpret_cast<LPARAM>(+[](LPARAM x, LPARAM y, LPARAM param) -> int {
                             auto& captions = *reinterpret_cast<Context*>(param)->captions;
                             return CompareText(captions.at(static_cast<size_t>(x)),
                                                captions.at(static_cast<size_t>(y)));
                           })));
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_EQ(ParamOf(hwnd, 2), reinterpret_cast<LPARAM>(c));

  LVITEMW row{};
  row.mask = LVIF_TEXT;
  row.iItem = 0;
  row.pszText = const_cast<wchar_t*>(L"stranger");
  EXPECT_EQ(SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)), -1)
      << "a row without an item is refused";
  EXPECT_EQ(SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(list->Items()[0], a);
  EXPECT_EQ(list->Items()[1], b);
}

// Rows move in our vector when sorted while the control keeps its places:
// whatever a notice names must be the row at that place now, never the row
// that stood there before the sort, nor one deleted since.
TEST_F(ListView, NoticesNameTheRowNowAtTheirPlaceAfterSortsAndDeletes) {
  list->SetMultiSelect(true);
  for (const wchar_t* name : {L"c", L"a", L"b", L"d", L"e"}) AddRow(name);
  ASSERT_TRUE(list->CustomSort(CompareCaptions));
  list->Items().Delete(1);  // "b"
  list->CustomSort([](TListItem* x, TListItem* y) { return CompareCaptions(y, x); });
  ASSERT_EQ(Captions(*list), (std::vector<std::wstring>{L"e", L"d", L"c", L"a"}));
  const HWND hwnd = list->Handle();

  list->changes_named.clear();
  for (int i = 0; i < list->Items().Count(); ++i) list->Items()[i]->SetSelected(true);
  ASSERT_FALSE(list->changes_named.empty());
  for (const auto& named : list->changes_named)
    EXPECT_EQ(named.param, reinterpret_cast<LPARAM>(list->Items()[named.place]))
        << "place " << named.place;

  list->drawings_named.clear();
  form->Show();
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_FALSE(list->drawings_named.empty());
  for (const auto& named : list->drawings_named)
    EXPECT_EQ(named.param, reinterpret_cast<LPARAM>(list->Items()[named.place]))
        << "place " << named.place;

  for (int i = 0; i < list->Items().Count(); ++i)
    EXPECT_EQ(ParamOf(hwnd, i), reinterpret_cast<LPARAM>(list->Items()[i]));
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = reinterpret_cast<LPARAM>(list->Items()[2]);
  EXPECT_EQ(
      SendMessageW(hwnd, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)),
      2);
}

// The control deletes its row whatever our handler does; the rows we keep
// must follow it, and the handler's error is shown once.
TEST_F(ListView, ADeletionHandlerThatThrowsLeavesRowsAndControlInStep) {
  std::vector<TListItem*> rows;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) rows.push_back(AddRow(name));
  list->OnDeletion = [&](TObject*, TListItem* item) {
    ++deletions[item];
    if (item == rows[1]) throw Exception(L"Cannot let \u00DF go");
  };
  test::ErrorDisplayCapture errors;
  list->Items().Delete(1);
  EXPECT_EQ(errors.messages.size(), 1u);
  const HWND hwnd = list->Handle();
  ASSERT_EQ(list->Items().Count(), static_cast<int>(SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(Captions(*list), (std::vector<std::wstring>{L"a", L"c", L"d"}));
  for (int i = 0; i < list->Items().Count(); ++i) {
    EXPECT_EQ(list->Items()[i]->Index(), i);
    EXPECT_EQ(TextOf(hwnd, i), list->Items()[i]->Caption());
  }
  list->Items().Clear();
  ExpectEachDeletedOnce(rows);
}

// The control's text buffer may end in the middle of a character made of
// two UTF-16 units: the text is cut before it, not through it.
TEST_F(ListView, TextCutToTheControlsBufferKeepsWholeCharacters) {
  AddRow(L"ab\U0001F600z");
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  LVITEMW item{};
  item.pszText = buffer;
  item.cchTextMax = 4;  // room for "ab" and the first half of the emoji
  SendMessageW(list->Handle(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(item.pszText), L"ab");
  item.pszText = buffer;
  item.cchTextMax = 5;
  SendMessageW(list->Handle(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(item.pszText), L"ab\U0001F600");
}

TEST_F(ListView, SelectionFocusAndCutStatesRoundTrip) {
  list->SetMultiSelect(true);
  TListItem* a = AddRow(L"a");
  TListItem* b = AddRow(L"b");
  TListItem* c = AddRow(L"c");
  std::vector<TListItem*> selected_events;
  list->OnSelectItem = [&](TObject*, TListItem* item) { selected_events.push_back(item); };

  EXPECT_EQ(list->Selected(), nullptr);
  b->SetSelected(true);
  EXPECT_TRUE(b->Selected());
  EXPECT_FALSE(a->Selected());
  EXPECT_EQ(list->Selected(), b);
  c->SetSelected(true);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_EQ(selected_events, (std::vector<TListItem*>{b, c}));
  list->ClearSelection();
  EXPECT_EQ(list->SelCount(), 0);
  // Drawing is held while every row is selected, the rows' events are not.
  selected_events.clear();
  list->SelectAll();
  EXPECT_EQ(list->SelCount(), 3);
  EXPECT_EQ(selected_events, (std::vector<TListItem*>{a, b, c}));

  c->SetFocused(true);
  EXPECT_TRUE(c->Focused());
  EXPECT_EQ(list->ItemFocused(), c);
  a->SetFocused(true);
  EXPECT_FALSE(c->Focused());
  EXPECT_EQ(list->ItemFocused(), a);

  b->SetCut(true);
  EXPECT_TRUE(b->Cut());
  EXPECT_FALSE(a->Cut());
  EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETITEMSTATE, 1, LVIS_CUT), LVIS_CUT);
  b->SetCut(false);
  EXPECT_FALSE(b->Cut());
}

TEST_F(ListView, ChangeEventsNameWhatChanged) {
  TListItem* a = AddRow(L"a");
  std::vector<TItemChange> changes;
  list->OnChange = [&](TObject*, TListItem* item, TItemChange change) {
    EXPECT_EQ(item, a);
    changes.push_back(change);
  };
  a->SetSelected(true);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), TItemChange::ctState);
}

TEST_F(ListView, ColumnsAddDeleteAndWidth) {
  const HWND hwnd = list->Handle();
  EXPECT_EQ(HeaderCount(hwnd), 1);
  TListColumn* size = list->Columns().Add();
  size->SetCaption(L"Size");
  size->SetWidth(80);
  size->SetAlignment(TAlignment::taRightJustify);
  TListColumn* type = list->Columns().Add();
  type->SetCaption(L"Type");
  EXPECT_EQ(HeaderCount(hwnd), 3);
  EXPECT_EQ(size->Width(), 80);
  EXPECT_EQ(ColumnCaption(hwnd, 2), L"Type");
  EXPECT_EQ(list->Columns()[0]->Width(), 150);

  list->Columns().Delete(1);
  EXPECT_EQ(list->Columns().Count(), 2);
  EXPECT_EQ(HeaderCount(hwnd), 2);
  EXPECT_EQ(type->Index(), 1);
  EXPECT_EQ(ColumnCaption(hwnd, 1), L"Type");
  type->SetWidth(120);
  EXPECT_EQ(SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, 1, 0), 120);
  list->Columns().Clear();
  EXPECT_EQ(HeaderCount(hwnd), 0);
}

// The control holds no rows: selecting or clearing them all is one change of
// the list (no row named), and only a selection handler hears of each row
// whose selection changed.
TEST_F(ListView, SelectingAllIsOneChangeAndNamesOnlyTheRowsThatChanged) {
  list->SetMultiSelect(true);
  std::vector<TListItem*> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(AddRow(L"row " + std::to_wstring(i)));
  rows[1]->SetSelected(true);
  std::vector<TListItem*> changed, selected;
  list->OnChange = [&](TObject*, TListItem* item, TItemChange) { changed.push_back(item); };
  list->SelectAll();
  EXPECT_EQ(list->SelCount(), 5);
  EXPECT_EQ(changed, std::vector<TListItem*>{nullptr});

  list->OnSelectItem = [&](TObject*, TListItem* item) { selected.push_back(item); };
  rows[0]->SetSelected(false);
  rows[3]->SetSelected(false);
  selected.clear();
  list->SelectAll();
  EXPECT_EQ(selected, (std::vector<TListItem*>{rows[0], rows[3]}));
  rows[2]->SetSelected(false);
  selected.clear();
  changed.clear();
  list->ClearSelection();
  EXPECT_EQ(list->SelCount(), 0);
  EXPECT_EQ(selected, (std::vector<TListItem*>{rows[0], rows[1], rows[3], rows[4]}));
  EXPECT_EQ(changed, std::vector<TListItem*>{nullptr});
  list->OnChange = nullptr;
  list->OnSelectItem = nullptr;
}

LPARAM PointOf(const RECT& rect) {
  return MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
}

// A shift-click selects a range, which the control reports as one notice
// for the range: the handlers still hear of the change and of each row.
TEST_F(ListView, AShiftClickedRangeReachesTheChangeAndSelectionHandlers) {
  list->SetMultiSelect(true);
  std::vector<TListItem*> rows;
  for (int i = 0; i < 6; ++i) rows.push_back(AddRow(L"row " + std::to_wstring(i)));
  form->Show();
  const HWND hwnd = list->Handle();
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON,
               PointOf(rows[1]->DisplayRect(TDisplayCode::drLabel)));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, PointOf(rows[1]->DisplayRect(TDisplayCode::drLabel)));
  ASSERT_EQ(list->Selected(), rows[1]);
  int changes = 0;
  std::set<TListItem*> selected;
  list->OnChange = [&](TObject*, TListItem*, TItemChange) { ++changes; };
  list->OnSelectItem = [&](TObject*, TListItem* item) { selected.insert(item); };
  const LPARAM end = PointOf(rows[4]->DisplayRect(TDisplayCode::drLabel));
  // The control reads the shift key from the keyboard's state.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, end);
  SendMessageW(hwnd, WM_LBUTTONUP, MK_SHIFT, end);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(list->SelCount(), 4);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(rows[i]->Selected()) << i;
  EXPECT_GT(changes, 0);
  EXPECT_TRUE(selected.count(rows[2]) && selected.count(rows[3]) && selected.count(rows[4]));
  EXPECT_FALSE(selected.count(rows[0]) || selected.count(rows[5]));
  list->OnChange = nullptr;
  list->OnSelectItem = nullptr;
}

// Many rows go in one pass: each deletion handler finds its row in its
// place, and the selection, focus and mark stay with the rows that remain.
TEST_F(ListView, DeletingManyRowsKeepsTheSelectionWithTheRemainingRows) {
  list->SetMultiSelect(true);
  std::vector<TListItem*> rows, gone, kept;
  for (int i = 0; i < 12; ++i) rows.push_back(AddRow(L"row " + std::to_wstring(i)));
  for (int i = 0; i < 12; ++i) (i % 3 == 1 ? gone : kept).push_back(rows[static_cast<size_t>(i)]);
  for (int i : {1, 2, 5, 9, 11}) rows[static_cast<size_t>(i)]->SetSelected(true);
  rows[8]->SetFocused(true);
  const HWND hwnd = list->Handle();
  SendMessageW(hwnd, LVM_SETSELECTIONMARK, 0, 9);
  int in_place = 0;
  list->OnDeletion = [&](TObject*, TListItem* item) {
    ++deletions[item];
    if (item->Index() >= 0 && list->Items()[item->Index()] == item) ++in_place;
  };
  std::vector<TListItem*> changed;
  list->OnChange = [&](TObject*, TListItem* item, TItemChange) { changed.push_back(item); };

  list->DeleteRows(gone);

  EXPECT_EQ(in_place, 4);
  ExpectEachDeletedOnce(gone);
  ASSERT_EQ(list->Items().Count(), 8);
  EXPECT_EQ(ListView_GetItemCount(hwnd), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(list->Items()[i], kept[static_cast<size_t>(i)]);
    EXPECT_EQ(kept[static_cast<size_t>(i)]->Index(), i);
  }
  std::vector<TListItem*> selected;
  for (int i = -1; (i = ListView_GetNextItem(hwnd, i, LVNI_SELECTED)) >= 0;)
    selected.push_back(list->Items()[i]);
  EXPECT_EQ(selected, (std::vector<TListItem*>{rows[2], rows[5], rows[9], rows[11]}));
  EXPECT_EQ(list->ItemFocused(), rows[8]);
  EXPECT_EQ(SendMessageW(hwnd, LVM_GETSELECTIONMARK, 0, 0), rows[9]->Index());
  EXPECT_EQ(changed, std::vector<TListItem*>{nullptr}) << "a selected row went";
  list->OnChange = nullptr;
}

// The control learns of rows added inside an update bracket before it is
// asked anything about them.
TEST_F(ListView, RowsAddedInsideAnUpdateAreKnownToTheControlAtOnce) {
  list->Items().BeginUpdate();
  std::vector<TListItem*> rows;
  for (int i = 0; i < 30; ++i) rows.push_back(AddRow(L"row " + std::to_wstring(i)));
  EXPECT_EQ(ListView_GetItemCount(list->Handle()), 30);
  rows.push_back(AddRow(L"last"));
  const RECT rect = rows.back()->DisplayRect(TDisplayCode::drBounds);
  EXPECT_GT(rect.bottom, rect.top);
  list->Items().EndUpdate();
  EXPECT_EQ(ListView_GetItemCount(list->Handle()), 31);
}

// What a window shows, frame included: its pixels as drawn, read back
// from its own device context.
std::vector<uint32_t> WindowImage(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  TBitmap image;
  image.SetSize(bounds.right - bounds.left, bounds.bottom - bounds.top);
  HDC source = GetWindowDC(window);
  BitBlt(image.Dc(), 0, 0, image.Width(), image.Height(), source, 0, 0, SRCCOPY);
  ReleaseDC(window, source);
  std::vector<uint32_t> pixels;
  for (int y = 0; y < image.Height(); ++y)
    pixels.insert(pixels.end(), image.ScanLine(y), image.ScanLine(y) + image.Width());
  return pixels;
}

const std::vector<UINT> kDrawing{WM_NCPAINT, WM_ERASEBKGND, WM_PAINT};

// Rows filled into a shown list reach the screen whole, by the next paint:
// the frame with both scroll bars, the header and the rows. Wine's control,
// told it may draw, shows its scroll bars one at a time, each a frame
// change that a drawable window paints there and then. An update that
// leaves the scroll bars as they were draws the rows alone.
TEST_F(ListView, AnUpdateIsDrawnByTheNextPaintAndTheFrameOnlyWhenItsScrollBarsChanged) {
  list->Columns().Add()->SetCaption(L"Wide");
  list->Columns()[1]->SetWidth(400);
  form->Show();
  UpdateWindow(form->Handle());
  const HWND hwnd = list->Handle();
  auto expect_drawn_whole = [&](const char* when) {
    const std::vector<uint32_t> painted = WindowImage(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(painted == WindowImage(hwnd)) << "the paint left part of the list undrawn " << when;
  };

  list->Items().BeginUpdate();
  for (int i = 0; i < 300; ++i) AddRow(L"row " + std::to_wstring(i));
  {
    const test::SentMessages drawing(hwnd, kDrawing);
    list->Items().EndUpdate();
    EXPECT_EQ(drawing.Count(), 0u) << "drawn before the paint";
  }
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
  UpdateWindow(form->Handle());
  expect_drawn_whole("after the fill");

  list->Items().BeginUpdate();
  list->Items()[0]->SetCaption(L"renamed");
  list->Items().EndUpdate();
  {
    const test::SentMessages frame(hwnd, {WM_NCPAINT});
    UpdateWindow(form->Handle());
    EXPECT_EQ(frame.Count(), 0u) << "the frame drawn again with its scroll bars unchanged";
  }
  EXPECT_EQ(TextOf(hwnd, 0), L"renamed");
  expect_drawn_whole("after a caption changed");

  // Rows going move the vertical bar's thumb: it is drawn again.
  list->Items().BeginUpdate();
  for (int i = 0; i < 250; ++i) list->Items().Delete(0);
  list->Items().EndUpdate();
  UpdateWindow(form->Handle());
  expect_drawn_whole("after rows went");

  // Down to a few rows, the vertical bar goes, again without a paint of its
  // own.
  list->Items().BeginUpdate();
  for (int i = 0; i < 47; ++i) list->Items().Delete(0);
  {
    const test::SentMessages drawing(hwnd, kDrawing);
    list->Items().EndUpdate();
    EXPECT_EQ(drawing.Count(), 0u) << "drawn before the paint";
  }
  EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VSCROLL);
  UpdateWindow(form->Handle());
  expect_drawn_whole("after the vertical bar went");

  // The control knows itself shown: it still answers for its rows.
  EXPECT_EQ(ListView_GetItemCount(hwnd), 3);
  EXPECT_EQ(TextOf(hwnd, 2), L"row 299");
}

// Typing a name's first letters in the list selects the row it begins.
TEST_F(ListView, TypingTheFirstLettersOfACaptionSelectsItsRow) {
  for (const wchar_t* name : {L"apple", L"banana", L"Cherry", L"citrus", L"date"}) AddRow(name);
  form->Show();
  list->SetFocus();
  // The control ignores a character that claims no key stroke (a repeat
  // count of 0).
  SendMessageW(list->Handle(), WM_CHAR, L'c', 1);
  EXPECT_EQ(list->Selected(), list->Items()[2]);
  SendMessageW(list->Handle(), WM_CHAR, L'i', 1);
  EXPECT_EQ(list->Selected(), list->Items()[3]);
  EXPECT_EQ(list->ItemFocused(), list->Items()[3]);
}

TEST(ListViewColumns, ColumnsMadeBeforeTheWindowAppearOnce) {
  TCustomListView list(nullptr);
  list.SetViewStyle(TViewStyle::vsReport);
  TListColumn* name = list.Columns().Add();
  name->SetCaption(L"Name");
  name->SetWidth(111);
  list.Columns().Add()->SetCaption(L"Size");
  EXPECT_EQ(HeaderCount(list.Handle()), 2);
  EXPECT_EQ(ColumnCaption(list.Handle(), 0), L"Name");
  EXPECT_EQ(ColumnCaption(list.Handle(), 1), L"Size");
  EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, 0, 0), 111);
}

}  // namespace
}  // namespace wf
