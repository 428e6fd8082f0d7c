#include <gtest/gtest.h>

#include <windows.h>
#include <uxtheme.h>

#include <string>
#include <vector>

#include "framework/Form.h"
#include "tests/framework/FrameworkTestHelpers.h"
#include "tests/support/RealMouse.h"
#include "ui/PaxPanel.h"

namespace wf {
namespace {

constexpr TColor kPanelColor = 11233108;  // 0xAB6754
constexpr COLORREF kImageColor = RGB(200, 30, 40);
constexpr COLORREF kMarkColor = RGB(10, 220, 60);

// A form that records the drag requests posted to it instead of starting
// the platform's move loop.
class RecordingForm : public TForm {
 public:
  using TForm::TForm;
  std::vector<std::pair<UINT, WPARAM>> received;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override {
    if (msg == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_MOVE) {
      received.emplace_back(msg, wparam);
      return 0;
    }
    if (msg == WM_KEYDOWN) {
      received.emplace_back(msg, wparam);
      return 0;
    }
    return TForm::WndProc(msg, wparam, lparam);
  }
};

// A panel as the main window places it: 332 x 23, no bevel, no themes.
struct CaptionPanel : testing::Test {
  CaptionPanel() {
    form.SetBounds(60, 60, 400, 200);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 332, 23);
    panel.SetBevelOuter(TBevelCut::bvNone);
    panel.SetUseXPThemes(false);
    panel.SetColor(kPanelColor);
    form.Show();
  }

