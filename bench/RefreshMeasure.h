#pragma once

// How our list follows its folder's changes: a merge against the raw
// enumeration it repeats, bursts of creations, the delay from a creation to
// its row, and a large folder's refill against a fresh fill.

#include <string>

namespace bench {

struct Options;

// The folder of this many files that the large refill is timed in.
inline constexpr int kRefreshLargeSize = 20000;

// Runs every part and prints its figures; a part that cannot be taken says
// why and the others still run.
void RunRefreshMeasure(const Options& options);

}  // namespace bench
