#pragma once

#include <cstdint>

#include "shell/core/IdList.h"

namespace wf {

// The record every row of a shell list carries, owned by its row.
class TKivShellListItem {
 public:
  ChildIdList ItemId;  // none for the parent-folder entry
  int32_t Present = 1;
  bool IsParentEntry = false;
  // Set by the list's own cut command only: a row ghosted for being hidden is
  // not on its way elsewhere, so its object vanishing is no move.
  bool Cut = false;
  bool Compressed = false;
  bool Encrypted = false;
};

}  // namespace wf
