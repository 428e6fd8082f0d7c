#pragma once

#include <string>

namespace wf {

class TKivShellList;
class TListItem;

// Renaming a shell list's rows in place: which rows may be edited, the
// edited row's object, and what an edit that ended does to the object, the
// row and the operation report. The list view keeps the edited row itself
// wherever sorts and deletions move it; the session keeps the identity of
// its object, so that an edit ends on the object it began on or on none.
class RenameSession {
 public:
  explicit RenameSession(TKivShellList& list) : list_(list) {}

  // Whether the row's object may be renamed; when it may, its edit begins.
  bool CanEdit(TListItem* item);
  // `text` is none for a cancelled edit, and `item` none for a row that went.
  void Ended(TListItem* item, std::wstring* text);
  // A refill was due while the caption was being edited: it follows the
  // edit's end.
  void RefreshAfterEdit() { refresh_after_edit_ = true; }
  // Selects the row alone and opens its caption for editing; none: nothing.
  void EditAlone(TListItem* row);

 private:
  TKivShellList& list_;
  std::wstring identity_;
  bool refresh_after_edit_ = false;
};

}  // namespace wf
