#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "framework/Strings.h"

namespace wf {
namespace {

TEST(MatchesMask, StarMatchesAnyRunIncludingNone) {
  EXPECT_TRUE(MatchesMask(L"report.txt", L"*.txt"));
  EXPECT_TRUE(MatchesMask(L".txt", L"*.txt"));
  EXPECT_TRUE(MatchesMask(L"", L"*"));
  EXPECT_TRUE(MatchesMask(L"a.b.c", L"a*c"));
  EXPECT_TRUE(MatchesMask(L"abcb", L"a*b"));
  EXPECT_TRUE(MatchesMask(L"aXXbYYc", L"a**b*c"));
  EXPECT_FALSE(MatchesMask(L"report.txt.bak", L"*.txt"));
  EXPECT_FALSE(MatchesMask(L"abc", L"a*d"));
}

TEST(MatchesMask, QuestionMarkTakesExactlyOneCharacter) {
  EXPECT_TRUE(MatchesMask(L"abc", L"a?c"));
  EXPECT_FALSE(MatchesMask(L"ac", L"a?c"));
  EXPECT_FALSE(MatchesMask(L"abbc", L"a?c"));
  EXPECT_FALSE(MatchesMask(L"", L"?"));
  EXPECT_TRUE(MatchesMask(L"\u65E5", L"?"));
}

TEST(MatchesMask, SetsRangesAndNegation) {
  EXPECT_TRUE(MatchesMask(L"b1", L"[a-c]1"));
  EXPECT_TRUE(MatchesMask(L"c1", L"[a-c]1"));
  EXPECT_FALSE(MatchesMask(L"d1", L"[a-c]1"));
  EXPECT_TRUE(MatchesMask(L"x.log", L"[xyz].log"));
  EXPECT_FALSE(MatchesMask(L"w.log", L"[xyz].log"));
  EXPECT_TRUE(MatchesMask(L"y", L"[!x]"));
  EXPECT_FALSE(MatchesMask(L"x", L"[!x]"));
  EXPECT_FALSE(MatchesMask(L"", L"[!x]"));
  // A set takes one character, not a run.
  EXPECT_FALSE(MatchesMask(L"ab", L"[a-c]"));
}

TEST(MatchesMask, UnclosedBracketIsAnOrdinaryCharacter) {
  EXPECT_TRUE(MatchesMask(L"[abc", L"[abc"));
  EXPECT_TRUE(MatchesMask(L"x[1", L"x[1"));
  EXPECT_FALSE(MatchesMask(L"a", L"[abc"));
  EXPECT_TRUE(MatchesMask(L"file[", L"*["));
}

TEST(MatchesMask, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(MatchesMask(L"README.TXT", L"*.txt"));
  EXPECT_TRUE(MatchesMask(L"B1", L"[a-c]1"));
  EXPECT_FALSE(MatchesMask(L"X", L"[!x]"));
  EXPECT_TRUE(MatchesMask(L"caf\u00E9", L"caf\u00E9"));
  EXPECT_FALSE(MatchesMask(L"caf\u00E9", L"CAF\u00C9"));
  EXPECT_FALSE(MatchesMask(L"\u03C9", L"\u03A9"));
}

// A filter typed by the user must not hang the browser, however many stars
// it holds: a matcher that tries every split of the name between the stars
// would not return from the first of these within the test's time-out.
TEST(MatchesMask, ManyStarsStillAnswer) {
  const std::wstring name(200, L'a');
  EXPECT_FALSE(MatchesMask(name, L"*a*a*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchesMask(name + L"b", L"*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(CompareText, FoldsAsciiAndOrdersByCode) {
  EXPECT_EQ(CompareText(L"Program Files", L"PROGRAM FILES"), 0);
  EXPECT_LT(CompareText(L"abc", L"ABD"), 0);
  EXPECT_GT(CompareText(L"b", L"A"), 0);
  EXPECT_LT(CompareText(L"ab", L"abc"), 0);
  EXPECT_GT(CompareText(L"abc", L"AB"), 0);
  EXPECT_NE(CompareText(L"\u00E9", L"\u00C9"), 0);
  EXPECT_TRUE(SameText(L"Windows", L"wINDOWS"));
  EXPECT_FALSE(SameText(L"Windows", L"Window"));
  EXPECT_TRUE(StartsWithText(L"C:\\Windows", L"c:\\"));
  // Case folds over every letter, as the file system compares names;
  // an accented letter is still another letter.
  EXPECT_TRUE(SameText(L"\u00C4RGER.TXT", L"\u00E4rger.txt"));
  EXPECT_FALSE(SameText(L"\u00E9", L"e"));
  EXPECT_TRUE(EndsWithText(L"Notes.\u00C4BC", L".\u00E4bc"));
  EXPECT_FALSE(EndsWithText(L"bc", L".abc"));
}

// Sorts compare prefixes in place of texts, so every answer must be the
// very value CompareText gives (handlers see it), not just its sign.
TEST(CompareText, PrefixedComparisonGivesTheSameAnswer) {
  std::vector<std::wstring> texts = {L"",
                                     L"a",
                                     L"A",
                                     L"b",
                                     L"ab",
                                     L"AB",
                                     L"abc",
                                     L"abcd",
                                     L"abcD",
                                     L"abcde",
                                     L"abcdefg",
                                     L"abcdefgh",
                                     L"ABCDEFGH",
                                     L"abcdefghi",
                                     L"abcdefghI",
                                     L"abcdefgh\u00E9",
                                     L"abcdefghij",
                                     L"abcdefgi",
                                     L"12 KB",
                                     L"9 KB",
                                     L"1,024 KB",
                                     L"\u00E9",
                                     L"\u00C9",
                                     L"\uFFFF",
                                     std::wstring(1, L'\0'),
                                     std::wstring(L"ab\0c", 4),
                                     std::wstring(L"abcdefgh\0", 9),
                                     L"zzzzzzzzzzzzzzzzzzzz",
                                     L"ZZZZZZZZZZZZZZZZZZZZ",
                                     L"[]^_`{"};
  // Texts sharing long stretches, differing at every place around the
  // prefix's end, in case, and by length.
  std::mt19937 random(7);
  // Letters and their neighbours, and characters whose low bits are an
  // ASCII letter's.
  const std::wstring alphabet = L"aAbB_`{zZ@[\u00E9\u20AC\u8061\uFF5A\u0161";
  for (int i = 0; i < 400; ++i) {
    std::wstring text(random() % 12, L'a');
    for (auto& c : text)
      if (random() % 3 == 0) c = alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  for (const auto& a : texts) {
    const FoldedPrefix pa = FoldedPrefix::Of(a);
    for (const auto& b : texts) {
      ASSERT_EQ(CompareText(pa, a, FoldedPrefix::Of(b), b), CompareText(a, b))
          << "\"" << ToUtf8(a) << "\" against \"" << ToUtf8(b) << "\"";
    }
  }
}

TEST(PathSplitting, DrivePaths) {
  EXPECT_EQ(ExtractFileDrive(L"C:\\dir\\f.txt"), L"C:");
  EXPECT_EQ(ExtractFilePath(L"C:\\dir\\f.txt"), L"C:\\dir\\");
  EXPECT_EQ(ExtractFileName(L"C:\\dir\\f.txt"), L"f.txt");
  EXPECT_EQ(ExtractFilePath(L"C:f.txt"), L"C:");
  EXPECT_EQ(ExtractFileName(L"C:f.txt"), L"f.txt");
  EXPECT_EQ(ExtractFileName(L"C:\\dir\\"), L"");
  EXPECT_EQ(ExtractFilePath(L"C:\\"), L"C:\\");
}

TEST(PathSplitting, UncPaths) {
  EXPECT_EQ(ExtractFileDrive(L"\\\\server\\share\\dir\\f.txt"), L"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(L"\\\\server\\share"), L"\\\\server\\share");
  EXPECT_EQ(ExtractFilePath(L"\\\\server\\share\\f.txt"), L"\\\\server\\share\\");
  EXPECT_EQ(ExtractFileName(L"\\\\server\\share\\f.txt"), L"f.txt");
}

TEST(PathSplitting, BareNames) {
  EXPECT_EQ(ExtractFileDrive(L"f.txt"), L"");
  EXPECT_EQ(ExtractFilePath(L"f.txt"), L"");
  EXPECT_EQ(ExtractFileName(L"f.txt"), L"f.txt");
  EXPECT_EQ(ExtractFileName(L"\u65E5\u672C.txt"), L"\u65E5\u672C.txt");
  EXPECT_EQ(IncludeTrailingBackslash(L"C:\\dir"), L"C:\\dir\\");
  EXPECT_EQ(IncludeTrailingBackslash(L"C:\\dir\\"), L"C:\\dir\\");
  EXPECT_EQ(ExcludeTrailingBackslash(L"C:\\dir\\"), L"C:\\dir");
}

// Windows refuses paths this long in the plain form unless the machine
// allows long paths; Wine takes either form, so only the spelling is shown.
TEST(PathSplitting, LongPathsTakeTheResolvedPrefixedForm) {
  const std::wstring name(250, L'n');
  EXPECT_EQ(LongPathForm(L"C:\\dir\\f.txt"), L"C:\\dir\\f.txt");
  EXPECT_EQ(LongPathForm(L"C:\\" + name), L"\\\\?\\C:\\" + name);
  EXPECT_EQ(LongPathForm(L"C:/dir/../" + name), L"\\\\?\\C:\\" + name);
  EXPECT_EQ(LongPathForm(L"\\\\server\\share\\" + name), L"\\\\?\\UNC\\server\\share\\" + name);
  EXPECT_EQ(LongPathForm(L"\\\\?\\C:\\" + name), L"\\\\?\\C:\\" + name);
  EXPECT_EQ(LongPathForm(name), name);
  EXPECT_EQ(LongPathForm(L""), L"");
}

TEST(StrToIntDef, DecimalAndHexadecimal) {
  EXPECT_EQ(StrToIntDef(L"42", -1), 42);
  EXPECT_EQ(StrToIntDef(L" 42 ", -1), 42);
  EXPECT_EQ(StrToIntDef(L"-17", 0), -17);
  EXPECT_EQ(StrToIntDef(L"+17", 0), 17);
  EXPECT_EQ(StrToIntDef(L"$1F", 0), 31);
  EXPECT_EQ(StrToIntDef(L"0x1f", 0), 31);
  EXPECT_EQ(StrToIntDef(L"-$10", 0), -16);
  EXPECT_EQ(StrToIntDef(L"2147483647", 0), INT_MAX);
  EXPECT_EQ(StrToIntDef(L"-2147483648", 0), INT_MIN);
}

TEST(StrToIntDef, AnythingElseGivesTheDefault) {
  EXPECT_EQ(StrToIntDef(L"", 7), 7);
  EXPECT_EQ(StrToIntDef(L"  ", 7), 7);
  EXPECT_EQ(StrToIntDef(L"abc", 7), 7);
  EXPECT_EQ(StrToIntDef(L"12abc", 7), 7);
  EXPECT_EQ(StrToIntDef(L"1 2", 7), 7);
  EXPECT_EQ(StrToIntDef(L"2147483648", 7), 7);
  EXPECT_EQ(StrToIntDef(L"-2147483649", 7), 7);
  EXPECT_EQ(StrToIntDef(L"--5", 7), 7);
  EXPECT_EQ(StrToIntDef(L"+-5", 7), 7);
  EXPECT_EQ(StrToIntDef(L"$-5", 7), 7);
  EXPECT_EQ(StrToIntDef(L"-", 7), 7);
  EXPECT_EQ(StrToIntDef(L"$", 7), 7);
  EXPECT_EQ(StrToIntDef(L"\uFF11", 7), 7);  // a full-width digit is not a digit here
}

TEST(Utf8, NonAnsiTextRoundTrips) {
  const std::wstring text = L"C:\\\u03A9mega\\\u65E5\u672C\\\U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(L"\u00E9"), "\xC3\xA9");
}

}  // namespace
}  // namespace wf
