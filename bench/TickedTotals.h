#pragma once

// A folder ticked in the selection list, timed until its totals settle
// (the list's pool job walks it and hands the sums to this thread), against
// one thread walking it directly; each once untimed first, then in turn.

#include <string>

#include "bench/BenchCore.h"
#include "bench/FolderWalk.h"

namespace bench {

struct TickedTotalsReport {
  Measure ticked{"selection_tree_ticked", "tick the top, pump until settled"};
  Measure walk{"selection_tree_walk", "one thread's FindFirstFileExW walk"};
  // What the last run of each found.
  FolderTotals tickedTotals;
  FolderTotals walkTotals;
  // Runs, the untimed ones included, whose totals differed from the
  // walk's.
  int disagreeingRuns = 0;
};

// `timeoutSeconds` bounds each wait for the totals; a run that exceeds it
// stops the ticked measure.
TickedTotalsReport MeasureTickedTotals(const std::wstring& folder, int runs, double timeoutSeconds);

}  // namespace bench
