#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <set>

#include "ui/PaxBaseComp.h"
#include "framework/Menus.h"

namespace wf {

// Registers one system-wide keyboard shortcut and raises OnPress whenever it
// is pressed, whichever application has the focus. Registration happens on
// the hidden window of the user-interface thread that made the component.
class TPaxSysHotKey : public TPaxBaseComponent {
 public:
  // Chooses the identifier; registers nothing yet.
  explicit TPaxSysHotKey(TComponent* owner);
  ~TPaxSysHotKey() override;

  // The identifier this instance registers under, chosen once at
  // construction; none when every identifier of the process was taken, and
  // switching such a component on then throws Exception.
  std::optional<uint16_t> HotKeyId() const { return hot_key_id_; }
  // 0 means none: setting it on an enabled component switches it off.
  // Another combination is registered at once when enabled.
  TShortCut Shortcut() const { return shortcut_; }
  void SetShortcut(TShortCut value);
  // Whether the platform took the combination. Another application may hold
  // it already: the component then stays enabled and is simply never pressed.
  bool Registered() const { return registered_; }

  TNotifyEvent OnPress;

 protected:
  std::optional<LRESULT> Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override;
  bool DoSetEnabled(bool value) override;
  virtual void DoPress();

 private:
  std::optional<uint16_t> hot_key_id_;
  TShortCut shortcut_ = 0;
  bool registered_ = false;
};

// The hot-key identifiers handed out so far in this process. They are never
// handed back, also not when their component is destroyed.
std::set<uint16_t>& UsedHotKeyIds();

}  // namespace wf
