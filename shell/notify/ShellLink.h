#pragma once

#include <windows.h>
#include <shlobj.h>
#include <unknwn.h>

#include <mutex>
#include <string>
#include <vector>

#include "shell/core/KivBaseComponent.h"
#include "shell/notify/KivSelectionList.h"

namespace wf {

class TKivShellLink;

// What a shell control offers the link it takes part in. A reference to it
// never keeps the control alive: the control unregisters before it goes.
MIDL_INTERFACE("6B1D0C54-3F7A-4E0B-9A57-2E41C8D7B0A1")
IKivShellControl : public IUnknown {
 public:
  // Null unregisters it from its link.
  virtual void SetShellLink(TKivShellLink * link) = 0;
  virtual TKivShellLink* ShellLink() = 0;
  // Null is ignored; a folder that cannot be shown leaves the control empty.
  virtual void ShowFolder(PCIDLIST_ABSOLUTE folder) = 0;
  // The row of `item` in `folder`, selected and focused; -1 when none.
  virtual int ShowFolderItem(PCIDLIST_ABSOLUTE folder, PCUITEMID_CHILD item) = 0;
  virtual void SelectAllItems() = 0;
  virtual void Repopulate() = 0;
  virtual void MergeRefresh() = 0;
  virtual bool GoUp() = 0;
};

}  // namespace wf

__CRT_UUID_DECL(wf::IKivShellControl, 0x6b1d0c54, 0x3f7a, 0x4e0b, 0x9a, 0x57, 0x2e, 0x41, 0xc8,
                0xd7, 0xb0, 0xa1)

namespace wf {

// The registered controls of a link, in the order they came; guarded, as
// any thread may ask. It holds no references: a control leaves it before
// it is freed.
class TKivShellControlList {
 public:
  bool Add(IKivShellControl* control);
  void Remove(IKivShellControl* control);
  int IndexOf(IKivShellControl* control);
  int Count();
  // Who is registered now.
  std::vector<IKivShellControl*> Snapshot();

 private:
  std::mutex mutex_;
  std::vector<IKivShellControl*> controls_;
};

// Ties shell controls together: a control that moves, selects a single
// item, refreshes or changes a folder's content reports it, and the link
// passes it on to every other control. It owns the selection list whose
// ticks their check boxes share. User-interface thread only.
class TKivShellLink : public TKivBaseComponent {
 public:
  explicit TKivShellLink(TComponent* owner);
  // Every control is told it has no link any more, the last first.
  ~TKivShellLink() override;

  std::wstring Version() const { return L"TKivShellLink 1.1"; }
  TKivSelectionList& SelectionList() { return *selection_list_; }
  // Whether linked controls show " .. " and go up on Backspace.
  bool ParentNavigation() const { return parent_navigation_; }
  void SetParentNavigation(bool value) { parent_navigation_ = value; }
  TKivShellControlList& Controls() { return controls_; }

  void RegisterControl(IKivShellControl* control);
  void UnregisterControl(IKivShellControl* control);

  // The sender is skipped (null skips nobody). Folder and selection are
  // passed on with the link disabled, so that what the others announce in
  // turn goes nowhere; an exception from a control re-enables it and goes
  // on to the sender, without OnChange.
  void BroadcastFolder(IKivShellControl* sender, PCIDLIST_ABSOLUTE folder);
  void BroadcastSelection(IKivShellControl* sender, PCIDLIST_ABSOLUTE folder, PCUITEMID_CHILD item);
  void BroadcastRefresh(IKivShellControl* sender);
  void BroadcastUpdate(IKivShellControl* sender);
  void BroadcastUpdateAll() { BroadcastUpdate(nullptr); }

  TNotifyEvent OnChange;

 private:
  // Calls every control registered now but the sender, each only while it
  // is still registered: a handler may free or unregister a later one.
  template <class Call>
  void ToOthers(IKivShellControl* sender, Call call);
  template <class Call>
  void Announce(IKivShellControl* sender, Call call);

  TKivShellControlList controls_;
  TKivSelectionList* selection_list_;  // owned as a component
  bool parent_navigation_ = true;
};

}  // namespace wf
