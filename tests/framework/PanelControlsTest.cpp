#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/Hints.h"
#include "framework/Image.h"
#include "framework/Panel.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kPanel = RGB(10, 20, 30);

// A panel with a 10 x 10 picture at (20, 5) inside a shown form.
struct PanelWithImage : testing::Test {
  PanelWithImage() {
    form.SetBounds(50, 50, 300, 200);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 200, 40);
    panel.SetBevelOuter(TBevelCut::bvNone);
    panel.SetColor(kPanel);
    image.SetParent(&panel);
    image.SetBounds(20, 5, 10, 10);
    image.Picture().Bitmap().SetSize(10, 10);
    FillColor(image.Picture().Bitmap(), RECT{0, 0, 10, 10}, kRed);
    // The bottom-left pixel names the transparent colour.
    FillColor(image.Picture().Bitmap(), RECT{0, 5, 10, 10}, kGreen);
    form.Show();
  }

  static void FillColor(TBitmap& bitmap, RECT r, COLORREF color) {
    SetBkColor(bitmap.Dc(), color);
    ExtTextOutW(bitmap.Dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  }

  COLORREF PaintedAt(int x, int y) {
    TBitmap out;
    out.SetSize(panel.Width(), panel.Height());
    SendMessageW(panel.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(out.Dc()), PRF_CLIENT);
    return GetPixel(out.Dc(), x, y);
  }

  LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

  // Parks the pointer over a client point of the panel. Under X a warp is
  // followed by the pointer's own motion report, which may still carry the
  // old place: the pointer counts as parked once it stays where it was put.
  bool PointAt(int x, int y) {
    POINT target{x, y};
    ClientToScreen(panel.Handle(), &target);
    for (int attempt = 0; attempt < 20; ++attempt) {
      SetCursorPos(target.x, target.y);
      test::PumpFor(std::chrono::milliseconds(120));
      POINT now{};
      if (GetCursorPos(&now) && now.x == target.x && now.y == target.y) return true;
    }
    return false;
  }

  TForm form{nullptr};
  TCustomPanel panel{nullptr};
  TImage image{nullptr};
};

TEST_F(PanelWithImage, ImageIsPaintedInsideItsParentsPaintPass) {
  EXPECT_EQ(PaintedAt(19, 6), kPanel);
  EXPECT_EQ(PaintedAt(20, 5), kRed);
  EXPECT_EQ(PaintedAt(29, 14), kGreen);
  EXPECT_EQ(PaintedAt(30, 14), kPanel);

  // The pixels of the bottom-left colour show the panel through.
  image.SetTransparent(true);
  EXPECT_EQ(PaintedAt(20, 5), kRed);
  EXPECT_EQ(PaintedAt(29, 14), kPanel);

  image.SetVisible(false);
  EXPECT_EQ(PaintedAt(20, 5), kPanel);
}

TEST_F(PanelWithImage, ParentPassesTheMouseToTheImage) {
  std::vector<std::string> events;
  image.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    events.push_back("image down " + std::to_string(x) + "," + std::to_string(y));
  };
  image.OnClick = [&](TObject*) { events.push_back("image click"); };
  image.OnDblClick = [&](TObject*) { events.push_back("image double"); };
  panel.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    events.push_back("panel down " + std::to_string(x) + "," + std::to_string(y));
  };
  panel.OnClick = [&](TObject*) { events.push_back("panel click"); };

  const HWND hwnd = panel.Handle();
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(23, 7));
  EXPECT_EQ(GetCapture(), hwnd) << "the release must reach the pressed image";
  SendMessageW(hwnd, WM_LBUTTONUP, 0, At(24, 8));
  EXPECT_NE(GetCapture(), hwnd);
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, At(23, 7));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, At(23, 7));
  // Released away from the image: no click.
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(23, 7));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, At(120, 20));
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 20));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, At(101, 20));

  EXPECT_EQ(events, (std::vector<std::string>{"image down 3,2", "image click", "image double",
                                              "image down 3,2", "image down 3,2",
                                              "panel down 100,20", "panel click"}));
}

