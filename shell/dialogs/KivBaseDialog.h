#pragma once

#include "framework/CommonDialog.h"

namespace wf {

// The base of the shell's dialog components: a common dialog that offers
// both of its events.
class TKivBaseDialog : public TCommonDialog {
 public:
  explicit TKivBaseDialog(TComponent* owner) : TCommonDialog(owner) {}

  using TCommonDialog::OnClose;
  using TCommonDialog::OnShow;
};

}  // namespace wf
