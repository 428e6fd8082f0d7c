// Shell controls that follow one another.
#include "shell/notify/ShellLink.h"

#include <algorithm>

#include "framework/ScopedValue.h"

namespace wf {

bool TKivShellControlList::Add(IKivShellControl* control) {
  std::lock_guard guard(mutex_);
  if (!control || std::find(controls_.begin(), controls_.end(), control) != controls_.end())
    return false;
  controls_.push_back(control);
  return true;
}

void TKivShellControlList::Remove(IKivShellControl* control) {
  std::lock_guard guard(mutex_);
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

int TKivShellControlList::IndexOf(IKivShellControl* control) {
  std::lock_guard guard(mutex_);
  const auto it = std::find(controls_.begin(), controls_.end(), control);
  return it == controls_.end() ? -1 : static_cast<int>(it - controls_.begin());
}

int TKivShellControlList::Count() {
  std::lock_guard guard(mutex_);
  return static_cast<int>(controls_.size());
}

std::vector<IKivShellControl*> TKivShellControlList::Snapshot() {
  std::lock_guard guard(mutex_);
  return controls_;
}

TKivShellLink::TKivShellLink(TComponent* owner)
    : TKivBaseComponent(owner), selection_list_(new TKivSelectionList(this)) {
  enabled_ = true;
}

TKivShellLink::~TKivShellLink() {
  MarkDestroying();
  std::vector<IKivShellControl*> controls = controls_.Snapshot();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it)
    if (controls_.IndexOf(*it) >= 0) (*it)->SetShellLink(nullptr);
}

void TKivShellLink::RegisterControl(IKivShellControl* control) {
  controls_.Add(control);
}

void TKivShellLink::UnregisterControl(IKivShellControl* control) {
  controls_.Remove(control);
}

template <class Call>
void TKivShellLink::ToOthers(IKivShellControl* sender, Call call) {
  for (IKivShellControl* control : controls_.Snapshot())
    if (control != sender && controls_.IndexOf(control) >= 0) call(control);
}

template <class Call>
void TKivShellLink::Announce(IKivShellControl* sender, Call call) {
  if (!Enabled()) return;
  {
    const ScopedValue disabled(enabled_, false);
    ToOthers(sender, call);
  }
  Raise(OnChange, this);
}

void TKivShellLink::BroadcastFolder(IKivShellControl* sender, PCIDLIST_ABSOLUTE folder) {
  Announce(sender, [&](IKivShellControl* control) { control->ShowFolder(folder); });
}

void TKivShellLink::BroadcastSelection(IKivShellControl* sender, PCIDLIST_ABSOLUTE folder,
                                       PCUITEMID_CHILD item) {
  Announce(sender, [&](IKivShellControl* control) { control->ShowFolderItem(folder, item); });
}

void TKivShellLink::BroadcastRefresh(IKivShellControl* sender) {
  if (Enabled()) ToOthers(sender, [](IKivShellControl* control) { control->Repopulate(); });
}

void TKivShellLink::BroadcastUpdate(IKivShellControl* sender) {
  if (Enabled()) ToOthers(sender, [](IKivShellControl* control) { control->MergeRefresh(); });
}

}  // namespace wf
