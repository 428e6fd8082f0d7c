// Rows' check boxes.
#include "shell/list/ShellControls.h"

namespace wf {

// Check boxes are not shown yet: no row has a check state to follow.
void TKivShellList::RefreshRowCheckState(TListItem*) {}

}  // namespace wf
