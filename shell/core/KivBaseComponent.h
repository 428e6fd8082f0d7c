#pragma once

#include "framework/Component.h"

namespace wf {

// The base of the non-visual shell components: a component with an on/off
// switch that each subclass acts on by overriding the setter.
class TKivBaseComponent : public TComponent {
 public:
  explicit TKivBaseComponent(TComponent* owner) : TComponent(owner) {}

  virtual bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value) { enabled_ = value; }

 protected:
  // False until the subclass's constructor decides.
  bool enabled_ = false;
};

}  // namespace wf
