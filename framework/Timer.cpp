// Timers.
#include "framework/Timer.h"

#include "framework/Application.h"

namespace wf {
namespace {
constexpr UINT_PTR kTimerId = 1;
}  // namespace

TTimer::TTimer(TComponent* owner)
    : TComponent(owner),
      window_(
          MessageWindow::Kind::kMessageOnly,
          [this](UINT msg, WPARAM, LPARAM) { return HandleMessage(msg); }, this) {
  // Enabled with its default interval from the start: OnTimer is a plain
  // field, so no setter would start it later.
  UpdateTimer();
}

TTimer::~TTimer() {
  KillTimer(window_.Handle(), kTimerId);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(UINT interval) {
  if (interval == interval_) return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(window_.Handle(), kTimerId);
  if (enabled_ && interval_ > 0) SetTimer(window_.Handle(), kTimerId, interval_, nullptr);
}

std::optional<LRESULT> TTimer::HandleMessage(UINT msg) {
  if (msg != WM_TIMER) return std::nullopt;
  // The handler may free this timer: nothing of it is touched afterwards.
  Guarded(this, [this] { Raise(OnTimer, this); });
  return 0;
}

}  // namespace wf
