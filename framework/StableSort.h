#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace wf {

// A stable merge sort driven by a three-way comparison (< 0, 0, > 0), as the
// platform's sort callbacks answer. Unlike std::stable_sort it stays inside
// its range whatever the comparison answers: list sorts call handlers and
// shell extensions whose answers need not be consistent, and a wrong order
// is then the worst outcome. Deterministic: the same input and answers make
// the same comparisons, so a sort can be replayed. A comparison that throws
// leaves `values` out of order and possibly with copies: sort a copy when
// that matters.
// `buffer` is working memory, which a caller that sorts often may keep.
template <class T, class Compare>
void StableSort(std::vector<T>& values, Compare compare, std::vector<T>& buffer) {
  const std::size_t n = values.size();
  if (n < 2) return;
  constexpr std::size_t kRun = 8;
  buffer.resize(n);  // the longest left run is under n
  // Plain pointers: a comparison is an opaque call that might, for all the
  // compiler knows, reach the vectors, which would reload them at each step.
  T* const v = values.data();
  T* const held = buffer.data();

  // Short runs by insertion, each step bounded by the run's start.
  for (std::size_t start = 0; start < n; start += kRun) {
    const std::size_t end = start + kRun < n ? start + kRun : n;
    for (std::size_t i = start + 1; i < end; ++i) {
      T value = std::move(v[i]);
      std::size_t j = i;
      for (; j > start && compare(v[j - 1], value) > 0; --j) v[j] = std::move(v[j - 1]);
      v[j] = std::move(value);
    }
  }

  // Then merges of neighbouring runs, doubling their length. Runs already
  // in order, as a re-sort of sorted rows finds them, cost one comparison
  // and no moves; otherwise the left run waits in the buffer while both are
  // merged back. The right side goes first only when strictly less, which
  // keeps equal values in their order.
  for (std::size_t width = kRun; width < n; width *= 2) {
    for (std::size_t left = 0; left + width < n; left += 2 * width) {
      const std::size_t mid = left + width;
      const std::size_t right = mid + width < n ? mid + width : n;
      if (compare(v[mid - 1], v[mid]) <= 0) continue;
      const std::size_t a_end = mid - left;
      std::move(v + left, v + mid, held);
      std::size_t a = 0, b = mid, out = left;
      while (a < a_end && b < right)
        v[out++] = std::move(compare(v[b], held[a]) < 0 ? v[b++] : held[a++]);
      while (a < a_end) v[out++] = std::move(held[a++]);
    }
  }
}

template <class T, class Compare>
void StableSort(std::vector<T>& values, Compare compare) {
  std::vector<T> buffer;
  StableSort(values, compare, buffer);
}

}  // namespace wf
