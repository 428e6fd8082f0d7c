#pragma once

// What a row costs in memory: each list measured in a fresh process of its
// own (the benchmark starts itself again for one list and one size), so that
// neither inherits the other's heap. The same steps are first taken with an
// empty folder; the growth over them, divided by the rows, is the figure.

#include <string>

#include "bench/BenchOptions.h"

namespace bench {

// Runs the measure for every size and both lists, each in a child process,
// and prints the figures side by side.
void RunMemoryMeasure(const Options& options);

// What the child process does: one list, one size; prints its RESULT lines.
int RunMemoryChild(const Options& options);

// The folder with nothing in it that the baseline is taken with.
std::wstring EmptyBenchFolderPath(const std::wstring& root);

}  // namespace bench