  static void Fill(TBitmap& bitmap, RECT r, COLORREF color) {
    SetBkColor(bitmap.Dc(), color);
    ExtTextOutW(bitmap.Dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  }

  // An image of one colour whose top-left pixel is marked.
  static TBitmap& Image(TBitmap& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    Fill(bitmap, RECT{0, 0, width, height}, kImageColor);
    Fill(bitmap, RECT{0, 0, 1, 1}, kMarkColor);
    return bitmap;
  }

  // What the panel paints, read back through WM_PRINTCLIENT.
  void Render(TBitmap& out) {
    out.SetSize(panel.ClientWidth(), panel.ClientHeight());
    SendMessageW(panel.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(out.Dc()), PRF_CLIENT);
  }

  COLORREF At(int x, int y) {
    TBitmap out;
    Render(out);
    return GetPixel(out.Dc(), x, y);
  }

  // The caption as DrawTextW draws it on the panel's colour, `top` pixels down.
  void Reference(TBitmap& out, const std::wstring& text, int top, UINT format) {
    out.SetSize(panel.ClientWidth(), panel.ClientHeight());
    Fill(out, RECT{0, 0, out.Width(), out.Height()}, ColorToRGB(kPanelColor));
    SavedDcScope saved(out.Dc());
    SetBkMode(out.Dc(), TRANSPARENT);
    SelectObject(out.Dc(), panel.Font().Handle());
    SetTextColor(out.Dc(), ColorToRGB(panel.Font().Color()));
    RECT r{0, top, out.Width(), top + out.Height()};
    DrawTextW(out.Dc(), text.c_str(), static_cast<int>(text.size()), &r, format);
  }

  int LineHeight(const std::wstring& text, UINT format) {
    TBitmap scratch;
    scratch.SetSize(1, 1);
    SavedDcScope saved(scratch.Dc());
    SelectObject(scratch.Dc(), panel.Font().Handle());
    RECT r{0, 0, panel.ClientWidth(), panel.ClientHeight()};
    DrawTextW(scratch.Dc(), text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    return r.bottom - r.top;
  }

  static bool Same(TBitmap& a, TBitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        if (GetPixel(a.Dc(), x, y) != GetPixel(b.Dc(), x, y)) return false;
    return true;
  }

  LRESULT HitTest(int x, int y) {
    POINT p{x, y};
    ClientToScreen(panel.Handle(), &p);
    return SendMessageW(panel.Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  }

  RecordingForm form{nullptr};
  TPaxPanel panel{nullptr};
};

TEST_F(CaptionPanel, CentredImageLandsWhereItsSizeSendsItOnTheColour) {
  TBitmap image;
  panel.SetBackground(Image(image, 331, 23));
  panel.SetBackgroundType(bgtCenterBitmap);
  EXPECT_EQ(At(0, 0), ColorToRGB(kPanelColor)) << "column 0 shows Color";
  EXPECT_EQ(At(1, 0), kMarkColor) << "the image is drawn 1:1 at x = 1";
  EXPECT_EQ(At(331, 22), kImageColor);

  panel.SetBackground(Image(image, 332, 23));
  EXPECT_EQ(At(0, 0), kMarkColor);

  // Smaller: (332 div 2) - (100 div 2) = 116 across, (23 div 2) - (10 div 2) = 6 down.
  panel.SetBackground(Image(image, 100, 10));
  EXPECT_EQ(At(116, 6), kMarkColor);
  EXPECT_EQ(At(115, 6), ColorToRGB(kPanelColor));
  EXPECT_EQ(At(116, 5), ColorToRGB(kPanelColor));
  EXPECT_EQ(At(215, 15), kImageColor);
  EXPECT_EQ(At(216, 15), ColorToRGB(kPanelColor));

  // Larger: squeezed to the panel in both directions.
  Image(image, 664, 46);
  Fill(image, RECT{0, 0, 2, 2}, kMarkColor);
  panel.SetBackground(image);
  EXPECT_EQ(At(0, 0), kMarkColor);
  EXPECT_EQ(At(331, 22), kImageColor);
}

TEST_F(CaptionPanel, ImageTypesWithoutAnImageFallBackToColourFill) {
  TBitmap image;
  panel.SetBackground(Image(image, 40, 40));
  panel.SetBackgroundType(bgtCenterBitmap);
  panel.Background().SetSize(0, 0);
  EXPECT_EQ(panel.BackgroundType(), bgtColorFill);
  EXPECT_EQ(At(116, 6), ColorToRGB(kPanelColor));

  panel.SetBackgroundType(bgtTileBitmap);
  EXPECT_EQ(panel.BackgroundType(), bgtColorFill);
  panel.SetBackground(Image(image, 40, 40));
  panel.SetBackgroundType(bgtStretchBitmap);
  panel.SetBackground(TBitmap());
  EXPECT_EQ(panel.BackgroundType(), bgtColorFill);

  // The top-left picture takes its corner's colour as the panel's.
  panel.SetBackground(Image(image, 40, 40));
  panel.SetBackgroundType(bgtTopLeftBitmap);
  EXPECT_EQ(At(0, 0), kMarkColor);
  EXPECT_EQ(At(100, 10), kImageColor);
  EXPECT_EQ(panel.Color(), static_cast<TColor>(kImageColor));

  panel.SetGradientSteps(0);
  EXPECT_EQ(panel.GradientSteps(), 16);
}

TEST_F(CaptionPanel, TiledImageRepeatsAtItsOwnSize) {
  TBitmap image;
  panel.SetBackground(Image(image, 10, 10));
  panel.SetBackgroundType(bgtTileBitmap);
  EXPECT_EQ(At(0, 0), kMarkColor);
  EXPECT_EQ(At(10, 10), kMarkColor);
  EXPECT_EQ(At(330, 20), kMarkColor);
  EXPECT_EQ(At(331, 21), kImageColor);
  panel.SetBounds(0, 0, 200, 100);
  EXPECT_EQ(At(190, 90), kMarkColor) << "the cache follows the size";
}

TEST_F(CaptionPanel, CaptionSitsHalfTheFreeHeightDownWithItsLeadingBlank) {
  panel.Font().SetName(L"Tahoma");
  panel.Font().SetHeight(-11);
  panel.Font().SetColor(clWhite);
  panel.Font().SetStyle(fsBold);
  panel.SetAlignment(TAlignment::taLeftJustify);
  const std::wstring caption = L" Corvane Wayfold - Version 1.1";
  panel.SetCaption(caption);
  wchar_t text[64] = {};
  GetWindowTextW(panel.Handle(), text, 64);
  EXPECT_EQ(std::wstring(text), caption) << "tools outside read the caption there";

  const UINT format = DT_LEFT | DT_EXPANDTABS;
  const int top = (23 - LineHeight(caption, format)) / 2;
  TBitmap painted, expected;
  Render(painted);
  Reference(expected, caption, top, format);
  EXPECT_TRUE(Same(painted, expected));
  Reference(expected, caption.substr(1), top, format);
  EXPECT_FALSE(Same(painted, expected)) << "the leading blank moves the text";

  panel.SetLayout(TTextLayout::tlBottom);
  Render(painted);
  Reference(expected, caption, 23 - LineHeight(caption, format), format);
  EXPECT_TRUE(Same(painted, expected));

  // A path keeps its "&" when the accelerator character is off.
  panel.SetLayout(TTextLayout::tlTop);
  panel.SetCaption(L"C:\\R&D\\");
  panel.SetShowAccelChar(false);
  Render(painted);
  Reference(expected, L"C:\\R&D\\", 0, format | DT_NOPREFIX);
  EXPECT_TRUE(Same(painted, expected));
  panel.SetShowAccelChar(true);
  Render(painted);
  EXPECT_FALSE(Same(painted, expected));
}

TEST_F(CaptionPanel, GrabHandlesNarrowChildrenAndAnswerHitTests) {
  panel.SetBounds(0, 0, 200, 100);
  TPaxPanel child(nullptr);
  child.SetParent(&panel);
  child.SetAlign(TAlign::alClient);
  EXPECT_EQ(child.Left(), 0);

  // Visible and Enabled narrow the children, drawn or not.
  panel.LeftGrabHandle().SetVisible(true);
  panel.LeftGrabHandle().SetSize(10);
  EXPECT_EQ(child.Left(), 0) << "not enabled yet";
  panel.LeftGrabHandle().SetEnabled(true);
  EXPECT_EQ(child.Left(), 10);
  EXPECT_EQ(child.Width(), 190);

  child.SetVisible(false);
  panel.LeftGrabHandle().SetBevelKind(TBevelCut::bvRaised);
  EXPECT_EQ(At(4, 50), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(5, 50), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(At(5, 0), ColorToRGB(kPanelColor));

  // Without a bevel the edge band is 1 pixel: the left strip spans 1..10.
  panel.LeftGrabHandle().SetKind(ghkResize);
  panel.TopGrabHandle().SetEnabled(true);
  panel.TopGrabHandle().SetSize(6);
  panel.TopGrabHandle().SetKind(ghkMove);
  EXPECT_EQ(HitTest(5, 50), HTLEFT);
  EXPECT_EQ(HitTest(50, 3), HTCAPTION) << "a hidden handle still reacts";
  EXPECT_EQ(HitTest(0, 50), HTCLIENT);
  EXPECT_EQ(HitTest(100, 50), HTCLIENT);

  panel.SetResizable(true);
  EXPECT_EQ(HitTest(0, 50), HTLEFT);
  EXPECT_EQ(HitTest(0, 5), HTTOPLEFT);
  EXPECT_EQ(HitTest(100, 0), HTTOP);
  EXPECT_EQ(HitTest(198, 50), HTRIGHT) << "right and bottom bands are one wider";
  EXPECT_EQ(HitTest(100, 98), HTBOTTOM);
  EXPECT_EQ(HitTest(199, 99), HTBOTTOMRIGHT);
  EXPECT_EQ(HitTest(100, 50), HTCLIENT);
  panel.SetSizeGrip(true);
  At(0, 0);
  const int grip_x = 199 - GetSystemMetrics(SM_CXVSCROLL) / 2;
  const int grip_y = 99 - GetSystemMetrics(SM_CYHSCROLL) / 2;
  EXPECT_EQ(HitTest(grip_x - 10, grip_y), HTCLIENT);
  EXPECT_EQ(HitTest(grip_x, grip_y), HTBOTTOMRIGHT);
}

TEST_F(CaptionPanel, MoveParentHandlePostsTheParentsDrag) {
  panel.LeftGrabHandle().SetEnabled(true);
  panel.LeftGrabHandle().SetSize(20);
  panel.LeftGrabHandle().SetKind(ghkMoveParent);
  SendMessageW(panel.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 10));
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 10));
  test::PumpUntil([&] { return form.received.size() >= 2; });
  ASSERT_EQ(form.received.size(), 2u);
  EXPECT_EQ(form.received[0], std::make_pair(UINT{WM_SYSCOMMAND}, WPARAM{0xF012}));
  EXPECT_EQ(form.received[1], std::make_pair(UINT{WM_KEYDOWN}, WPARAM{VK_SPACE}));

  // A second move without a press starts nothing.
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 10));
  test::PumpFor(std::chrono::milliseconds(50));
  EXPECT_EQ(form.received.size(), 2u);
}

