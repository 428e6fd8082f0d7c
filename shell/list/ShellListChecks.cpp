// Rows' check boxes: the ticks of the link's selection list.
#include "framework/Cursor.h"
#include "framework/ScopedValue.h"
#include "shell/list/SelectionStateImages.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

void TKivShellList::SetCheckboxes(bool value) {
  // Only a list of our own goes: one the caller assigned is theirs. Freed,
  // it tells the list view, which lets go of it.
  const auto free_own = [this] { delete std::exchange(own_state_images_, nullptr); };
  checkboxes_ = value && (ShellLink() || IsLoading());
  if (!value) {
    free_own();
  } else if (!checkboxes_) {
    // Refused: a list made now would box " .. " in a list without boxes.
  } else if (!StateImages()) {
    own_state_images_ = new TKivSelectionStateImageList(this);
    SetStateImages(own_state_images_);
  }
  Populate();
}

int TKivShellList::CommonControlsVersion() const {
  return wf::CommonControlsVersion();
}

void TKivShellList::RefreshRowCheckState(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  TKivShellLink* link = ShellLink();
  if (!checkboxes_ || !link || !record || record->IsParentEntry || !record->ItemId) return;
  item->SetStateIndex(
      link->SelectionList().GetIdListState(row_query_.AbsoluteIdList(record->ItemId.get())));
}

bool TKivShellList::ClickCheckBox(int x, int y) {
  TKivShellLink* link = ShellLink();
  if (!checkboxes_ || !link) return false;
  TListItem* item = GetItemAt(x, y);
  if (!item) return false;
  RECT zone = item->DisplayRect(TDisplayCode::drIcon);
  const int box_width = StateImages() ? StateImages()->Width() : 0;
  const int box_height = StateImages() ? StateImages()->Height() : 0;
  if (ViewStyle() == TViewStyle::vsIcon)
    zone.left += CommonControlsVersion() < 600 ? 6 : box_width + 20;
  if (x >= zone.left || y < zone.bottom - box_height) return false;

  const CursorScope hourglass(crHourGlass);
  TKivShellListItem* record = RecordOf(item);
  if (!record || !record->ItemId || item->StateIndex() == ssNone) return true;
  const AbsoluteIdList object = CloneIdList(row_query_.AbsoluteIdList(record->ItemId.get()));
  const std::wstring identity = row_query_.Identity(record->ItemId.get());
  TKivSelectionList& selection = link->SelectionList();
  {
    // The update ends however the tick ends; the links' refresh it raises
    // passes this list by, which follows by itself below.
    struct Update {
      TKivSelectionList& selection;
      bool& filling;
      ~Update() {
        const ScopedValue raised(filling, true);
        selection.EndUpdate();
      }
    } update{selection, filling_};
    selection.BeginUpdate();
    if (item->StateIndex() == ssChecked) {
      selection.UncheckIdList(object.get());
    } else {
      selection.CheckIdList(object.get());
      if (const AbsoluteIdList collapsed = selection.CollapsedIdList(object.get()))
        selection.CheckIdList(collapsed.get());
    }
  }
  // A row may have changed through another (a folder shortcut and its
  // target side by side): every row drawn so far follows.
  for (int i = 0, n = Items().Count(); i < n; ++i)
    if (Items()[i]->ImageIndex() >= 0) RefreshRowCheckState(Items()[i]);
  // The selection list's handlers may have changed the rows.
  item = RowOfIdentity(identity);
  if (!item) return true;
  if (OnCheckStateChanged)
    OnCheckStateChanged(this, item->Index(), ItemPath(item),
                        selection.GetIdListState(object.get()));
  return true;
}

}  // namespace wf
