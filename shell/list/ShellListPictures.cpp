// Rows' pictures beyond the shell's icons.
#include "shell/list/ShellControls.h"

namespace wf {

// Thumbnails are not made yet: a row keeps the picture it has.
void TKivShellList::RefreshRowPicture(TListItem*) {}

}  // namespace wf
