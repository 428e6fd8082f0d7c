#pragma once

// A folder far larger than any a person browses daily, taken the whole way:
// filled, its first page drawn, scrolled to its last row, and sorted by
// name both ways, each step checked, with the time it took.

#include <optional>
#include <string>

#include "bench/BenchCore.h"
#include "bench/Memory.h"

namespace bench {

struct WholeFolderReport {
  int size = 0;
  int rows = 0;
  double fill = kNotMeasured;       // setting Path until the rows are in place
  double firstPage = kNotMeasured;  // setting Path until the first page is drawn
  double lastPage = kNotMeasured;   // scrolled to the last row and drawn
  double sortDescending = kNotMeasured;
  double sortAscending = kNotMeasured;
  std::optional<MemoryGrowth> memory;  // from before the list to the first page
  std::string failure;                 // the first check that failed
};

WholeFolderReport MeasureWholeFolder(const std::wstring& folder, int size);

void PrintWholeFolder(const WholeFolderReport& report);

}  // namespace bench
