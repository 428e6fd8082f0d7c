#pragma once

// The table in which our list's work stands against the same shell
// questions and comparisons made directly, and its machine-readable lines.

#include <cstdint>
#include <string>

#include "bench/BenchCore.h"

namespace bench {

// A ratio to the raw work above this is time our code adds.
inline constexpr double kListWorkTarget = 1.2;

void PrintListWorkHeader();

double RatioOf(const Measure& measure, const Measure& raw);

// One table line. The ratio is to `raw` when given; `paired`, when given,
// is a ratio of times taken side by side, which then stands for it.
void PrintListWorkLine(const Measure& measure, const Measure* raw, const std::string& extra,
                       double paired = kNotMeasured);

// One RESULT line; with `raw`, its time, the ratio and the target.
void PrintListWorkResult(int size, const Measure& measure, const Measure* raw,
                         const std::string& extra);

std::string PerRow(const Measure& measure, double rows);
std::string PerCall(const Measure& measure, std::uint64_t calls);
// What one layer adds to each comparison over the one below it.
std::string PerComparison(const Measure& measure, const Measure& below, std::uint64_t comparisons);

}  // namespace bench
