#include "app/WindowPlacement.h"

#include <algorithm>

namespace wf {

namespace {
// The start of a span of `length` moved into [low, high): it ends inside
// when it fits, else it starts at `low`.
LONG FitSpan(LONG start, LONG length, LONG low, LONG high) {
  return std::max(low, std::min(start, high - length));
}
}  // namespace

POINT FitIntoArea(const RECT& window, const RECT& area) {
  return {FitSpan(window.left, window.right - window.left, area.left, area.right),
          FitSpan(window.top, window.bottom - window.top, area.top, area.bottom)};
}

POINT FitIntoNearestWorkArea(const RECT& window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &info)) {
    // No monitor to ask: the primary screen's work area is the next best.
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0))
      return {window.left, window.top};
  }
  return FitIntoArea(window, info.rcWork);
}

}  // namespace wf
