#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>

#include "framework/Form.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::ErrorDisplayCapture;

// Records what reaches it as a reflected parent message.
class ReflectionProbe : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::vector<UINT> reflected;
  std::vector<UINT> codes;

 protected:
  bool HandleReflected(UINT msg, WPARAM, LPARAM lparam, LRESULT& result) override {
    reflected.push_back(msg);
    if (msg == WM_NOTIFY) codes.push_back(reinterpret_cast<NMHDR*>(lparam)->code);
    result = 1234;
    return true;
  }
};

// Throws from its window procedure when asked to.
class ThrowingControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  static constexpr UINT kThrow = WM_APP + 7;
  static constexpr UINT kAnswer = WM_APP + 8;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override {
    switch (msg) {
      case kThrow:
        throw Exception(L"thrown in a window procedure");
      case kAnswer:
        return 42;
    }
    return TWinControl::WndProc(msg, wparam, lparam);
  }
};

RECT RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectPlaced(TWinControl& control, int left, int top, int width, int height) {
  SCOPED_TRACE(testing::Message() << "expected " << left << "," << top << " " << width << "x"
                                  << height);
  EXPECT_EQ(control.Left(), left);
  EXPECT_EQ(control.Top(), top);
  EXPECT_EQ(control.Width(), width);
  EXPECT_EQ(control.Height(), height);
  ASSERT_TRUE(control.HandleAllocated());
  const RECT r = RectInParent(control.Handle());
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

TEST(ControlWindow, MadeOnFirstHandleAndBoundToItsObject) {
  TWinControl control(nullptr);
  control.SetBounds(5, 6, 70, 80);
  EXPECT_FALSE(control.HandleAllocated());
  const HWND hwnd = control.Handle();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(control.Handle(), hwnd);
  EXPECT_EQ(TWinControl::FromHandle(hwnd), &control);
  EXPECT_EQ(RectInParent(hwnd).right, 75);
  EXPECT_EQ(RectInParent(hwnd).bottom, 86);
}

TEST(ControlWindow, FreeingTheControlDestroysTheWindow) {
  auto control = std::make_unique<TWinControl>(nullptr);
  const HWND hwnd = control->Handle();
  control.reset();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(TWinControl::FromHandle(hwnd), nullptr);
}

TEST(ControlWindow, ChildMadeBeforeItsParentMovesIntoIt) {
  TForm form(nullptr);
  auto* child = new TWinControl(&form);
  child->HandleNeeded();
  child->SetParent(&form);
  EXPECT_EQ(GetParent(child->Handle()), form.Handle());
  ASSERT_EQ(form.Controls().size(), 1u);
  EXPECT_EQ(form.Controls()[0], child);
}

class ControlAlignment : public testing::Test {
 protected:
  void SetUp() override {
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetClientWidth(400);
    form.SetClientHeight(300);
  }
  TWinControl* Child(TAlign align, int size) {
    auto* c = new TWinControl(&form);
    c->SetBounds(0, 0, size, size);
    c->SetParent(&form);
    c->SetAlign(align);
    return c;
  }
  TForm form{nullptr};
};

TEST_F(ControlAlignment, TopBottomAndClientShareTheClientArea) {
  TWinControl* top = Child(TAlign::alTop, 30);
  TWinControl* bottom = Child(TAlign::alBottom, 20);
  TWinControl* client = Child(TAlign::alClient, 10);
  form.HandleNeeded();
  ExpectPlaced(*top, 0, 0, 400, 30);
  ExpectPlaced(*bottom, 0, 280, 400, 20);
  ExpectPlaced(*client, 0, 30, 400, 250);
}

TEST_F(ControlAlignment, ResizingTheParentRealigns) {
  TWinControl* top = Child(TAlign::alTop, 30);
  TWinControl* client = Child(TAlign::alClient, 10);
  TWinControl* bottom = Child(TAlign::alBottom, 20);
  form.HandleNeeded();
  form.SetBounds(form.Left(), form.Top(), 200, 100);
  ExpectPlaced(*top, 0, 0, 200, 30);
  ExpectPlaced(*bottom, 0, 80, 200, 20);
  ExpectPlaced(*client, 0, 30, 200, 50);
}

TEST_F(ControlAlignment, TopControlsStackInOrderAndHiddenOnesGiveWay) {
  form.HandleNeeded();  // children now join a parent that has its window
  TWinControl* first = Child(TAlign::alTop, 30);
  TWinControl* second = Child(TAlign::alTop, 40);
  TWinControl* client = Child(TAlign::alClient, 10);
  ExpectPlaced(*first, 0, 0, 400, 30);
  ExpectPlaced(*second, 0, 30, 400, 40);
  ExpectPlaced(*client, 0, 70, 400, 230);
  first->SetVisible(false);
  ExpectPlaced(*second, 0, 0, 400, 40);
  ExpectPlaced(*client, 0, 40, 400, 260);
}

TEST(ControlReflection, ParentMessagesReachTheChildsObject) {
  TForm form(nullptr);
  auto* child = new ReflectionProbe(&form);
  child->SetParent(&form);
  const HWND hwnd = child->Handle();

  // What the platform's controls send to their parent.
  NMHDR header{hwnd, static_cast<UINT_PTR>(GetDlgCtrlID(hwnd)), static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(
      SendMessageW(form.Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)),
      1234);
  EXPECT_EQ(SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(header.idFrom, BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd)),
            1234);
  EXPECT_EQ(child->reflected, (std::vector<UINT>{WM_NOTIFY, WM_COMMAND}));
  EXPECT_EQ(child->codes, (std::vector<UINT>{static_cast<UINT>(NM_CLICK)}));

  // A notice from a window that is no control of ours is left alone.
  TWinControl plain(nullptr);
  NMHDR foreign{plain.Handle(), 1, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageW(form.Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&foreign)), 0);
  EXPECT_EQ(child->reflected.size(), 2u);
}

