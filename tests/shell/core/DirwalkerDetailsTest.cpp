#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>
#include <shellapi.h>
#include <winioctl.h>

#include "framework/Handles.h"
#include "shell/core/Dirwalker.h"
#include "tests/shell/core/ShellCoreTestHelpers.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::TempFolder;

constexpr uint64_t kFiveGiB = 5ull << 30;

// Marked sparse where the file system allows it; on Wine's host file system
// the size alone leaves the file without blocks.
std::wstring MakeSparseFile(const std::wstring& path, uint64_t size) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  DWORD returned = 0;
  DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()))
    return {};
  return path;
}

std::wstring Thousands() {
  wchar_t separator[8] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
  return separator;
}

int SystemSmallIcon(const std::wstring& path) {
  SHFILEINFOW info{};
  SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  return info.iIcon;
}

std::wstring SystemTypeName(const std::wstring& path) {
  SHFILEINFOW info{};
  SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_TYPENAME);
  return info.szTypeName;
}

class DirwalkerDetails : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Quiet(walker_);
    walker_.SetFolder(temp_.Path());
  }
  TDirwalker& At(const std::wstring& name) {
    walker_.SetObjectName(name);
    return walker_;
  }
  TempFolder temp_;
  TDirwalker walker_;
};

// Wine's file-system folders offer IShellFolder2 with these five columns.
TEST_F(DirwalkerDetails, ShellColumnsGiveTitlesAndCharWidths) {
  ASSERT_TRUE(walker_.AcquireDetails());
  const wchar_t* titles[] = {L"File", L"Size", L"Type", L"Modified", L"Attributes"};
  const int chars[] = {15, 10, 10, 12, 5};
  for (int column = 0; column < 5; ++column) {
    EXPECT_EQ(walker_.DetailText(column, true), titles[column]);
    TAlignment alignment;
    int width = -1;
    walker_.ColumnInfo(column, alignment, width);
    EXPECT_EQ(width, chars[column] * 7) << column;
    EXPECT_EQ(alignment, TAlignment::taRightJustify) << column;
  }
  EXPECT_EQ(walker_.DetailText(5, true), L"");
  TAlignment alignment;
  int width = 0;
  walker_.ColumnInfo(5, alignment, width);
  EXPECT_EQ(alignment, TAlignment::taLeftJustify);
  EXPECT_EQ(width, 120);
}

TEST(DirwalkerShellColumns, RecycleBinMixesLeftAndRightColumns) {
  TDirwalker walker;
  walker.SetSpecialFolder(SF_BITBUCKET);
  TAlignment alignment;
  int width = 0;
  walker.ColumnInfo(0, alignment, width);
  EXPECT_EQ(alignment, TAlignment::taLeftJustify);
  EXPECT_EQ(width, 30 * 7);
  walker.ColumnInfo(3, alignment, width);  // "Size"
  EXPECT_EQ(alignment, TAlignment::taRightJustify);
  EXPECT_EQ(width, 20 * 7);
}

TEST_F(DirwalkerDetails, ShellRowTextsNameTheObject) {
  const std::wstring name = TempFolder::NonAnsiName();
  temp_.MakeFile(name, 10);
  At(name);
  EXPECT_EQ(walker_.DetailText(0, false), walker_.DisplayName());
  EXPECT_FALSE(walker_.DetailText(2, false).empty());
  walker_.SetCurrentId(nullptr);
  EXPECT_EQ(walker_.DetailText(1, false), L"") << "a row without object is no title";
}

