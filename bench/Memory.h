#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace bench {

// Two views of the process's private memory: the counter the platform
// keeps, and the committed private pages counted region by region, which
// still tells something where the counter is not kept up to date.
struct MemorySample {
  std::optional<SIZE_T> privateUsage;
  SIZE_T committedPrivate = 0;
};

// The bytes of every block in use in the process's heaps, headers left out:
// what is kept, apart from what the heaps keep committed after a peak.
SIZE_T HeapBytesInUse();

MemorySample SampleMemory();

struct MemoryGrowth {
  std::optional<double> privateUsage;
  double committedPrivate = 0;
};

MemoryGrowth GrowthBetween(const MemorySample& before, const MemorySample& after);

// Bytes per row of the growth, by the counter or by the committed pages;
// "n/a" for what was not measured.
std::string BytesPerRow(const std::optional<MemoryGrowth>& growth, bool counter, int rows);

}  // namespace bench