TEST(ControlReflection, ChildWithoutParentStillHearsItsNotices) {
  auto child = std::make_unique<ReflectionProbe>(nullptr);
  const HWND hwnd = child->Handle();
  NMHDR header{hwnd, 0, static_cast<UINT>(NM_DBLCLK)};
  EXPECT_EQ(SendMessageW(GetParent(hwnd), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 1234);
  EXPECT_EQ(child->codes, (std::vector<UINT>{static_cast<UINT>(NM_DBLCLK)}));
}

TEST(ControlErrors, ExceptionInWindowProcedureIsShownAndTheProgramGoesOn) {
  ThrowingControl control(nullptr);
  ErrorDisplayCapture errors;
  SendMessageW(control.Handle(), ThrowingControl::kThrow, 0, 0);
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], L"thrown in a window procedure");
  EXPECT_EQ(errors.senders[0], &control);
  EXPECT_EQ(SendMessageW(control.Handle(), ThrowingControl::kAnswer, 0, 0), 42);

  // Posted messages go through the message loop the same way.
  PostMessageW(control.Handle(), ThrowingControl::kThrow, 0, 0);
  test::PumpUntil([&] { return errors.messages.size() == 2; });
  EXPECT_EQ(errors.messages.size(), 2u);
  EXPECT_TRUE(IsWindow(control.Handle()));
}

class SubclassTarget : public testing::Test {
 protected:
  void SetUp() override {
    hwnd = CreateWindowExW(0, L"STATIC", L"target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    original = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  LONG_PTR Procedure() const { return GetWindowLongPtrW(hwnd, GWLP_WNDPROC); }
  HWND hwnd = nullptr;
  LONG_PTR original = 0;
};

TEST_F(SubclassTarget, HandlerSeesAnswersAndTheOldProcedureComesBack) {
  std::vector<LRESULT> lengths;
  {
    WindowSubclass subclass(hwnd, [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT result) {
      if (msg == WM_GETTEXTLENGTH) lengths.push_back(result);
    });
    EXPECT_NE(Procedure(), original);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6);
    EXPECT_EQ(lengths, (std::vector<LRESULT>{6}));
  }
  EXPECT_EQ(Procedure(), original);
  SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  EXPECT_EQ(lengths.size(), 1u);
}

TEST_F(SubclassTarget, FilterSeesMessagesFirstAndMayAnswerThemItself) {
  std::vector<UINT> order;
  WindowSubclass subclass(
      hwnd, [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT) { order.push_back(msg); },
      [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
        if (msg != WM_GETTEXTLENGTH) return false;
        order.push_back(0);
        result = 99;
        return true;
      });
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 99);
  EXPECT_EQ(order, std::vector<UINT>{0});
  // Messages it leaves go on as before.
  wchar_t text[16] = {};
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text)), 6);
  EXPECT_EQ(order, (std::vector<UINT>{0, WM_GETTEXT}));
}

TEST_F(SubclassTarget, TwoSubclassesOfOneWindowEndInAnyOrder) {
  int first_seen = 0, second_seen = 0;
  auto first = std::make_unique<WindowSubclass>(hwnd, [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
    if (msg == WM_GETTEXTLENGTH) ++first_seen;
  });
  auto second =
      std::make_unique<WindowSubclass>(hwnd, [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
        if (msg == WM_GETTEXTLENGTH) ++second_seen;
      });
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6);
  EXPECT_EQ(first_seen, 1);
  EXPECT_EQ(second_seen, 1);
  first.reset();  // not the last one made
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6);
  EXPECT_EQ(first_seen, 1);
  EXPECT_EQ(second_seen, 2);
  second.reset();
  EXPECT_EQ(Procedure(), original);
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6);
}

TEST_F(SubclassTarget, WindowDestroyedFirstLeavesNothingBehind) {
  std::vector<UINT> last;
  auto subclass =
      std::make_unique<WindowSubclass>(hwnd, [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
        if (msg == WM_DESTROY || msg == WM_NCDESTROY) last.push_back(msg);
      });
  DestroyWindow(hwnd);
  EXPECT_EQ(last, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  subclass.reset();  // must not touch the window that is gone
}

TEST_F(SubclassTarget, HandlerErrorIsShownAndTheAnswerStands) {
  ErrorDisplayCapture errors;
  WindowSubclass subclass(hwnd, [](HWND, UINT msg, WPARAM, LPARAM, LRESULT) {
    if (msg == WM_GETTEXTLENGTH) throw std::runtime_error("handler failed");
  });
  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6);
  EXPECT_EQ(errors.messages, (std::vector<std::wstring>{L"handler failed"}));
}

}  // namespace
}  // namespace wf
