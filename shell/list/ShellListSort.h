#pragma once

#include <shlobj.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Strings.h"

namespace wf {

class TKivShellList;
class TListItem;

// The orders a shell list's rows are sorted in: by the shell's comparison of
// a column, by a column's value where the shell compares only names, and by
// text (columns of the list's own, or any column with a compare handler).
// The sort keys are gathered in one pass over the rows, so that each
// comparison reads only its two keys: a comparison that reached through the
// rows to their records and texts cost more than the text comparison itself.
class ShellListSorter {
 public:
  explicit ShellListSorter(TKivShellList& list) : list_(list) {}

  // The rows' places in the sorted order of the column; the parent-folder
  // entry comes first in either direction. Valid until the next call.
  const std::vector<size_t>& Order(int column, bool descending);
  // A new fill: what was learnt of the rows' folder, and working memory
  // sized for the rows just gone, are forgotten.
  void Forget() { scratch_ = {}; }

 private:
  // Sort keys are small, so that the keys and the merge's working memory of
  // a large folder stay in the processor's cache; what a comparison seldom
  // needs is looked up by the row's old place.
  struct IdSortKey {
    PCUITEMID_CHILD id;
    uint32_t place;
  };
  // A row's value in the sorted column, for a shell whose comparison
  // ignores the column: a size or a last-write time as a number, else the
  // row's text.
  struct ValueSortKey {
    uint64_t number;
    const std::wstring* text;
    PCUITEMID_CHILD id;
    uint32_t place;
    bool folder;
  };
  // Kept from one sort to the next: fresh blocks come as new pages, and
  // a text sort of 50,000 rows took 8 ms with them kept and 29 ms
  // with fresh ones (and rows laid out plainly; bench/run.sh --measures sorts).
  struct Scratch {
    std::vector<IdSortKey> ids, id_merging;
    std::vector<ValueSortKey> values, value_merging;
    std::vector<FoldedPrefix> texts, text_merging;  // tag: the row's old place
    std::vector<const std::wstring*> text_of;       // by old place
    std::vector<TListItem*> row_of;                 // by old place
    std::vector<size_t> from;
    // Whether the rows' folder is the file system's and its comparison
    // ignores the column: 0 until a sort asks, then 1 or -1. Learnt once
    // for each fill, and forgotten with its rows.
    signed char sorts_by_value = 0;
  };

  void ByShellColumn(int shell_column, int direction);
  // Where the shell compares every column by name, a file-system folder's
  // rows sort by the column's value, folders first and the shell's name
  // order breaking ties, as the shell's own comparison would.
  bool SortsByValue(int shell_column);
  void ByValue(int column, int shell_column, int direction);
  void ByText(int column, int direction);
  // The row's text in a column, its detail texts gathered when needed.
  const std::wstring* TextOf(TListItem* row, int column);

  TKivShellList& list_;
  Scratch scratch_;
};

}  // namespace wf
