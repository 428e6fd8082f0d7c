#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/ListView.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/HeldKeys.h"
#include "tests/support/RealMouse.h"

namespace wf {
namespace {

using namespace std::chrono_literals;

using test::HeldKeys;

struct KeySeen {
  WORD key;
  TShiftState shift;
};

struct MouseSeen {
  TMouseButton button;
  TShiftState shift;
  int x, y;
};

// A shown form with a plain control and a report list of three rows, the
// first focused, and records of what their input events see.
class Input : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetClientWidth(300);
    form->SetClientHeight(200);
    control = new TWinControl(form.get());
    control->SetBounds(0, 0, 300, 40);
    control->SetParent(form.get());
    list = new TCustomListView(form.get());
    list->SetBounds(0, 40, 300, 160);
    list->SetParent(form.get());
    list->SetViewStyle(TViewStyle::vsReport);
    list->Columns().Add()->SetWidth(150);
    for (const wchar_t* caption : {L"apple", L"banana", L"cherry"})
      list->Items().Add()->SetCaption(caption);
    list->Items()[0]->SetFocused(true);
    list->Items()[0]->SetSelected(true);
    for (TWinControl* c : {control, static_cast<TWinControl*>(list)}) {
      c->OnKeyDown = [this](TObject* sender, WORD& key, TShiftState shift) {
        downs.push_back({key, shift});
        senders.push_back(sender);
        if (clear_keys) key = 0;
      };
      c->OnKeyUp = [this](TObject*, WORD& key, TShiftState shift) { ups.push_back({key, shift}); };
      c->OnKeyPress = [this](TObject*, wchar_t& key) {
        chars.push_back(key);
        if (clear_keys) key = 0;
      };
      c->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        mouse_downs.push_back({button, shift, x, y});
      };
      c->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        mouse_ups.push_back({button, shift, x, y});
      };
    }
    form->Show();
  }

  int FocusedRow() {
    TListItem* focused = list->ItemFocused();
    return focused ? focused->Index() : -1;
  }

  std::unique_ptr<TForm> form;
  TWinControl* control = nullptr;
  TCustomListView* list = nullptr;
  bool clear_keys = false;
  std::vector<KeySeen> downs, ups;
  std::vector<TObject*> senders;
  std::vector<wchar_t> chars;
  std::vector<MouseSeen> mouse_downs, mouse_ups;
};

// Alt+Enter and Shift+F10 come as system keys; Alt is told by the message.
TEST_F(Input, KeyHandlersSeeTheKeyAndTheModifiersHeld) {
  {
    HeldKeys held{VK_CONTROL, VK_SHIFT};
    SendMessageW(control->Handle(), WM_KEYDOWN, 'C', 1);
    SendMessageW(control->Handle(), WM_KEYUP, 'C', 1 | (LPARAM{3} << 30));
    SendMessageW(list->Handle(), WM_SYSKEYDOWN, VK_F10, 1);
  }
  SendMessageW(list->Handle(), WM_SYSKEYDOWN, VK_RETURN, 1 | (LPARAM{1} << 29));
  SendMessageW(control->Handle(), WM_CHAR, L'\u00E9', 1);

  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(senders[0], control);
  EXPECT_EQ(downs[0].key, 'C');
  EXPECT_EQ(downs[0].shift, TShift::ssCtrl | TShift::ssShift);
  EXPECT_EQ(senders[1], list);
  EXPECT_EQ(downs[1].key, VK_F10);
  EXPECT_EQ(downs[2].key, VK_RETURN);
  EXPECT_EQ(downs[2].shift, TShiftState(TShift::ssAlt));
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].shift, TShift::ssCtrl | TShift::ssShift);
  EXPECT_EQ(chars, std::vector<wchar_t>{L'\u00E9'});
}

// Typed on the keyboard: the keys pass the message loop and reach the
// focused list as the platform delivers them.
TEST_F(Input, KeysTypedOnTheKeyboardReachTheFocusedControl) {
  list->SetFocus();
  ASSERT_TRUE(list->Focused());
  std::vector<INPUT> inputs;
  auto key = [&](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  key(VK_MENU, false), key(VK_RETURN, false), key(VK_RETURN, true), key(VK_MENU, true);
  key(VK_SHIFT, false), key(VK_F10, false), key(VK_F10, true), key(VK_SHIFT, true);
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
            inputs.size());
  auto seen = [&](WORD vk) {
    for (const KeySeen& k : downs)
      if (k.key == vk) return true;
    return false;
  };
  ASSERT_TRUE(test::PumpUntil([&] { return seen(VK_RETURN) && seen(VK_F10); }));
  for (const KeySeen& k : downs) {
    if (k.key == VK_RETURN) {
      EXPECT_TRUE(k.shift.Contains(TShift::ssAlt));
    } else if (k.key == VK_F10) {
      EXPECT_TRUE(k.shift.Contains(TShift::ssShift));
    }
  }
}

