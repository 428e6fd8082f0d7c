#pragma once

#include "framework/Component.h"

namespace wf {

// The base of the components that run one of the platform's modal dialogs:
// OnShow comes just before the dialog opens and OnClose after it has closed,
// however Execute ends. Subclasses choose which of the two events they offer.
class TCommonDialog : public TComponent {
 public:
  explicit TCommonDialog(TComponent* owner) : TComponent(owner) {}

  // Runs the dialog; true when the user confirmed it.
  virtual bool Execute() = 0;

 protected:
  void DoShow();
  void DoClose();

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
};

}  // namespace wf
