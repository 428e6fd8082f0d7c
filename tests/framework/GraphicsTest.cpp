#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "framework/Control.h"
#include "framework/Graphics.h"
#include "framework/ListView.h"
#include "framework/Themes.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

TEST(Colors, PlainSystemAndNoColour) {
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456u);
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(ColorToRGB(clNone), CLR_NONE);
}

// The theme library is reached by name, so a wrong part or property, or an
// entry point not found, would quietly answer "no theme" and leave the
// plain button face where the tool bar's colour belongs.
TEST(Colors, ThemedToolbarFillIsTheThemesColour) {
  ASSERT_TRUE(ThemeActive()) << "the rig's prefix runs with a theme";
  EXPECT_EQ(ThemedToolbarFill(), std::optional<COLORREF>(RGB(0xF4, 0xF4, 0xF4)));
}

TEST(Colors, ListViewWithNoColourHasNoBackground) {
  TCustomListView list(nullptr);
  list.SetColor(clNone);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list.Handle(), LVM_GETBKCOLOR, 0, 0)), CLR_NONE);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list.Handle(), LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
  list.SetColor(clWhite);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list.Handle(), LVM_GETBKCOLOR, 0, 0)), 0xFFFFFFu);
  list.SetColor(clNone);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list.Handle(), LVM_GETBKCOLOR, 0, 0)), CLR_NONE);
}

TEST(Colors, ControlWithNoColourLeavesItsBackgroundAlone) {
  TWinControl control(nullptr);
  control.SetColor(clNone);
  UniqueDc dc(CreateCompatibleDC(nullptr));
  UniqueBitmap bitmap(CreateBitmap(8, 8, 1, 32, nullptr));
  SelectScope selected(dc.get(), bitmap.get());
  const RECT all{0, 0, 8, 8};
  UniqueBrush green(CreateSolidBrush(RGB(0, 200, 0)));
  FillRect(dc.get(), &all, green.get());
  SendMessageW(control.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
  EXPECT_EQ(GetPixel(dc.get(), 1, 1), RGB(0, 200, 0));

  control.SetColor(0x0000FF);
  SendMessageW(control.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
  EXPECT_EQ(GetPixel(dc.get(), 1, 1), RGB(255, 0, 0));
}

}  // namespace
}  // namespace wf
