#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace wf {

// Case-insensitive comparison that folds ASCII letters only; every other
// character compares by its code. <0, 0 or >0.
int CompareText(std::wstring_view a, std::wstring_view b);

// A text's first eight characters folded as CompareText folds them, packed
// so that integer order is their order, and its length. Sorting many rows by
// text compares mostly these: the texts themselves lie scattered over the
// heap, and reading them stalled each step of a sort on a cache miss.
struct FoldedPrefix {
  static constexpr size_t kChars = 8;
  uint64_t high = 0;  // characters 0-3, the first in the top 16 bits
  uint64_t low = 0;   // characters 4-7
  uint32_t length = 0;
  // Free for whoever keeps the prefix: a sort key built on it stays 24 bytes.
  uint32_t tag = 0;
  static FoldedPrefix Of(std::wstring_view text) {
    static_assert(sizeof(wchar_t) == 2, "four characters to a 64-bit word");
    FoldedPrefix prefix;
    const size_t count = text.size() < kChars ? text.size() : kChars;
    uint64_t words[2] = {0, 0};
    std::memcpy(words, text.data(), count * sizeof(wchar_t));
    prefix.high = FoldAndOrder(words[0]);
    prefix.low = FoldAndOrder(words[1]);
    prefix.length = text.size() < UINT32_MAX ? static_cast<uint32_t>(text.size()) : UINT32_MAX;
    return prefix;
  }

 private:
  // Four characters as they lie in memory (the first in the low 16 bits),
  // all folded at once, then turned so that the first is in the top bits.
  static uint64_t FoldAndOrder(uint64_t x) {
    constexpr uint64_t kLanes = 0x0001000100010001;
    constexpr uint64_t kTop = 0x8000 * kLanes;
    // Each lane's low 15 bits plus a constant below 0x8000 cannot carry
    // into the next lane; the sum's top bit tells the comparison.
    const uint64_t low = x & ~kTop;
    const uint64_t from_a = (low + (0x8000 - L'a') * kLanes) & kTop;
    const uint64_t past_z = (low + (0x8000 - L'z' - 1) * kLanes) & kTop;
    const uint64_t lower_case = from_a & ~past_z & ~(x & kTop);
    x -= lower_case >> 10;  // 0x20 in each such lane
    x = (x << 32) | (x >> 32);
    return ((x & 0x0000FFFF0000FFFF) << 16) | ((x >> 16) & 0x0000FFFF0000FFFF);
  }
};

// CompareText(a, b), the same answer, given each text with its prefix; the
// texts are read only when both share their first eight characters (so they
// are taken by reference: even a view's making would read them).
inline int CompareText(const FoldedPrefix& pa, const std::wstring& a, const FoldedPrefix& pb,
                       const std::wstring& b) {
  uint64_t wa = pa.high, wb = pb.high;
  size_t base = 0;
  if (wa == wb) {
    wa = pa.low;
    wb = pb.low;
    base = 4;
  }
  const uint32_t shorter = pa.length < pb.length ? pa.length : pb.length;
  if (wa != wb) {
    const int shift = 48 - (std::countl_zero(wa ^ wb) & ~15);
    if (base + static_cast<size_t>((48 - shift) / 16) < shorter)
      return static_cast<int>((wa >> shift) & 0xFFFF) - static_cast<int>((wb >> shift) & 0xFFFF);
  } else if (shorter > FoldedPrefix::kChars) {
    return CompareText(std::wstring_view(a).substr(FoldedPrefix::kChars),
                       std::wstring_view(b).substr(FoldedPrefix::kChars));
  }
  // Equal up to the shorter one's end (a prefix pads with zeros).
  return static_cast<int>(pa.length) - static_cast<int>(pb.length);
}

// Whether two texts are the same but for case, over every letter (not only
// ASCII ones): an ordinal comparison, the way the file system compares
// names, the same in every locale. So, unlike CompareText, a capital
// umlaut matches its small letter; an accent still makes another letter.
bool SameText(std::wstring_view a, std::wstring_view b);
std::wstring AsciiUpperCase(std::wstring_view s);
// Every letter as its capital, by the platform's case table: the key under
// which names that differ only by case meet in a set or a map.
std::wstring UpperCaseText(std::wstring text);
// The start and the end of a text, compared as SameText compares.
bool StartsWithText(std::wstring_view s, std::wstring_view prefix);
bool EndsWithText(std::wstring_view text, std::wstring_view end);

// File-mask matching: '*' any run, '?' one character, [abc] / [a-z] / [!abc]
// sets; ASCII letters match their capitals, other characters only themselves.
bool MatchesMask(std::wstring_view name, std::wstring_view mask);

// Path splitting, Windows style.
std::wstring ExtractFileDrive(std::wstring_view path);  // "C:" or "\\server\share"
std::wstring ExtractFilePath(std::wstring_view path);   // up to and including the last '\' or ':'
std::wstring ExtractFileName(std::wstring_view path);   // after the last '\' or ':'
std::wstring IncludeTrailingBackslash(std::wstring_view path);
std::wstring ExcludeTrailingBackslash(std::wstring_view path);
// The spelling of a path that the platform's file calls take at any length.
// A drive or share path too long for their plain form comes back resolved
// (its "." and ".." parts and forward slashes, which the prefixed form takes
// literally) behind the prefix \\?\ (\\?\UNC\ for a share); any other
// path comes back as it is. For file calls only: the shell's parsing knows
// no such prefix.
std::wstring LongPathForm(std::wstring_view path);

std::string ToUtf8(std::wstring_view s);
std::wstring FromUtf8(std::string_view s);

std::wstring IntToStr(int64_t value);
// Integer parse in the style of the ini-file reader: the default on any error.
int StrToIntDef(std::wstring_view s, int fallback);

}  // namespace wf
