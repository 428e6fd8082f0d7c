#pragma once

#include <windows.h>

#include <string>

#include "framework/Handles.h"

namespace wf {

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
  // Shows `text` for `area` of `window` (client coordinates) and passes the
  // tooltip the mouse message that led here, which starts its delay.
  void Activate(HWND window, const RECT& area, const std::wstring& text, const MSG& relay);
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
};

// The hint window of the user-interface thread.
THintWindow& HintWindow();

}  // namespace wf
