#pragma once

#include <windows.h>

namespace wf {

// Where a window whose stored place is `window` opens so that it can be seen
// and reached: moved (never resized) into `area`, wholly when it fits, and
// with its top-left corner (where its caption strip begins) inside when it
// is wider or taller than the area.
POINT FitIntoArea(const RECT& window, const RECT& area);

// FitIntoArea with the work area of the monitor nearest to `window`: a
// position saved on a monitor that has since gone lands on one that exists.
POINT FitIntoNearestWorkArea(const RECT& window);

}  // namespace wf
