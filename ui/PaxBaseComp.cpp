#include "ui/PaxBaseComp.h"

#include "framework/Application.h"

namespace wf {

TPaxBaseComponent::TPaxBaseComponent(TComponent* owner) : TComponent(owner) {}

TPaxBaseComponent::~TPaxBaseComponent() {
  // Straight to the base's switch: a descendant's part is gone by now, and
  // it released what it held on that window in its own destructor.
  TPaxBaseComponent::DoSetEnabled(false);
  enabled_ = false;
}

void TPaxBaseComponent::SetEnabled(bool value) {
  if (!IsLoading() && value != enabled_) value = DoSetEnabled(value);
  enabled_ = value;
}

void TPaxBaseComponent::Loaded() {
  TComponent::Loaded();
  if (!enabled_) return;
  enabled_ = false;
  SetEnabled(true);
}

LRESULT TPaxBaseComponent::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_QUERYENDSESSION) return TRUE;
  LRESULT answer = 0;
  // A handler may free this component: nothing of it is touched afterwards.
  Guarded(this, [&] { answer = Dispatch(msg, wparam, lparam).value_or(0); });
  return answer;
}

bool TPaxBaseComponent::DoSetEnabled(bool value) {
  window_.reset();
  if (!value) return false;
  window_ = std::make_unique<MessageWindow>(
      MessageWindow::Kind::kHiddenPopup,
      [this](UINT msg, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
        // The messages of the window's creation arrive before window_ is
        // set, and need the default handling for the window to come about.
        if (!window_) return std::nullopt;
        return WndProc(msg, wparam, lparam);
      },
      this);
  return true;
}

}  // namespace wf