TEST_F(CaptionPanel, MovablePanelRunsItsOwnMoveLoopAndReportsTheMove) {
  int moves = 0;
  panel.OnMove = [&](TObject*) { ++moves; };
  panel.SetMovable(true);
  SendMessageW(panel.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
  EXPECT_EQ(GetCapture(), panel.Handle());
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(101, 10));
  // The move loop ends on a queued Enter; it must be in the queue before
  // the loop starts.
  PostMessageW(panel.Handle(), WM_KEYDOWN, VK_RETURN, 0);
  test::PumpUntil([&] { return moves > 0; });
  EXPECT_EQ(moves, 1);
  EXPECT_NE(GetCapture(), panel.Handle());
}

TEST_F(CaptionPanel, RealDoubleClickRaisesOnDblClick) {
  int double_clicks = 0, presses = 0;
  panel.OnDblClick = [&](TObject*) { ++double_clicks; };
  panel.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
  SetForegroundWindow(form.Handle());
  POINT centre{166, 11};
  ClientToScreen(panel.Handle(), &centre);
  // The desktop may still be placing the new form: press once the point
  // reaches the panel.
  test::PumpUntil([&] { return WindowFromPoint(centre) == panel.Handle(); });
  ASSERT_EQ(WindowFromPoint(centre), panel.Handle());
  test::ButtonMessages messages;
  ASSERT_TRUE(test::PressTwice(centre));
  test::PumpUntil([&] { return double_clicks > 0 && presses >= 2; });
  EXPECT_EQ(double_clicks, 1) << messages.Describe(panel.Handle(), "the panel");
  EXPECT_EQ(presses, 2);
}

