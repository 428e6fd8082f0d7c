#pragma once

#include <windows.h>

#include <vector>

#include "shell/core/IdList.h"

namespace wf {

class TKivShellList;
class TListItem;

// Brings the shown folder's present content into a shell list's rows
// without a refill: objects that came get rows, rows of objects that went
// leave, rows of changed objects fetch what they show again. A folder of
// more rows than a merge is worth is refilled instead, keeping the rows the
// user was at. The shell calls of a merge may let messages through: what
// they ask of the list meanwhile waits for the merge's end.
class FolderMerge {
 public:
  explicit FolderMerge(TKivShellList& list) : list_(list) {}

  void Run();
  bool Running() const { return merging_; }
  // Asked for while a merge runs: a refill, which brings every change the
  // rest would; a row's deletion; another merge.
  void RefillAfter() { refill_after_ = true; }
  void DeleteAfter(ChildIdList id) { deletions_after_.push_back(std::move(id)); }
  void MergeAgainAfter() { again_after_ = true; }
  // How long the last merge or refill took.
  DWORD LastDurationMs() const { return last_duration_ms_; }

 private:
  void MergeRows();
  void RunWorkPutOff();
  void RefillKeepingSelection();
  // Scrolls the view so that `row` is its top row, as far as the rows allow.
  void ScrollToTop(TListItem* row);

  TKivShellList& list_;
  bool merging_ = false;
  bool again_after_ = false;
  bool refill_after_ = false;
  std::vector<ChildIdList> deletions_after_;
  DWORD last_duration_ms_ = 0;
};

}  // namespace wf
