#pragma once

// How long a large folder takes to appear: the file system, the raw shell
// calls, the platform's own shell view and our list, side by side in one
// process, so the list's design can be judged against what it builds on.

#include <cstdint>
#include <optional>
#include <string>

#include "bench/BenchCore.h"
#include "bench/BenchOptions.h"
#include "bench/Memory.h"

namespace bench {

struct PopulationReport {
  int size = 0;
  int rawRuns = 0;
  Measure find{"findfirst", "FindFirstFileW/FindNextFileW"};
  Measure ids{"shell_ids", "shell enum, ids only (Next(1))"};
  Measure names{"shell_names", "shell enum + SHGDN_NORMAL names"};
  Measure list{"shelllist", "our list, full population"};
  Measure view{"shellview", "platform shell view (ExplorerBrowser)"};
  Measure viewPainted{"shellview_painted", "  same, until queue drained"};
  Measure sort{"compareids_sort", "std::sort by CompareIDs(0)"};
  Measure listOrderSort{"compareids_list_sort", "our sort's CompareIDs(0), made raw"};
  Measure attributes{"getattributesof", "GetAttributesOf, one per item"};
  Measure findData{"shgetdatafromidlist", "SHGetDataFromIDListW finddata"};
  std::optional<MemoryGrowth> listMemory, viewMemory;
  std::uint64_t sortCalls = 0;
  std::uint64_t listOrderSortCalls = 0;
  size_t childCount = 0;
};

PopulationReport MeasurePopulation(const Options& options, const std::wstring& folder, int size);

void PrintPopulation(const PopulationReport& report);

}  // namespace bench
