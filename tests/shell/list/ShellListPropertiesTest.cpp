// Properties with effects of their own: the font, the view style, the version.
#include "tests/shell/list/ShellListTestSupport.h"

namespace wf::test {
namespace {

using ShellListProperties = ShellListTest;

constexpr wchar_t kOwnFontName[] = L"Courier New";

LOGFONTW IconTitleFont() {
  LOGFONTW font{};
  SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0);
  return font;
}

TEST_F(ShellListProperties, UseSystemFontOffKeepsTheFont) {
  TKivShellList& list = MakeList();
  list.Font().SetName(kOwnFontName);
  list.Font().SetHeight(-17);

  list.SetUseSystemFont(false);

  EXPECT_FALSE(list.UseSystemFont());
  EXPECT_EQ(list.Font().Name(), kOwnFontName);
  EXPECT_EQ(list.Font().Height(), -17);
}

TEST_F(ShellListProperties, UseSystemFontOnTakesTheIconTitleFont) {
  TKivShellList& list = MakeList();
  list.Font().SetName(kOwnFontName);

  list.SetUseSystemFont(true);

  EXPECT_EQ(std::wstring(list.Font().LogFont().lfFaceName),
            std::wstring(IconTitleFont().lfFaceName));
}

TEST_F(ShellListProperties, TheEndOfLoadingAppliesTheIconTitleFontOnlyWhenAskedTo) {
  {
    TKivShellList& list = MakeLoadingList();
    list.Font().SetName(kOwnFontName);
    EndLoading();
    EXPECT_EQ(std::wstring(list.Font().LogFont().lfFaceName),
              std::wstring(IconTitleFont().lfFaceName));
  }
  DestroyForm();
  {
    TKivShellList& list = MakeLoadingList();
    list.SetUseSystemFont(false);
    list.Font().SetName(kOwnFontName);
    EndLoading();
    EXPECT_EQ(std::wstring(list.Font().LogFont().lfFaceName), kOwnFontName);
  }
}

TEST_F(ShellListProperties, AnyViewStyleSetAtRunTimeEndsTheThumbnailView) {
  TKivShellList& list = MakeList();
  for (TViewStyle style : {TViewStyle::vsIcon, TViewStyle::vsList, TViewStyle::vsReport}) {
    list.SetThumbnails(true);
    list.SetViewStyle(style);
    EXPECT_FALSE(list.Thumbnails());
    EXPECT_EQ(list.ViewStyle(), style);
  }
}

TEST_F(ShellListProperties, WhileLoadingOnlyTheIconViewKeepsThumbnails) {
  TKivShellList& list = MakeLoadingList();
  list.SetThumbnails(true);
  list.SetViewStyle(TViewStyle::vsIcon);
  EXPECT_TRUE(list.Thumbnails());
  list.SetViewStyle(TViewStyle::vsSmallIcon);
  EXPECT_FALSE(list.Thumbnails());
  EndLoading();
}

TEST_F(ShellListProperties, StartsAsAMultiSelectReportWithTheStoredDefaults) {
  TKivShellList& list = MakeList();

  EXPECT_EQ(list.ViewStyle(), TViewStyle::vsReport);
  EXPECT_TRUE(list.MultiSelect());
  EXPECT_TRUE(list.ShowFiles() && list.ShowFolders() && list.ShowNethood() &&
              list.ShowRecycleBin());
  EXPECT_FALSE(list.ShowHidden() || list.ShowParentFolder() || list.NoFillOnStartup());
  EXPECT_FALSE(list.ShowErrorMessages());
  EXPECT_FALSE(list.Dirwalker().ShowErrorMessages());
  EXPECT_TRUE(list.Details());
  EXPECT_TRUE(list.UseSystemFont());
  EXPECT_FALSE(list.Thumbnails());
  EXPECT_EQ(list.Filter(), L"*");
  // A new list is bound to My Computer.
  EXPECT_EQ(list.Path(), L"");
  EXPECT_EQ(list.SpecialFolder(), SF_DRIVES);
}

TEST_F(ShellListProperties, VersionIsTheClassNameAndAFixedSuffix) {
  TKivShellList& list = MakeList();

  const std::wstring version = list.Version();

  EXPECT_EQ(version.rfind(L"TKivShellList", 0), 0u);
  EXPECT_GT(version.size(), std::wstring(L"TKivShellList").size());
}

}  // namespace
}  // namespace wf::test
