#pragma once

// What our list's sorts cost against the comparisons they must make: the
// shell-mode name sort against CompareIDs, and the text sort against
// CompareText and the compare handler's call, on the same pairs. Beside the
// name sort, the size sort, which under Wine reads every row's size from
// the file system once per sort.

#include <cstdint>
#include <string>
#include <vector>

#include "bench/BenchCore.h"

namespace bench {

struct SortReport {
  Measure nameSort{"shelllist_sort_name", "sort by name, shell mode"};
  Measure nameRaw{"sort_name_raw", "  raw CompareIDs, same pairs"};
  Measure nameFloor{"sort_name_control", "  sort message, bare CompareIDs"};
  Measure sizeSort{"shelllist_sort_size", "sort by size, shell mode"};
  Measure indexSearch{"row_index_search", "  Index() of the last row, undrawn"};
  Measure fetchAll{"shelllist_fetch_all_texts", "  every row's detail texts fetched"};
  Measure textSort{"shelllist_sort_text", "sort by detail column 1, text mode"};
  Measure textRawHandler{"sort_text_raw_handler", "  raw CompareText + OnCompare, same pairs"};
  Measure textRaw{"sort_text_raw", "  raw CompareText alone, same pairs"};
  Measure textFloor{"sort_text_control", "  sort message, bare CompareText"};
  Measure textPlain{"sort_text_std_stable_sort", "  std::stable_sort, same texts + OnCompare"};
  std::uint64_t textPlainComparisons = 0;
  std::vector<double> textPairedRatios;  // each repeat's sort over the raw time taken right after
  std::uint64_t nameComparisons = 0, nameCalls = 0, textComparisons = 0, textCalls = 0;
};

// The name sort `nameRuns` times, the text sort `textRuns` times (it needs
// every row's texts fetched first, seconds at 50,000 rows), each on a fresh
// fill of `folder`.
SortReport MeasureSorts(const std::wstring& folder, int nameRuns, int textRuns);

void PrintSortLines(int size, const SortReport& report);
void PrintSortResults(int size, const SortReport& report);

}  // namespace bench
