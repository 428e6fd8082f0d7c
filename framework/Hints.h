#pragma once

#include <windows.h>

#include <string>

#include "framework/Handles.h"

namespace wf {

// A hint as the control under the pointer answers for it: the framework
// fills it with the control's own hint and asks the control (HintShow),
// which may change any of it.
struct THintInfo {
  POINT cursor_pos{};      // the pointer, in the control's client coordinates
  std::wstring hint_str;   // the text; lines break at "\r\n" and at the width
  POINT hint_pos{};        // the tip's top-left corner on the screen
  int hint_max_width = 0;  // pixels
  RECT cursor_rect{};      // client coordinates: the hint holds while the pointer is inside
  bool show = true;
};

// The program's one hint window: the platform's tooltip, showing the short
// part of the hint of whatever control the mouse rests on. Controls hand it
// their mouse moves; it keeps one tool, for the area under the mouse.
class THintWindow {
 public:
  THintWindow() = default;
  THintWindow(const THintWindow&) = delete;
  THintWindow& operator=(const THintWindow&) = delete;

  // The tooltip window; made on first need.
  HWND Handle();
  // Shows the hint for its rectangle of `window` and passes the tooltip the
  // mouse message that led here, which starts its delay.
  void Activate(HWND window, const THintInfo& hint, const MSG& relay);
  // The tooltip is about to show (TTN_SHOW): puts it where the hint said.
  // True when placed.
  bool Place();
  // No hint, until the next Activate.
  void Cancel();
  // Drops the tool when it belongs to a window that is going.
  void WindowGone(HWND window);
  // The text of the tool the tooltip holds; empty when none.
  std::wstring Text();
  HWND Window() const { return window_; }

 private:
  UniqueWindow tooltip_;
  HWND window_ = nullptr;
  RECT area_{};
  std::wstring text_;
  POINT position_{};
};

// The hint window of the user-interface thread.
THintWindow& HintWindow();

}  // namespace wf
