#pragma once

namespace wf {

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -12;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The screen cursor: while it is not crDefault, every window of the program
// shows it instead of its own.
class TScreen {
 public:
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

 private:
  TCursor cursor_ = crDefault;
};

TScreen& Screen();

// Shows a cursor for the lifetime of the scope and restores the previous one,
// also when the scope is left by an exception.
class CursorScope {
 public:
  explicit CursorScope(TCursor cursor) : previous_(Screen().Cursor()) {
    Screen().SetCursor(cursor);
  }
  ~CursorScope() { Screen().SetCursor(previous_); }
  CursorScope(const CursorScope&) = delete;
  CursorScope& operator=(const CursorScope&) = delete;

 private:
  TCursor previous_;
};

}  // namespace wf

#include <windows.h>
namespace wf {
// The cursor every window shows while the screen cursor is set; null when
// windows show their own.
HCURSOR ScreenCursorHandle();
// The system cursor a TCursor names; the arrow for crDefault and unknown ones.
HCURSOR CursorHandle(TCursor cursor);
}  // namespace wf
