#pragma once

// Check boxes and the selection list behind them: what the totals of a
// ticked tree cost against walking it, what boxes add to a page's first
// drawing, and how soon a tick in one list shows in another of its link.

#include <string>
#include <vector>

#include "bench/BenchFolders.h"
#include "bench/BenchOptions.h"

namespace bench {

// Targets: the ticked tree's totals settle within this share of one
// thread's own walk; a page with boxes is drawn within this share of the
// same page without.
inline constexpr double kTickedTotalsTarget = 1.3;
inline constexpr double kCheckedPageTarget = 1.5;
inline constexpr int kCheckedPageRows = 40;
inline constexpr int kTickedElsewhere = 200;
inline constexpr int kEchoSmallSize = 300;
inline constexpr int kEchoLargeSize = 20000;

// The folders of one size it reads (besides its tree, SelectionTree.h),
// made by bench/run.sh with the other measures' folders.
std::vector<FolderOfSize> SelectionFolders(const std::wstring& root);

void RunSelectionMeasure(const Options& options);

}  // namespace bench
