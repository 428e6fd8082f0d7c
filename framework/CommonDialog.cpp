// The base of the platform's common dialogs.
#include "framework/CommonDialog.h"

namespace wf {

void TCommonDialog::DoShow() {
  Raise(OnShow, this);
}

void TCommonDialog::DoClose() {
  Raise(OnClose, this);
}

}  // namespace wf
