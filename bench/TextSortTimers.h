#pragma once

// The list's text sort timed beside the very comparisons it makes.

#include <vector>

#include "bench/SortReplay.h"

namespace wf {
class TKivShellList;
}

namespace bench {

// The rows must hold every detail text already. The pairs the list compares
// are recorded through its own compare handler, so the raw comparisons are
// exactly the sort's. Each repeat times the list's two sorts and, right
// after, the same comparisons alone, and adds its ratio to `pairedRatios`:
// this machine's speed drifts by tens of per cent over seconds, and a ratio
// of times taken far apart measured the drift as much as the sort.
SortRun MeasureTextSort(wf::TKivShellList& list, std::vector<double>& pairedRatios);

}  // namespace bench
