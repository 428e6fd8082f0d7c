#pragma once

// The first page of a folder drawn by a list with check boxes, whose link
// has entries ticked elsewhere, against the same page drawn without boxes:
// each box asks the link's selection list for its row's state as the row
// is first drawn.

#include <string>

#include "bench/BenchCore.h"

namespace bench {

struct CheckedPageReport {
  Measure boxes{"selection_page_boxes", "SetPath + UpdateWindow, boxes on"};
  Measure plain{"selection_page_plain", "SetPath + UpdateWindow, boxes off"};
  // What every timed run saw, at its fewest: the rows a page holds, the
  // rows drawn, and (boxes on) the rows showing an unticked box.
  int pageRows = -1;
  int drawnBoxes = -1;
  int drawnPlain = -1;
  int untickedBoxes = -1;
  // Where a box's time goes: the page's rows' states asked of the link's
  // selection list directly, every row once a run, by the row's id list
  // (as a row asks) and by its path.
  Measure byIdList{"selection_page_states_idlist", "GetIdListState of every row"};
  Measure byPath{"selection_page_states_path", "GetPathState of every row"};
  // The part of the first that makes each id list a path.
  Measure toPath{"selection_page_idlist_paths", "IdListToPath of every row"};
  // Entries in the link's selection list.
  int ticked = 0;
  int listHeight = 0;
};

// `folder` holds `rows` files and no folder; the entries ticked lie in the
// tree at `tickedTree` (see SelectionTree.h), half of them folders.
CheckedPageReport MeasureCheckedPage(const std::wstring& folder, int rows,
                                     const std::wstring& tickedTree, int tickedCount, int runs,
                                     double timeoutSeconds);

}  // namespace bench
