// A shell list's part in a shell link.
#include "shell/list/ShellLinkClient.h"

#include "shell/list/ShellControls.h"

namespace wf {

void ShellLinkClient::SetShellLink(TKivShellLink* link) {
  if (link == link_) return;
  if (link_) {
    link_->UnregisterControl(this);
    list_.RemoveFreeNotification(link_);
  }
  link_ = link;
  if (!link_) return;
  link_->RegisterControl(this);
  list_.FreeNotification(link_);
}

void ShellLinkClient::Forget(TComponent* component) {
  if (component == link_) link_ = nullptr;
}

void ShellLinkClient::RegisterAgain() {
  if (link_) link_->RegisterControl(this);
}

void ShellLinkClient::AnnounceFolder() {
  if (!link_ || list_.IsLoading()) return;
  const AbsoluteIdList folder = list_.Dirwalker().FolderIdListCopy();
  if (folder) link_->BroadcastFolder(this, folder.get());
}

void ShellLinkClient::AnnounceSelection(TListItem* item, UINT changed) {
  if (!link_ || list_.IsLoading() || list_.IsDestroying() || changed == LVIF_TEXT) return;
  TKivShellListItem* record = TKivShellList::RecordOf(item);
  if (!record || record->IsParentEntry || !record->ItemId || !item->Selected() ||
      list_.SelCount() != 1)
    return;
  link_->BroadcastSelection(this, list_.FolderIdList(), record->ItemId.get());
}

void ShellLinkClient::AnnounceRefresh() {
  if (link_) link_->BroadcastRefresh(this);
}

void ShellLinkClient::AnnounceOperation(TKivShellOperations operations) {
  if (link_ && operations.Intersects(kContentChangingOperations)) link_->BroadcastUpdate(this);
}

void ShellLinkClient::ShowFolder(PCIDLIST_ABSOLUTE folder) {
  if (!folder) return;
  // A folder that cannot be shown empties the list and goes no further:
  // the control that moved is not to blame.
  try {
    list_.Dirwalker().SetFolderIDList(folder);
    list_.Populate();
  } catch (const std::exception&) {
    list_.Items().Clear();
  }
}

int ShellLinkClient::ShowFolderItem(PCIDLIST_ABSOLUTE folder, PCUITEMID_CHILD item) {
  // A list showing the folder already keeps its rows: a refill on every
  // selection threw away the states a tick had just merged in, and cost a
  // second at 20,000 rows (bench/run.sh --measures selection).
  if (!folder || !SameIdListBytes(folder, list_.FolderIdList()))
    ShowFolder(folder);
  else
    list_.ClearSelection();
  return list_.SelectItemById(item);
}

void ShellLinkClient::SelectAllItems() {
  list_.SelectAll();
  list_.SetFocus();
}

void ShellLinkClient::Repopulate() {
  list_.Populate();
}

void ShellLinkClient::MergeRefresh() {
  list_.MergeRefresh();
}

bool ShellLinkClient::GoUp() {
  return list_.GoUp();
}

}  // namespace wf
