#include "bench/Memory.h"

#include <psapi.h>

#include <vector>

#include "bench/BenchCore.h"

namespace bench {
namespace {

SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region;
  const BYTE* address = nullptr;
  while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const BYTE* next = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

double Growth(SIZE_T before, SIZE_T after) {
  return static_cast<double>(after) - static_cast<double>(before);
}

}  // namespace

SIZE_T HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(count, heaps.data());
  }
  SIZE_T total = 0;
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return total;
}

MemorySample SampleMemory() {
  MemorySample sample;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  // Wine answers the call but leaves the counter at zero.
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters) &&
      counters.PrivateUsage != 0)
    sample.privateUsage = counters.PrivateUsage;
  sample.committedPrivate = CommittedPrivateBytes();
  return sample;
}

MemoryGrowth GrowthBetween(const MemorySample& before, const MemorySample& after) {
  MemoryGrowth growth;
  if (before.privateUsage && after.privateUsage)
    growth.privateUsage = Growth(*before.privateUsage, *after.privateUsage);
  growth.committedPrivate = Growth(before.committedPrivate, after.committedPrivate);
  return growth;
}

std::string BytesPerRow(const std::optional<MemoryGrowth>& growth, bool counter, int rows) {
  if (!growth) return "n/a";
  if (counter && !growth->privateUsage) return "n/a";
  return Format((counter ? *growth->privateUsage : growth->committedPrivate) / rows, "%.1f");
}

}  // namespace bench
