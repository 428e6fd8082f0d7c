#pragma once

#include <windows.h>

#include "framework/Component.h"
#include "framework/MessageWindow.h"

namespace wf {

// Raises OnTimer every Interval milliseconds while enabled, on the thread
// that made it. OnTimer may free the timer.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT interval);

  TNotifyEvent OnTimer;

 private:
  std::optional<LRESULT> HandleMessage(UINT msg);
  void UpdateTimer();

  MessageWindow window_;
  bool enabled_ = true;
  UINT interval_ = 1000;
};

}  // namespace wf
