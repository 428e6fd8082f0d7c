#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "framework/StableSort.h"

namespace wf {
namespace {

using Keyed = std::pair<int, int>;  // key, then the place it started at

int ByKey(const Keyed& a, const Keyed& b) {
  return a.first < b.first ? -1 : a.first > b.first ? 1 : 0;
}

std::vector<Keyed> RandomKeys(size_t n, int distinct, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Keyed> values;
  for (size_t i = 0; i < n; ++i)
    values.emplace_back(static_cast<int>(random() % distinct), static_cast<int>(i));
  return values;
}

TEST(StableSort, OrdersAndKeepsEqualValuesInTheirOrderAtEverySize) {
  // Sizes around the insertion runs and the merge widths, and one large.
  for (size_t n : {0u, 1u, 2u, 7u, 8u, 9u, 16u, 17u, 33u, 100u, 1000u, 5003u}) {
    for (int distinct : {1, 3, 1000000}) {
      std::vector<Keyed> values = RandomKeys(n, distinct, static_cast<unsigned>(n * 31 + distinct));
      std::vector<Keyed> expected = values;
      std::stable_sort(expected.begin(), expected.end(),
                       [](const Keyed& a, const Keyed& b) { return a.first < b.first; });
      StableSort(values, ByKey);
      EXPECT_EQ(values, expected) << n << " values, " << distinct << " keys";
    }
  }
}

TEST(StableSort, SortedAndReversedInput) {
  std::vector<Keyed> ascending;
  for (int i = 0; i < 1000; ++i) ascending.emplace_back(i, i);
  std::vector<Keyed> values = ascending;
  size_t comparisons = 0;
  StableSort(values, [&](const Keyed& a, const Keyed& b) {
    ++comparisons;
    return ByKey(a, b);
  });
  EXPECT_EQ(values, ascending);
  EXPECT_LT(comparisons, 2000u) << "a sorted list costs about one comparison a value";

  std::reverse(values.begin(), values.end());
  StableSort(values, ByKey);
  EXPECT_EQ(values, ascending);
}

TEST(StableSort, AnInconsistentComparisonStillGivesEveryValueOnce) {
  // As a handler or a shell extension might answer: at random, or always
  // "less". The order is then anyone's, but no value may be lost or doubled.
  for (size_t n : {5u, 64u, 1000u}) {
    std::vector<int> values(n);
    for (size_t i = 0; i < n; ++i) values[i] = static_cast<int>(i);
    std::mt19937 random(static_cast<unsigned>(n));
    StableSort(values, [&](int, int) { return static_cast<int>(random() % 3) - 1; });
    StableSort(values, [](int, int) { return -1; });
    std::sort(values.begin(), values.end());
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(values[i], static_cast<int>(i)) << n << " values";
  }
}

TEST(StableSort, ReplaysTheSameComparisons) {
  std::vector<Keyed> first = RandomKeys(3000, 50, 7);
  std::vector<Keyed> second = first;
  std::vector<std::pair<Keyed, Keyed>> seen_first, seen_second;
  StableSort(first, [&](const Keyed& a, const Keyed& b) {
    seen_first.emplace_back(a, b);
    return ByKey(a, b);
  });
  StableSort(second, [&](const Keyed& a, const Keyed& b) {
    seen_second.emplace_back(a, b);
    return ByKey(a, b);
  });
  EXPECT_EQ(seen_first, seen_second);
}

}  // namespace
}  // namespace wf