// Every Wine folder offers IShellFolder2, so the built-in columns are
// reached through SetDetailsUnavailable.
TEST_F(DirwalkerDetails, BuiltInColumnTable) {
  walker_.SetDetailsUnavailable();
  EXPECT_FALSE(walker_.AcquireDetails());
  const wchar_t* titles[] = {L"Name", L"Size", L"Type", L"Changed"};
  const TAlignment alignments[] = {TAlignment::taLeftJustify, TAlignment::taRightJustify,
                                   TAlignment::taLeftJustify, TAlignment::taLeftJustify};
  const int widths[] = {150, 60, 120, 100};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(walker_.DetailText(column, true), titles[column]);
    TAlignment alignment;
    int width = 0;
    walker_.ColumnInfo(column, alignment, width);
    EXPECT_EQ(alignment, alignments[column]) << column;
    EXPECT_EQ(width, widths[column]) << column;
  }
  EXPECT_EQ(walker_.DetailText(4, true), L"");

  walker_.SetFolder(L"C:\\");  // a bind asks the folder again
  EXPECT_TRUE(walker_.AcquireDetails());
}

TEST_F(DirwalkerDetails, BuiltInSizeCountsWholeKilobytes) {
  const struct {
    const wchar_t* name;
    uint64_t bytes;
    std::wstring text;
  } cases[] = {{L"zero", 0, L"0 KB"},     {L"one", 1, L"1 KB"},     {L"almost", 1023, L"1 KB"},
               {L"exact", 1024, L"1 KB"}, {L"half", 1536, L"2 KB"}, {L"hidden", 1023, L"1 KB"}};
  for (const auto& c : cases) temp_.MakeFile(c.name, c.bytes);
  SetFileAttributesW((temp_ / L"hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_FALSE(MakeSparseFile(temp_ / L"huge", kFiveGiB).empty());
  temp_.MakeFolder(L"folder");
  walker_.SetDetailsUnavailable();
  for (const auto& c : cases) {
    EXPECT_EQ(At(c.name).DetailText(1, false), c.text) << c.name;
    EXPECT_EQ(walker_.DetailText(1, false), c.text) << c.name << " asked twice";
  }
  const std::wstring sep = Thousands();
  EXPECT_EQ(At(L"huge").DetailText(1, false), L"5" + sep + L"242" + sep + L"880 KB");
  EXPECT_EQ(At(L"folder").DetailText(1, false), L"");
}

TEST_F(DirwalkerDetails, BuiltInTypeAndChangedTexts) {
  const std::wstring file = temp_.MakeFile(L"note.txt", 3);
  const std::wstring folder = temp_.MakeFolder(L"folder");
  const std::wstring link = temp_.MakeLink(L"shortcut", file);
  walker_.SetDetailsUnavailable();
  EXPECT_EQ(At(L"note.txt").DetailText(2, false), SystemTypeName(file));
  EXPECT_EQ(walker_.DetailText(3, false), DateTimeToText(walker_.ModifiedTime()));
  EXPECT_FALSE(walker_.DetailText(3, false).empty());
  EXPECT_EQ(walker_.DetailText(4, false), L"");
  EXPECT_EQ(At(L"folder").DetailText(2, false), SystemTypeName(folder));
  EXPECT_EQ(At(L"shortcut.lnk").DetailText(2, false), SystemTypeName(link));
}

// The size column and the name share one find-data record: filling it for
// a size must not leave the ANSI copy of a name behind.
TEST_F(DirwalkerDetails, BuiltInTextsKeepUnicodeNames) {
  const std::wstring name = TempFolder::NonAnsiName();
  temp_.MakeFile(name, 2048);
  walker_.SetDetailsUnavailable();
  EXPECT_EQ(At(name).DetailText(1, false), L"2 KB");
  EXPECT_EQ(walker_.ObjectName(), name);
  EXPECT_EQ(walker_.DetailText(0, false), walker_.DisplayName());
}

TEST_F(DirwalkerDetails, ModifiedTimeIsTheLocalLastWriteTime) {
  const std::wstring file = temp_.MakeFile(L"dated.txt");
  const SYSTEMTIME utc{2021, 3, 4, 4, 5, 6, 7, 0};
  FILETIME written{};
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &written));
  {
    UniqueFile handle(
        CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFileTime(handle.get(), nullptr, nullptr, &written));
  }
  FILETIME local_file{};
  SYSTEMTIME local{};
  double expected = 0;
  ASSERT_TRUE(FileTimeToLocalFileTime(&written, &local_file));
  ASSERT_TRUE(FileTimeToSystemTime(&local_file, &local));
  ASSERT_TRUE(SystemTimeToVariantTime(&local, &expected));
  // The shell's find data keeps file times to even seconds, as FAT does.
  EXPECT_NEAR(At(L"dated.txt").ModifiedTime(), expected, 2.0 / 86400);

  walker_.SetCurrentId(nullptr);
  EXPECT_EQ(walker_.ModifiedTime(), 0);
}

