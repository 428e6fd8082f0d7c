// Text helpers: comparison and folding, paths and file names, numbers and
// masks.
#include "framework/Strings.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace wf {
namespace {

wchar_t FoldAscii(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

bool IsPathDelimiter(wchar_t c) {
  return c == L'\\' || c == L':';
}

// Matches one bracketed set at mask[pos] ('[' already seen); advances pos
// past ']' and answers whether c is in the set.
bool MatchSet(std::wstring_view mask, size_t& pos, wchar_t c, bool& well_formed) {
  size_t i = pos + 1;
  bool negate = false;
  if (i < mask.size() && mask[i] == L'!') {
    negate = true;
    ++i;
  }
  bool found = false;
  const wchar_t folded = FoldAscii(c);
  bool first = true;
  while (i < mask.size() && (mask[i] != L']' || first)) {
    first = false;
    wchar_t lo = FoldAscii(mask[i]);
    wchar_t hi = lo;
    if (i + 2 < mask.size() && mask[i + 1] == L'-' && mask[i + 2] != L']') {
      hi = FoldAscii(mask[i + 2]);
      i += 2;
    }
    if (folded >= lo && folded <= hi) found = true;
    ++i;
  }
  well_formed = i < mask.size();
  pos = i + 1;
  return found != negate;
}

// Matches one mask element (not '*') at mask[m] against c; `next` is where
// the following element starts.
bool MatchOne(std::wstring_view mask, size_t m, wchar_t c, size_t& next) {
  const wchar_t mc = mask[m];
  next = m + 1;
  if (mc == L'?') return true;
  if (mc == L'[') {
    size_t after = m;
    bool well_formed = true;
    const bool in_set = MatchSet(mask, after, c, well_formed);
    if (well_formed) {
      next = after;
      return in_set;
    }
    // An unclosed '[' is an ordinary character.
  }
  return FoldAscii(c) == FoldAscii(mc);
}

// Only the last '*' seen needs retrying: a later star can take any run an
// earlier one could, so backing up further never finds a new match. That
// keeps masks with many stars linear in their stars instead of exponential.
bool MatchFrom(std::wstring_view name, std::wstring_view mask) {
  size_t n = 0, m = 0;
  size_t star_m = std::wstring_view::npos, star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == L'*') {
      while (m < mask.size() && mask[m] == L'*') ++m;
      star_m = m;
      star_n = n;
      continue;
    }
    size_t next = m;
    if (m < mask.size() && MatchOne(mask, m, name[n], next)) {
      ++n;
      m = next;
      continue;
    }
    if (star_m == std::wstring_view::npos) return false;
    m = star_m;
    n = ++star_n;
  }
  while (m < mask.size() && mask[m] == L'*') ++m;
  return m == mask.size();
}

}  // namespace

int CompareText(std::wstring_view a, std::wstring_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int ca = FoldAscii(a[i]);
    const int cb = FoldAscii(b[i]);
    if (ca != cb) return ca - cb;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  // The platform's counts are ints; a text that long is compared in parts.
  constexpr size_t kPart = 1u << 30;
  for (size_t at = 0; at < a.size(); at += kPart) {
    const int n = static_cast<int>(std::min(kPart, a.size() - at));
    if (CompareStringOrdinal(a.data() + at, n, b.data() + at, n, TRUE) != CSTR_EQUAL) return false;
  }
  return true;
}

std::wstring AsciiUpperCase(std::wstring_view s) {
  std::wstring r(s);
  for (auto& c : r) c = FoldAscii(c);
  return r;
}

std::wstring UpperCaseText(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

bool StartsWithText(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

bool EndsWithText(std::wstring_view text, std::wstring_view end) {
  return text.size() >= end.size() && SameText(text.substr(text.size() - end.size()), end);
}

bool MatchesMask(std::wstring_view name, std::wstring_view mask) {
  return MatchFrom(name, mask);
}

std::wstring ExtractFileDrive(std::wstring_view path) {
  if (path.size() >= 2 && path[1] == L':') return std::wstring(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    // \\server\share: up to, not including, the backslash after the share.
    size_t slashes = 0;
    size_t i = 2;
    for (; i < path.size(); ++i) {
      if (path[i] == L'\\' && ++slashes == 2) break;
    }
    if (slashes >= 1) return std::wstring(path.substr(0, i));
  }
  return {};
}

std::wstring ExtractFilePath(std::wstring_view path) {
  size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
  return std::wstring(path.substr(0, i));
}

std::wstring ExtractFileName(std::wstring_view path) {
  size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
  return std::wstring(path.substr(i));
}

std::wstring IncludeTrailingBackslash(std::wstring_view path) {
  std::wstring r(path);
  if (r.empty() || r.back() != L'\\') r += L'\\';
  return r;
}

std::wstring ExcludeTrailingBackslash(std::wstring_view path) {
  std::wstring r(path);
  if (!r.empty() && r.back() == L'\\') r.pop_back();
  return r;
}

namespace {

// Paths of this length and longer fail in the plain form: a folder made by
// CreateDirectory must leave room for an 8.3 name below MAX_PATH.
constexpr size_t kPlainFormLimit = MAX_PATH - 12;

bool IsSlash(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// GetFullPathNameW's answer, whose length it tells first; empty on failure.
std::wstring FullPathName(const std::wstring& path) {
  std::wstring full(path.size() + 1, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n);
  }
}

}  // namespace

std::wstring LongPathForm(std::wstring_view path) {
  if (path.size() < kPlainFormLimit) return std::wstring(path);
  const bool drive =
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
      path[1] == L':' && IsSlash(path[2]);
  // "\\?\" and "\\.\" paths are in a device form already.
  const bool share = IsSlash(path[0]) && IsSlash(path[1]) && path[2] != L'?' && path[2] != L'.' &&
                     !IsSlash(path[2]);
  if (!drive && !share) return std::wstring(path);
  const std::wstring full = FullPathName(std::wstring(path));
  if (full.size() < 3) return std::wstring(path);
  if (share) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string ToUtf8(std::wstring_view s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string r(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n, nullptr,
                      nullptr);
  return r;
}

std::wstring FromUtf8(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring r(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
  return r;
}

std::wstring IntToStr(int64_t value) {
  return std::to_wstring(value);
}

int StrToIntDef(std::wstring_view s, int fallback) {
  size_t b = 0, e = s.size();
  while (b < e && iswspace(s[b])) ++b;
  while (e > b && iswspace(s[e - 1])) --e;
  std::wstring_view text = s.substr(b, e - b);
  bool negative = false;
  if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) {
    negative = text[0] == L'-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == L'$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return fallback;
  // Accumulated as a magnitude so that the most negative value fits; every
  // character must be a digit of the base (no second sign, no spaces).
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t value = 0;
  for (const wchar_t c : text) {
    int digit;
    if (c >= L'0' && c <= L'9')
      digit = c - L'0';
    else if (base == 16 && c >= L'a' && c <= L'f')
      digit = c - L'a' + 10;
    else if (base == 16 && c >= L'A' && c <= L'F')
      digit = c - L'A' + 10;
    else
      return fallback;
    if (digit >= base) return fallback;
    value = value * base + digit;
    if (value > limit) return fallback;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace wf
