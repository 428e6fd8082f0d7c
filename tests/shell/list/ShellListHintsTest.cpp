// What the pointer shows over the list: a row's hint, a long name whole, and
// the list's notices of the pointer coming and going. Wine's shell has no
// info tips, so a handler of OnInfoTip gives the rows theirs.
#include <windows.h>

#include <functional>
#include <string>

#include "framework/Hints.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/shell/list/ShellListTestSupport.h"
#include "tests/support/RealMouse.h"

namespace wf::test {
namespace {

const std::wstring kLongName(80, L'w');

class ShellListHints : public ShellListTest {
 protected:
  TKivShellList& Shown() {
    folder_.MakeFile(L"a.txt");
    folder_.MakeFile(L"b.txt");
    folder_.MakeFile(kLongName + L".txt");
    TKivShellList& list = MakeList();
    list.SetShowParentFolder(true);
    list.SetPath(folder_.Path());
    list.SetHint(L"the list's own");
    list.SetShowHint(true);
    list.OnInfoTip = [](TObject*, TListItem* row, std::wstring& tip) {
      tip = row->Caption() == L"a.txt" ? L"Type: Text\r\nSize: 0 bytes" : L"";
    };
    ShowAndDraw();
    list.Columns()[0]->SetWidth(150);
    return list;
  }

  // The request the framework makes with the pointer at `at`.
  static THintInfo Ask(TWinControl& control, POINT at) {
    THintInfo hint;
    hint.cursor_pos = at;
    hint.hint_str = L"the list's own";
    control.HintShow(hint);
    return hint;
  }

  static POINT Middle(TListItem* row) {
    const RECT label = row->DisplayRect(TDisplayCode::drLabel);
    return {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
  }

  static POINT OnScreen(TKivShellList& list, POINT at) {
    ClientToScreen(list.Handle(), &at);
    return at;
  }
};

TEST_F(ShellListHints, ARowsHintIsItsInfoTipNearTheRowElseItsCutCaption) {
  TKivShellList& list = Shown();
  TListItem* a = Row(list, L"a.txt");
  RECT client{};
  GetClientRect(list.Handle(), &client);

  const THintInfo tip = Ask(list, Middle(a));
  EXPECT_EQ(tip.hint_str, L"Type: Text\r\nSize: 0 bytes");
  const RECT bounds = a->DisplayRect(TDisplayCode::drBounds);
  EXPECT_TRUE(EqualRect(&tip.cursor_rect, &bounds));
  const POINT corner = OnScreen(list, {bounds.left, bounds.top});
  EXPECT_EQ(tip.hint_pos.x, corner.x + GetSystemMetrics(SM_CXCURSOR));
  EXPECT_EQ(tip.hint_pos.y, corner.y + GetSystemMetrics(SM_CYCURSOR));
  EXPECT_EQ(tip.hint_max_width, client.right);

  // A handler that empties the tip leaves no hint; a name its column cuts
  // shows whole over where it stands.
  EXPECT_EQ(Ask(list, Middle(Row(list, L"b.txt"))).hint_str, L"");
  TListItem* long_row = Row(list, kLongName + L".txt");
  const THintInfo whole = Ask(list, Middle(long_row));
  EXPECT_EQ(whole.hint_str, long_row->Caption());
  const RECT label = long_row->DisplayRect(TDisplayCode::drLabel);
  const POINT under = OnScreen(list, {label.left, label.bottom});
  EXPECT_EQ(whole.hint_pos.x, under.x);
  EXPECT_EQ(whole.hint_pos.y, under.y);

  // " .. " and empty space keep the list's own hint; so does every row
  // with hints off, but for a cut caption.
  EXPECT_EQ(Ask(list, Middle(Row(list, L" .. "))).hint_str, L"the list's own");
  EXPECT_EQ(Ask(list, {client.right / 2, client.bottom - 5}).hint_str, L"the list's own");
  list.SetShowHint(false);
  EXPECT_EQ(Ask(list, Middle(a)).hint_str, L"the list's own");
  EXPECT_EQ(Ask(list, Middle(long_row)).hint_str, long_row->Caption());
}

// Real moves of the pointer: each row's hint in turn, and one entry and one
// exit of the list.
TEST_F(ShellListHints, ThePointerMovingOverRowsShowsEachRowsHintAndEntersAndLeavesOnce) {
  TKivShellList& list = Shown();
  int entered = 0, left = 0;
  list.OnMouseEnter = [&](TObject* sender) { entered += sender == &list; };
  list.OnMouseLeave = [&](TObject* sender) { left += sender == &list; };
  list.OnInfoTip = [](TObject*, TListItem* row, std::wstring& tip) {
    tip = L"tip " + row->Caption();
  };
  // The pointer moves as a hand moves it, in steps, and stirs where it stops
  // until the list answers: a single jump could land on a tip, which hides
  // at the move and leaves the list without one, and under Wine a move now
  // and then reaches no window (about one run in ten, the first move into
  // the list). Wine tells of the leaving from a timer, so each move waits
  // for what it expects, up to a limit.
  RECT frame{};
  GetWindowRect(list.Handle(), &frame);
  POINT pointer{frame.right + 40, frame.bottom + 40};
  const auto move_to = [&](POINT at, const std::function<bool()>& seen) {
    const POINT from = pointer;
    for (int step = 1; step <= 4; ++step) {
      pointer = {from.x + (at.x - from.x) * step / 4, from.y + (at.y - from.y) * step / 4};
      INPUT move = MouseEventAt(pointer, 0, GetTickCount());
      ASSERT_EQ(SendInput(1, &move, sizeof(move)), 1u);
      PumpFor(std::chrono::milliseconds(30));
    }
    for (int stir = 0; stir < 30 && !PumpUntil(seen, std::chrono::milliseconds(100)); ++stir) {
      INPUT move = MouseEventAt({pointer.x + stir % 2, pointer.y}, 0, GetTickCount());
      SendInput(1, &move, sizeof(move));
    }
  };
  const POINT outside = pointer;
  INPUT away = MouseEventAt(outside, 0, GetTickCount());
  ASSERT_EQ(SendInput(1, &away, sizeof(away)), 1u);
  PumpFor(std::chrono::milliseconds(150));

  const auto tip_is = [](const wchar_t* text) {
    return [text] { return HintWindow().Text() == text; };
  };
  move_to(OnScreen(list, Middle(Row(list, L"a.txt"))), tip_is(L"tip a.txt"));
  EXPECT_EQ(HintWindow().Text(), L"tip a.txt");
  move_to(OnScreen(list, Middle(Row(list, L"b.txt"))), tip_is(L"tip b.txt"));
  EXPECT_EQ(HintWindow().Text(), L"tip b.txt");
  move_to(outside, [&] { return left > 0; });
  PumpFor(std::chrono::milliseconds(200));

  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);
  list.OnMouseEnter = nullptr;
  list.OnMouseLeave = nullptr;
  list.OnInfoTip = nullptr;
}

}  // namespace
}  // namespace wf::test