// One pointer move per test: under Wine a second warp soon after the first
// may be undone by the X server's report of the first.
TEST_F(PanelWithImage, ImageUnderThePointerGivesItsCursor) {
  image.SetCursor(crHandPoint);
  panel.SetCursor(crCross);
  ASSERT_TRUE(PointAt(25, 10));
  SendMessageW(panel.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel.Handle()),
               MAKELPARAM(HTCLIENT, 0));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(PanelWithImage, PanelAwayFromTheImageGivesItsOwnCursor) {
  image.SetCursor(crHandPoint);
  panel.SetCursor(crCross);
  ASSERT_TRUE(PointAt(150, 10));
  SendMessageW(panel.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel.Handle()),
               MAKELPARAM(HTCLIENT, 0));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_CROSS));
}

TEST_F(PanelWithImage, HintComesFromTheControlUnderTheMouse) {
  const HWND hwnd = panel.Handle();
  // The image follows its parent's ShowHint until it is given its own.
  image.SetHint(L"Open|Opens the folder");
  panel.SetHint(L"Panel");
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, At(25, 10));
  EXPECT_EQ(HintWindow().Text(), L"");
  panel.SetShowHint(true);
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, At(25, 10));
  EXPECT_EQ(HintWindow().Text(), L"Open");
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, At(150, 10));
  EXPECT_EQ(HintWindow().Text(), L"Panel");
  image.SetShowHint(false);
  SendMessageW(hwnd, WM_MOUSEMOVE, 0, At(25, 10));
  EXPECT_EQ(HintWindow().Text(), L"");
}

TEST_F(PanelWithImage, MouseEntersOnceAndLeaves) {
  int entered = 0, left = 0, moves = 0;
  panel.OnMouseEnter = [&](TObject*) { ++entered; };
  panel.OnMouseLeave = [&](TObject*) { ++left; };
  panel.OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, At(100, 20));
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, At(101, 20));
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(moves, 2);
  SendMessageW(panel.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(left, 1);
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, At(100, 20));
  EXPECT_EQ(entered, 2);
}

TEST(CustomPanel, ChildrenAlignInsideBorderAndBevelsAndCaptionGivesAccelerator) {
  TForm form(nullptr);
  form.SetBounds(40, 40, 300, 200);
  TCustomPanel panel(nullptr);
  panel.SetParent(&form);
  panel.SetBounds(0, 0, 200, 100);
  panel.SetBevelOuter(TBevelCut::bvRaised);
  panel.SetBevelInner(TBevelCut::bvLowered);
  panel.SetBevelWidth(2);
  panel.SetBorderWidth(3);
  TCustomPanel child(nullptr);
  child.SetParent(&panel);
  child.SetAlign(TAlign::alClient);
  form.Show();
  EXPECT_EQ(child.Left(), 7);
  EXPECT_EQ(child.Top(), 7);
  EXPECT_EQ(child.Width(), 186);
  panel.SetBevelInner(TBevelCut::bvNone);
  EXPECT_EQ(child.Left(), 5);

  // Alt+G reaches the form from the focused control and moves the focus.
  TCustomPanel target(nullptr);
  target.SetParent(&form);
  target.SetBounds(0, 120, 100, 30);
  target.SetCaption(L"&Go");
  wchar_t text[16] = {};
  GetWindowTextW(target.Handle(), text, 16);
  EXPECT_STREQ(text, L"&Go");
  child.SetFocus();
  SendMessageW(child.Handle(), WM_SYSCHAR, L'g', LPARAM{1} << 29);
  EXPECT_TRUE(target.Focused());
  child.SetFocus();
  target.SetShowAccelChar(false);
  SendMessageW(child.Handle(), WM_SYSCHAR, L'g', LPARAM{1} << 29);
  EXPECT_FALSE(target.Focused());
}

}  // namespace
}  // namespace wf
