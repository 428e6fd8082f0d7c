#pragma once

// How long each way of listing a folder takes: the file system, the raw
// shell calls, the platform's own shell view and our list.

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string>

#include "bench/Hosting.h"
#include "bench/Memory.h"

namespace bench {

struct Timed {
  double seconds = kNotMeasured;
  int items = 0;
};

Timed TimeFindFiles(const std::wstring& folder);
Timed TimeShellIds(const std::wstring& folder);
Timed TimeShellNames(const std::wstring& folder);

struct ViewTimes {
  double filled = kNotMeasured;   // every item counted by the view
  double painted = kNotMeasured;  // and the queue drained, first paint included
  MemorySample memoryWhileFull;
};

// The platform's view shows a folder in a shown window; the time runs from
// the browse request until its item count is complete.
ViewTimes TimeShellView(PCIDLIST_ABSOLUTE folder, int expected, double timeoutSeconds);

struct ListTimes {
  double seconds = kNotMeasured;
  // Taken while every row is still alive: after the list is gone, its
  // memory would already be back on the free list.
  MemorySample memoryWhileFull;
};

// Our list showing every row of `folder`, from the request to the last row
// in place.
ListTimes TimeShellListPopulation(const std::wstring& folder);

struct SortTime {
  double seconds = kNotMeasured;
  std::uint64_t calls = 0;
};

// A full sort as a list would do it: std::sort over the child ids, each
// comparison one CompareIDs by name.
SortTime TimeCompareIdsSort(const FolderItems& items);
// The sort our list makes after a fill, its comparisons made raw: the same
// stable merge over the ids in the order the enumeration gave them.
SortTime TimeListOrderCompareIdsSort(const FolderItems& items);

double TimeAttributesPerItem(const FolderItems& items);
double TimeFindDataPerItem(const FolderItems& items);

}  // namespace bench