TEST(PaxPanelTheme, ThemeHandleFollowsTheWindowAndAnswersItsMessage) {
  ASSERT_TRUE(IsThemeActive()) << "the rig's prefix runs with a theme";
  TForm form(nullptr);
  TPaxPanel panel(nullptr);
  panel.SetParent(&form);
  EXPECT_TRUE(panel.UseXPThemes());
  const HWND first = panel.Handle();
  ASSERT_NE(panel.ThemeHandle(), nullptr);
  EXPECT_EQ(SendMessageW(first, kPaxGetThemeHandle, 0, 0),
            reinterpret_cast<LRESULT>(panel.ThemeHandle()));
  // A new window gets a theme of its own.
  panel.SetTransparent(true);
  EXPECT_FALSE(GetWindowLongW(panel.Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT)
      << "themed panels are not transparent windows";
  ASSERT_NE(panel.ThemeHandle(), nullptr);
  EXPECT_EQ(SendMessageW(panel.Handle(), kPaxGetThemeHandle, 0, 0),
            reinterpret_cast<LRESULT>(panel.ThemeHandle()));
  panel.SetUseXPThemes(false);
  EXPECT_EQ(SendMessageW(panel.Handle(), kPaxGetThemeHandle, 0, 0), 0);
  EXPECT_TRUE(GetWindowLongW(panel.Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST(PaxPanelTheme, ThemedPanelErasesWithItsParentOrItsColour) {
  ASSERT_TRUE(IsThemeActive());
  TForm form(nullptr);
  form.SetBounds(60, 60, 300, 200);
  form.SetColor(RGB(0, 0, 200));
  TPaxPanel panel(nullptr);
  panel.SetParent(&form);
  panel.SetBounds(20, 20, 200, 50);
  panel.SetColor(RGB(200, 0, 0));
  form.Show();
  ASSERT_TRUE(panel.Themed());
  const auto centre = [&] {
    TBitmap out;
    out.SetSize(200, 50);
    SendMessageW(panel.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(out.Dc()), PRF_CLIENT);
    return GetPixel(out.Dc(), 100, 25);
  };
  EXPECT_EQ(centre(), RGB(0, 0, 200)) << "the parent shows through";
  panel.SetTransparentXPThemes(false);
  EXPECT_EQ(centre(), RGB(200, 0, 0));
}

// Paints its background in one colour and records what it was asked for.
class ImageFormDouble : public TPaxImageForm {
 public:
  ImageFormDouble(TWinControl* served) : TPaxImageForm(nullptr), served_(served) {}
  TWinControl* Control() const override { return served_; }
  void PaintBackground(HDC dc, const RECT& rect, POINT offset) override {
    asked.push_back(rect);
    RECT there = rect;
    OffsetRect(&there, offset.x, offset.y);
    SetBkColor(dc, kImageColor);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &there, nullptr, 0, nullptr);
  }
  std::vector<RECT> asked;

 private:
  TWinControl* served_;
};

TEST_F(CaptionPanel, ImageFormPaintsThePartUnderThePanelAndItsChangesRepaint) {
  panel.SetBounds(30, 40, 100, 20);
  {
    ImageFormDouble shared(&form);
    panel.SetImageForm(&shared);
    EXPECT_EQ(At(0, 0), kImageColor);
    ASSERT_FALSE(shared.asked.empty());
    EXPECT_EQ(shared.asked.back().left, 30);
    EXPECT_EQ(shared.asked.back().top, 40);
    EXPECT_EQ(shared.asked.back().right, 130);

    ValidateRect(panel.Handle(), nullptr);
    shared.Changed();
    EXPECT_TRUE(GetUpdateRect(panel.Handle(), nullptr, FALSE));
  }
  EXPECT_EQ(panel.ImageForm(), nullptr) << "a freed image form is let go";
  EXPECT_EQ(At(0, 0), ColorToRGB(kPanelColor));
}

TEST_F(CaptionPanel, ImageFormNoticeReachesTheChildPanels) {
  TPaxPanel child(nullptr);
  child.SetParent(&panel);
  child.SetBounds(10, 2, 50, 10);
  ImageFormDouble shared(&form);
  child.SetImageForm(&shared);
  panel.Update();
  ValidateRect(child.Handle(), nullptr);
  SendMessageW(panel.Handle(), kPaxImageFormChanged, 0, 0);
  EXPECT_TRUE(GetUpdateRect(child.Handle(), nullptr, FALSE));
}

TEST_F(CaptionPanel, OwnerDrawLeavesCaptionAndBackgroundToTheOwner) {
  int paints = 0;
  panel.SetCaption(L"Caption");
  panel.OnPaint = [&](TObject*) {
    ++paints;
    panel.Canvas().SetPixel(0, 0, kMarkColor);
  };
  panel.SetOwnerDraw(true);
  TBitmap painted;
  Render(painted);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(GetPixel(painted.Dc(), 0, 0), kMarkColor);
  EXPECT_NE(GetPixel(painted.Dc(), 5, 5), ColorToRGB(kPanelColor)) << "no background painted";

  panel.SetAlwaysPaintBackground(true);
  Render(painted);
  for (int x = 1; x < 332; ++x)
    for (int y = 0; y < 23; ++y)
      ASSERT_EQ(GetPixel(painted.Dc(), x, y), ColorToRGB(kPanelColor)) << "no caption " << x;
}

TEST_F(CaptionPanel, BorderOverAPaintedBackgroundShowsTheBackground) {
  TBitmap image;
  panel.SetBackground(Image(image, 332, 23));
  panel.SetBackgroundType(bgtCenterBitmap);
  panel.SetBorderWidth(3);
  EXPECT_EQ(At(0, 0), kMarkColor);
  EXPECT_EQ(At(1, 1), kImageColor);
  panel.SetBackgroundType(bgtColorFill);
  panel.SetColor(RGB(1, 2, 3));
  panel.SetOwnerDraw(true);
  EXPECT_EQ(At(1, 1), RGB(1, 2, 3)) << "drawn as a frame in Color";
}

TEST_F(CaptionPanel, MouseEnterAndLeaveAreReportedOncePerVisit) {
  int entered = 0, left = 0;
  panel.OnMouseEnter = [&](TObject*) { ++entered; };
  panel.OnMouseLeave = [&](TObject*) { ++left; };
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessageW(panel.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(11, 10));
  EXPECT_EQ(entered, 1);
  SendMessageW(panel.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(left, 1);
}

TEST_F(CaptionPanel, StylesApplyAndFollowTheirManager) {
  TPaxStyleManager manager(nullptr);
  manager.Styles().Write(L"\\TPaxPanel", L"Color", int32_t{0x123456});
  manager.Styles().Write(L"\\TPaxPanel", L"Font.Color", int32_t{0x00FF00});
  panel.SetStyleManager(&manager);
  EXPECT_EQ(panel.Color(), 0x123456u);
  EXPECT_EQ(panel.Font().Color(), 0x00FF00u);
  EXPECT_TRUE(IsWindowVisible(panel.Handle())) << "redrawing is switched back on";
  manager.Styles().Write(L"\\TPaxPanel", L"GradientSteps", int32_t{5});
  manager.Change();
  EXPECT_EQ(panel.GradientSteps(), 5);
}

}  // namespace
}  // namespace wf
