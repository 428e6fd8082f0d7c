// The screen object and its cursors.
#include "framework/Cursor.h"

#include <windows.h>

namespace wf {
namespace {

LPCWSTR SystemCursorName(TCursor cursor) {
  switch (cursor) {
    case crHourGlass:
      return IDC_WAIT;
    case crHandPoint:
      return IDC_HAND;
    case crCross:
      return IDC_CROSS;
    case crIBeam:
      return IDC_IBEAM;
    case crSizeNS:
      return IDC_SIZENS;
    case crSizeWE:
      return IDC_SIZEWE;
    case crNo:
      return IDC_NO;
    case crSizeAll:
      return IDC_SIZEALL;
    default:
      return IDC_ARROW;
  }
}

}  // namespace

void TScreen::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  // The new cursor shows at once, not only at the next mouse move.
  if (cursor_ != crDefault) {
    ::SetCursor(LoadCursorW(nullptr, SystemCursorName(cursor_)));
  } else {
    POINT p;
    if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);
  }
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

HCURSOR ScreenCursorHandle() {
  return Screen().Cursor() == crDefault ? nullptr
                                        : LoadCursorW(nullptr, SystemCursorName(Screen().Cursor()));
}

HCURSOR CursorHandle(TCursor cursor) {
  return LoadCursorW(nullptr, SystemCursorName(cursor));
}

}  // namespace wf
