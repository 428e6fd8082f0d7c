#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/IniFile.h"
#include "framework/Strings.h"
#include "tests/support/TempFolder.h"

namespace wf {
namespace {

using test::TempFolder;

class IniFile : public testing::Test {
 protected:
  std::wstring FileName() const { return temp / L"settings.ini"; }
  void WriteRaw(const std::string& bytes) {
    UniqueFile file(
        CreateFileW(FileName().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  TempFolder temp;
};

TEST_F(IniFile, MissingFileAnswersDefaults) {
  TIniFile ini(FileName());
  EXPECT_EQ(ini.ReadString(L"Main", L"Path", L"C:\\"), L"C:\\");
  EXPECT_EQ(ini.ReadInteger(L"Main", L"Width", 332), 332);
  EXPECT_FALSE(ini.ValueExists(L"Main", L"Path"));
  EXPECT_FALSE(ini.SectionExists(L"Main"));
  EXPECT_EQ(GetFileAttributesW(FileName().c_str()),
            INVALID_FILE_ATTRIBUTES);  // reading makes no file
}

TEST_F(IniFile, MissingKeysAndBadNumbersAnswerDefaults) {
  WriteRaw("[Main]\r\nWidth=wide\r\nEmpty=\r\nHeight=566\r\n");
  TIniFile ini(FileName());
  EXPECT_EQ(ini.ReadInteger(L"Main", L"Width", 7), 7);
  EXPECT_EQ(ini.ReadInteger(L"Main", L"Empty", 7), 7);
  EXPECT_EQ(ini.ReadInteger(L"Main", L"Height", 7), 566);
  EXPECT_EQ(ini.ReadInteger(L"Main", L"Depth", 7), 7);
  EXPECT_EQ(ini.ReadString(L"Other", L"Height", L"none"), L"none");
  EXPECT_TRUE(ini.ValueExists(L"Main", L"Empty"));
}

TEST_F(IniFile, IntegersRoundTrip) {
  TIniFile ini(FileName());
  EXPECT_TRUE(ini.WriteInteger(L"Window", L"Left", -1306));
  EXPECT_TRUE(ini.WriteInteger(L"Window", L"Top", 0));
  EXPECT_TRUE(ini.WriteInteger(L"Window", L"Big", 2147483647));
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Left", 1), -1306);
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Top", 1), 0);
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Big", 1), 2147483647);
  EXPECT_EQ(ini.ReadString(L"Window", L"Left", L""), L"-1306");
}

TEST_F(IniFile, NamesAreFoundWhateverTheirCase) {
  TIniFile ini(FileName());
  ini.WriteString(L"Settings", L"LastPath", L"C:\\");
  EXPECT_TRUE(ini.ValueExists(L"settings", L"LASTPATH"));
  EXPECT_TRUE(ini.SectionExists(L"SETTINGS"));
  EXPECT_EQ(ini.ReadString(L"SETTINGS", L"lastpath", L""), L"C:\\");
  EXPECT_FALSE(ini.ValueExists(L"Settings", L"LastPat"));
  EXPECT_FALSE(ini.SectionExists(L"Setting"));
}

TEST_F(IniFile, NonAnsiValueSurvivesAndEarlierAnsiContentStays) {
  TIniFile ini(FileName());
  ini.WriteString(L"Window", L"Width", L"332");
  ini.WriteString(L"Paths", L"Home", L"C:\\caf\u00E9");  // in the ANSI code page
  ini.WriteString(L"Paths", L"Other", L"C:\\plain");
  const std::wstring non_ansi = L"C:\\\u03A9mega\\\u65E5\u672C";
  EXPECT_TRUE(ini.WriteString(L"Paths", L"Last", non_ansi));
  EXPECT_EQ(ini.ReadString(L"Paths", L"Last", L""), non_ansi);
  EXPECT_EQ(ini.ReadString(L"Window", L"Width", L""), L"332");
  EXPECT_EQ(ini.ReadString(L"Paths", L"Home", L""), L"C:\\caf\u00E9");
  EXPECT_EQ(ini.ReadString(L"Paths", L"Other", L""), L"C:\\plain");
  // Later writes, of either kind, keep working on the same file.
  ini.WriteInteger(L"Window", L"Height", 566);
  ini.WriteString(L"Paths", L"Second", L"D:\\\u65E5");
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Height", 0), 566);
  EXPECT_EQ(ini.ReadString(L"Paths", L"Last", L""), non_ansi);
  EXPECT_EQ(ini.ReadString(L"Paths", L"Second", L""), L"D:\\\u65E5");
  EXPECT_EQ(TIniFile(FileName()).ReadString(L"Paths", L"Last", L""), non_ansi);
}

TEST_F(IniFile, NonAnsiSectionAndKeyNamesSurvive) {
  TIniFile ini(FileName());
  ini.WriteString(L"Main", L"Plain", L"1");
  ini.WriteString(L"Favourites", L"\u65E5\u672C", L"C:\\x");
  ini.WriteString(L"\u03A9mega", L"Key", L"y");
  EXPECT_EQ(ini.ReadString(L"Favourites", L"\u65E5\u672C", L""), L"C:\\x");
  EXPECT_TRUE(ini.ValueExists(L"Favourites", L"\u65E5\u672C"));
  EXPECT_FALSE(ini.ValueExists(L"Favourites", L"??"));
  EXPECT_EQ(ini.ReadString(L"\u03A9mega", L"Key", L""), L"y");
  EXPECT_TRUE(ini.SectionExists(L"\u03A9mega"));
  EXPECT_EQ(ini.ReadString(L"Main", L"Plain", L""), L"1");
}

TEST_F(IniFile, LongValuesAreReadWhole) {
  TIniFile ini(FileName());
  const std::wstring long_value(5000, L'x');
  ini.WriteString(L"Main", L"Long", long_value);
  EXPECT_EQ(ini.ReadString(L"Main", L"Long", L""), long_value);
}

TEST_F(IniFile, UnwritableFileReportsFailureWithThePlatformsReasonAndLeavesNothingBehind) {
  TIniFile missing(temp / L"missing-folder\\settings.ini");
  EXPECT_EQ(missing.WriteError(), 0u);
  EXPECT_FALSE(missing.WriteString(L"Main", L"Key", L"value"));
  EXPECT_NE(missing.WriteError(), 0u);
  EXPECT_FALSE(missing.WriteString(L"Main", L"Key", L"\u65E5"));

  // A folder in the file's place: the tests run as root, where Wine's
  // read-only attribute refuses no write.
  ASSERT_TRUE(CreateDirectoryW(FileName().c_str(), nullptr));
  TIniFile ini(FileName());
  EXPECT_FALSE(ini.WriteString(L"Main", L"Key", L"value"));
  EXPECT_EQ(ini.WriteError(), static_cast<unsigned long>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(ini.WriteString(L"Main", L"Key", L"\u65E5"));
  // The copy each write was made in is gone.
  WIN32_FIND_DATAW found{};
  UniqueFindHandle search(FindFirstFileW((temp / L"*").c_str(), &found));
  ASSERT_TRUE(search);
  std::vector<std::wstring> names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search.get(), &found));
  EXPECT_EQ(names, std::vector<std::wstring>{L"settings.ini"});
  RemoveDirectoryW(FileName().c_str());
}

}  // namespace
}  // namespace wf