TEST_F(Input, AListKeyReachesKeyDownOnceAndAClearedKeyGoesNoFurther) {
  SendMessageW(list->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(downs.size(), 1u);
  EXPECT_EQ(FocusedRow(), 1);

  clear_keys = true;
  SendMessageW(list->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(downs.size(), 2u);
  EXPECT_EQ(FocusedRow(), 1);
  // A character cleared does not reach the list's type-ahead search.
  SendMessageW(list->Handle(), WM_CHAR, L'c', 1);
  EXPECT_EQ(FocusedRow(), 1);

  clear_keys = false;
  SendMessageW(list->Handle(), WM_CHAR, L'c', 1);
  EXPECT_EQ(FocusedRow(), 2);

  // A changed key is the one the list acts on.
  list->OnKeyDown = [](TObject*, WORD& key, TShiftState) { key = VK_HOME; };
  SendMessageW(list->Handle(), WM_KEYDOWN, VK_END, 1);
  EXPECT_EQ(FocusedRow(), 0);
}

TEST_F(Input, MouseButtonsAndTheDoubleClickFlag) {
  const HWND hwnd = control->Handle();
  {
    HeldKeys held{VK_MENU};
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 20));
  }
  SendMessageW(hwnd, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(11, 21));
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(12, 22));
  SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(3, 4));
  SendMessageW(hwnd, WM_MBUTTONUP, 0, MAKELPARAM(5, 6));

  ASSERT_EQ(mouse_downs.size(), 3u);
  EXPECT_EQ(mouse_downs[0].button, TMouseButton::mbLeft);
  EXPECT_EQ(mouse_downs[0].shift, TShift::ssLeft | TShift::ssCtrl | TShift::ssAlt);
  EXPECT_EQ(mouse_downs[0].x, 10);
  EXPECT_EQ(mouse_downs[0].y, 20);
  EXPECT_EQ(mouse_downs[1].shift, TShift::ssLeft | TShift::ssDouble);
  EXPECT_EQ(mouse_downs[2].button, TMouseButton::mbRight);
  EXPECT_EQ(mouse_downs[2].shift, TShift::ssRight | TShift::ssShift);
  ASSERT_EQ(mouse_ups.size(), 2u);
  EXPECT_EQ(mouse_ups[0].shift, TShiftState(TShift::ssCtrl));
  EXPECT_EQ(mouse_ups[0].x, 11);
  EXPECT_EQ(mouse_ups[1].button, TMouseButton::mbMiddle);
}

// Two clicks of the real mouse on a row: the second press comes as a
// double-click, after the list has selected the row and told of it.
TEST_F(Input, DoubleClickOnAListRowSetsTheFlagAfterTheListActed) {
  int double_clicks = 0;
  list->OnDblClick = [&](TObject*) { ++double_clicks; };
  const RECT label = list->Items()[2]->DisplayRect(TDisplayCode::drLabel);
  POINT at{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
  ClientToScreen(list->Handle(), &at);
  test::ButtonMessages taken;
  ASSERT_TRUE(test::PressTwice(at));
  ASSERT_TRUE(test::PumpUntil([&] { return mouse_downs.size() >= 2; }))
      << "the list's thread took: " << taken.Describe(list->Handle(), "the list");
  test::PumpFor(100ms);
  ASSERT_EQ(mouse_downs.size(), 2u);
  EXPECT_FALSE(mouse_downs[0].shift.Contains(TShift::ssDouble));
  EXPECT_TRUE(mouse_downs[1].shift.Contains(TShift::ssDouble));
  EXPECT_EQ(mouse_downs[1].button, TMouseButton::mbLeft);
  EXPECT_EQ(double_clicks, 1);
  EXPECT_EQ(list->Selected(), list->Items()[2]);
}

// The platform has handled the press when the handler fails: it must not
// handle it a second time.
TEST_F(Input, AFailingMouseHandlerIsShownAndThePressHandledOnce) {
  test::ErrorDisplayCapture errors;
  int double_clicks = 0;
  list->OnDblClick = [&](TObject*) { ++double_clicks; };
  list->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
    throw Exception(L"no clicks now");
  };
  const RECT label = list->Items()[1]->DisplayRect(TDisplayCode::drLabel);
  SendMessageW(list->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(label.left + 2, (label.top + label.bottom) / 2));
  EXPECT_EQ(double_clicks, 1);
  EXPECT_EQ(errors.messages, std::vector<std::wstring>{L"no clicks now"});
}

TEST(Hints, ShortAndLongFormsSplitAtTheFirstBar) {
  EXPECT_EQ(GetShortHint(L"Up|Go to the parent folder"), L"Up");
  EXPECT_EQ(GetLongHint(L"Up|Go to the parent folder"), L"Go to the parent folder");
  EXPECT_EQ(GetShortHint(L"Refresh"), L"Refresh");
  EXPECT_EQ(GetLongHint(L"Refresh"), L"Refresh");
  EXPECT_EQ(GetShortHint(L"a|b|c"), L"a");
  EXPECT_EQ(GetLongHint(L"a|b|c"), L"b|c");
  EXPECT_EQ(GetShortHint(L"|only long"), L"");
  EXPECT_EQ(GetLongHint(L"|only long"), L"only long");
  EXPECT_EQ(GetLongHint(L"only short|"), L"");
  EXPECT_EQ(GetLongHint(L""), L"");
}

TEST(Hints, SettingADifferentHintRaisesOnHint) {
  std::vector<std::wstring> seen;
  Application->OnHint = [&](TObject* sender) {
    EXPECT_EQ(sender, Application);
    seen.push_back(Application->Hint());
  };
  Application->SetHint(L"one|first");
  Application->SetHint(L"one|first");
  Application->SetHint(L"");
  Application->OnHint = nullptr;
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"one|first", L""}));
}

}  // namespace
}  // namespace wf
