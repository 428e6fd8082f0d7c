#pragma once

#include "shell/core/IdList.h"

namespace wf {

class TKivShellList;
class TListItem;

// One fill of a shell list: its rows made afresh from the folder object's
// enumeration, filtered by the list's options, the parent entry added, and
// the rows sorted.
class FolderFill {
 public:
  explicit FolderFill(TKivShellList& list) : list_(list) {}

  void Fill();
  // Whether the options take the folder object's current object (the merge
  // asks before it adds a row).
  bool AcceptObject();
  // Adds the current object's row when the options take it.
  void AddObjectItem(bool details);

 private:
  // An enumeration abandoned half-way would otherwise be continued by the
  // next fill, which would then miss the objects already passed.
  void RestartEnumeration() noexcept;
  bool ObjectWanted();
  void AddAcceptedObjects();
  TListItem* AddRow(ChildIdList id);
  void AddParentEntry();

  TKivShellList& list_;
};

}  // namespace wf
