#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "framework/Component.h"
#include "framework/MessageWindow.h"

namespace wf {

// A non-visual component with an Enabled switch and, while enabled, a hidden
// top-level window of its own whose messages reach WndProc. The window is a
// popup that is never shown: under Wine an overlapped listener could hang
// the thread once a key combination was typed on the X display.
class TPaxBaseComponent : public TComponent {
 public:
  explicit TPaxBaseComponent(TComponent* owner);
  ~TPaxBaseComponent() override;

  // The hidden window; null while there is none.
  HWND Handle() const { return window_ ? window_->Handle() : nullptr; }
  bool Enabled() const { return enabled_; }
  // Only stored while the owner's description is being applied: the switch
  // happens at the end of loading, with every stored property in place. When
  // DoSetEnabled throws, the error propagates and Enabled keeps its value.
  virtual void SetEnabled(bool value);

 protected:
  void Loaded() override;

  // The hidden window's messages once it exists (those of its creation get
  // the platform's default). The end of a session is never vetoed; other
  // messages go to Dispatch, and those it leaves get 0 with no default
  // processing. Errors are shown by the application and answered 0.
  virtual LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam);
  // The component's own message handlers; nullopt for a message it has none for.
  virtual std::optional<LRESULT> Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
    return std::nullopt;
  }
  // Performs the switch and answers whether the component ends enabled:
  // descendants may refuse to come on. The base makes a new hidden window
  // when switched on and frees it when switched off.
  virtual bool DoSetEnabled(bool value);

 private:
  std::unique_ptr<MessageWindow> window_;
  bool enabled_ = false;
};

}  // namespace wf
