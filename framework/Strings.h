#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wf {

// Case-insensitive comparison that folds ASCII letters only; every other
// character compares by its code. <0, 0 or >0.
int CompareText(std::wstring_view a, std::wstring_view b);
bool SameText(std::wstring_view a, std::wstring_view b);
std::wstring AsciiUpperCase(std::wstring_view s);
bool StartsWithText(std::wstring_view s, std::wstring_view prefix);

// File-mask matching: '*' any run, '?' one character, [abc] / [a-z] / [!abc]
// sets; ASCII letters match their capitals, other characters only themselves.
bool MatchesMask(std::wstring_view name, std::wstring_view mask);

// Path splitting, Windows style.
std::wstring ExtractFileDrive(std::wstring_view path);  // "C:" or "\\server\share"
std::wstring ExtractFilePath(std::wstring_view path);   // up to and including the last '\' or ':'
std::wstring ExtractFileName(std::wstring_view path);   // after the last '\' or ':'
std::wstring IncludeTrailingBackslash(std::wstring_view path);
std::wstring ExcludeTrailingBackslash(std::wstring_view path);

std::string ToUtf8(std::wstring_view s);
std::wstring FromUtf8(std::string_view s);

std::wstring IntToStr(int64_t value);
// Integer parse in the style of the ini-file reader: the default on any error.
int StrToIntDef(std::wstring_view s, int fallback);

}  // namespace wf
