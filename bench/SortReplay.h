#pragma once

// The list's sorts replayed through the control's sort message, which the
// list serves with its own sort, with a comparison the bench chooses. That
// sort is deterministic: the same input order and the same answers give the
// same sequence of comparisons, which is how the list's own sort is
// replayed and its comparisons recorded.

#include <cstdint>

#include "bench/BenchCore.h"

namespace wf {
class TKivShellList;
}

namespace bench {

struct SortRun {
  double list = kNotMeasured;        // the list's own sorts
  double floor = kNotMeasured;       // the list sorting with the bare comparison
  double raw = kNotMeasured;         // the comparisons alone
  double rawHandler = kNotMeasured;  // text comparisons with the compare handler's call
  double plain = kNotMeasured;       // the standard library's stable sort of the same texts
  std::uint64_t plainComparisons = 0;
  std::uint64_t comparisons = 0;  // made by the sort
  std::uint64_t calls = 0;        // of which reached CompareIDs or CompareText
};

// Puts the rows back in the order the fill leaves them: by name, ascending.
void RestoreNameOrder(wf::TKivShellList& list);

// Two sorts by one column as the list does them, the second turning the
// direction back.
double TimeListSorts(wf::TKivShellList& list, int column);

// The list's two sorts replayed from the same row orders: once recording
// the pairs that reach the comparison, once timing the sort with the bare
// comparison; then, for the name, those pairs compared alone.
// `textColumn` 0 sorts by CompareIDs of the name, else by that column's text.
SortRun ReplaySorts(wf::TKivShellList& list, int textColumn, int firstDirection);

}  // namespace bench
