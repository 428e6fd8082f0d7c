#pragma once

// The table of an action on files done through our list against the same
// action done on the platform directly, each with a target of its own, and
// its machine-readable lines.

#include <string>

#include "bench/BenchCore.h"

namespace bench {

// The heading over the lines of one action.
void PrintRatioHeader(const std::string& what, double target);

// One table line; with `raw`, its time, the ratio and whether it meets `target`.
void PrintRatioLine(const Measure& measure, const Measure* raw, double target,
                    const std::string& extra);

// One RESULT line; with `raw`, its time, the ratio and the target.
void PrintRatioResult(int size, const Measure& measure, const Measure* raw, double target,
                      const std::string& extra);

}  // namespace bench
