#pragma once

// Small helpers that the caption panel's source files share.

#include <windows.h>

#include "framework/Graphics.h"
#include "ui/PaxBkgnd.h"

namespace wf::panel_detail {

inline int RectWidth(const RECT& r) {
  return r.right - r.left;
}

inline int RectHeight(const RECT& r) {
  return r.bottom - r.top;
}

inline bool NeedsImage(TPaxBkGndType type) {
  return type == bgtTileBitmap || type == bgtStretchBitmap || type == bgtCenterBitmap;
}

// The types painted from the pre-rendered cache.
inline bool UsesCache(TPaxBkGndType type) {
  return type == bgtTileBitmap || type == bgtStretchBitmap;
}

}  // namespace wf::panel_detail
