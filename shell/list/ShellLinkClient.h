#pragma once

#include "framework/ComInterfaces.h"
#include "shell/core/ShellOperations.h"
#include "shell/notify/ShellLink.h"

namespace wf {

class TKivShellList;
class TListItem;

// A shell list's part in a shell link: what the link asks of the list, and
// what the list tells the link. The list's lifetime is its own; the link
// holds this face of it only while the list is registered.
class ShellLinkClient : public ComInterfaces<IKivShellControl> {
 public:
  explicit ShellLinkClient(TKivShellList& list) : list_(list) {}

  TKivShellLink* Link() const { return link_; }
  // Without a link the list always shows " .. " and goes up on Backspace.
  bool ParentNavigation() const { return !link_ || link_->ParentNavigation(); }
  // The link went without telling us (we were not registered with it).
  void Forget(TComponent* component);
  // The list's window was made again: it registers again.
  void RegisterAgain();

  // What the list tells the others; each does nothing without a link.
  void AnnounceFolder();
  void AnnounceSelection(TListItem* item, UINT changed);
  void AnnounceRefresh();
  void AnnounceOperation(TKivShellOperations operations);

  void SetShellLink(TKivShellLink* link) override;
  TKivShellLink* ShellLink() override { return link_; }
  void ShowFolder(PCIDLIST_ABSOLUTE folder) override;
  int ShowFolderItem(PCIDLIST_ABSOLUTE folder, PCUITEMID_CHILD item) override;
  void SelectAllItems() override;
  void Repopulate() override;
  void MergeRefresh() override;
  bool GoUp() override;

 private:
  TKivShellList& list_;
  TKivShellLink* link_ = nullptr;
};

}  // namespace wf
