// What the pointer shows over the list: a row's hint, a long name whole, and
// the list's notices of the pointer coming and going. Wine's shell has no
// info tips, so a handler of OnInfoTip gives the rows theirs.
#include <windows.h>

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
  EXPECT_EQ(whole.hint_pos.x, OnScreen(list, {label.left, label.top}).x);

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
  const auto move_to = [&](POINT at) {
    INPUT move = MouseEventAt(at, 0, GetTickCount());
    ASSERT_EQ(SendInput(1, &move, sizeof(move)), 1u);
    PumpFor(std::chrono::milliseconds(150));
  };
  RECT frame{};
  GetWindowRect(list.Handle(), &frame);
  move_to({frame.right + 40, frame.bottom + 40});

  move_to(OnScreen(list, Middle(Row(list, L"a.txt"))));
  EXPECT_EQ(HintWindow().Text(), L"tip a.txt");
  move_to(OnScreen(list, Middle(Row(list, L"b.txt"))));
  EXPECT_EQ(HintWindow().Text(), L"tip b.txt");
  move_to({frame.right + 40, frame.bottom + 40});

  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);
  list.OnMouseEnter = nullptr;
  list.OnMouseLeave = nullptr;
  list.OnInfoTip = nullptr;
}

}  // namespace
}  // namespace wf::test