TEST(DirwalkerModifiedTime, MyComputerHasNone) {
  TDirwalker walker;
  walker.SetSpecialFolder(SF_DESKTOP);
  bool found = false;
  while (!found && walker.NextObject()) found = walker.ObjectSpecialFolder() == SF_DRIVES;
  ASSERT_TRUE(found);
  EXPECT_EQ(walker.ModifiedTime(), 0);
}

TEST(DirwalkerDateTimeText, ShortDateBlankShortTime) {
  const SYSTEMTIME time{2026, 12, 1, 7, 20, 32, 0, 0};
  wchar_t date[64] = {};
  wchar_t clock[64] = {};
  wchar_t short_time[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 64);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, short_time, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, short_time, clock, 64);
  EXPECT_EQ(DateTimeToText(SystemTimeToDateTime(time)), std::wstring(date) + L" " + clock);

  // Before day 0 the whole days count back while the time counts forward.
  const SYSTEMTIME early{1899, 12, 5, 29, 6, 0, 0, 0};
  EXPECT_DOUBLE_EQ(SystemTimeToDateTime(early), -1.25);
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &early, nullptr, date, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &early, short_time, clock, 64);
  EXPECT_EQ(DateTimeToText(-1.25), std::wstring(date) + L" " + clock);
}

TEST_F(DirwalkerDetails, SmallIconsAreTheSystemListsIcons) {
  const std::wstring file = temp_.MakeFile(L"icon.txt");
  const std::wstring folder = temp_.MakeFolder(L"folder");
  const int file_icon = At(L"icon.txt").SmallIconIndex();
  const int folder_icon = At(L"folder").SmallIconIndex();
  EXPECT_GE(file_icon, 0);
  EXPECT_GE(folder_icon, 0);
  EXPECT_NE(file_icon, folder_icon);
  EXPECT_EQ(file_icon, SystemSmallIcon(file));
  EXPECT_EQ(folder_icon, SystemSmallIcon(folder));
}

// Wine offers no IShellIconOverlay: the attributes decide.
TEST_F(DirwalkerDetails, OverlayMarksLinksOnly) {
  const std::wstring file = temp_.MakeFile(L"plain.txt");
  temp_.MakeLink(L"shortcut", file);
  temp_.MakeFolder(L"folder");
  EXPECT_EQ(At(L"shortcut.lnk").OverlayIndex(), 1);
  EXPECT_EQ(At(L"plain.txt").OverlayIndex(), -1);
  EXPECT_EQ(At(L"folder").OverlayIndex(), -1);
  walker_.SetCurrentId(nullptr);
  EXPECT_EQ(walker_.OverlayIndex(), -1);
}

// Wine offers neither IExtractImage nor IQueryInfo.
TEST_F(DirwalkerDetails, NoThumbnailsOrInfoTipsUnderWine) {
  temp_.MakeFile(L"picture.bmp", 100);
  At(L"picture.bmp");
  EXPECT_EQ(walker_.ExtractThumbnail(0, 100), nullptr);
  EXPECT_EQ(walker_.ExtractThumbnail(32, 32), nullptr);
  EXPECT_EQ(walker_.InfoTip(), L"");
  EXPECT_EQ(walker_.ObjectName(), L"picture.bmp") << "the requests keep the current object";
}

}  // namespace
}  // namespace wf
