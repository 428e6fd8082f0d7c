#include "framework/Strings.h"

#include <windows.h>

#include <charconv>

namespace wf {
namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool IsPathDelimiter(wchar_t c) { return c == L'\\' || c == L':'; }

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

bool MatchFrom(std::wstring_view name, size_t n, std::wstring_view mask, size_t m) {
  while (m < mask.size()) {
    const wchar_t mc = mask[m];
    if (mc == L'*') {
      while (m < mask.size() && mask[m] == L'*') ++m;
      if (m == mask.size()) return true;
      for (size_t k = n; k <= name.size(); ++k)
        if (MatchFrom(name, k, mask, m)) return true;
      return false;
    }
    if (n >= name.size()) return false;
    if (mc == L'?') {
      ++n;
      ++m;
    } else if (mc == L'[') {
      size_t next = m;
      bool well_formed = true;
      const bool in_set = MatchSet(mask, next, name[n], well_formed);
      if (!well_formed) {  // an unclosed '[' is an ordinary character
        if (FoldAscii(name[n]) != FoldAscii(mc)) return false;
        ++n;
        ++m;
        continue;
      }
      if (!in_set) return false;
      ++n;
      m = next;
    } else {
      if (FoldAscii(name[n]) != FoldAscii(mc)) return false;
      ++n;
      ++m;
    }
  }
  return n == name.size();
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
  return a.size() == b.size() && CompareText(a, b) == 0;
}

std::wstring AsciiUpperCase(std::wstring_view s) {
  std::wstring r(s);
  for (auto& c : r) c = FoldAscii(c);
  return r;
}

bool StartsWithText(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

bool MatchesMask(std::wstring_view name, std::wstring_view mask) { return MatchFrom(name, 0, mask, 0); }

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

std::string ToUtf8(std::wstring_view s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string r(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n, nullptr, nullptr);
  return r;
}

std::wstring FromUtf8(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring r(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
  return r;
}

std::wstring IntToStr(int64_t value) { return std::to_wstring(value); }

int StrToIntDef(std::wstring_view s, int fallback) {
  size_t b = 0, e = s.size();
  while (b < e && iswspace(s[b])) ++b;
  while (e > b && iswspace(s[e - 1])) --e;
  if (b == e) return fallback;
  std::string narrow;
  for (size_t i = b; i < e; ++i) {
    if (s[i] > 0x7F) return fallback;
    narrow += static_cast<char>(s[i]);
  }
  const char* first = narrow.data();
  const char* last = first + narrow.size();
  if (*first == '+') ++first;
  int value = 0;
  int base = 10;
  bool negative = false;
  if (first < last && *first == '-') {
    negative = true;
    ++first;
  }
  if (first < last && (*first == '$')) {
    base = 16;
    ++first;
  } else if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
    base = 16;
    first += 2;
  }
  auto [ptr, ec] = std::from_chars(first, last, value, base);
  if (ec != std::errc() || ptr != last || first == last) return fallback;
  return negative ? -value : value;
}

}  // namespace wf
