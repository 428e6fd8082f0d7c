#pragma once

#include <windows.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Strings.h"

namespace wf::test {

// A mouse event at a point of the primary screen, in the input queue's
// absolute units: a quarter into the pixel, so that rounding down and
// rounding to the nearest both give the pixel back.
inline INPUT MouseEventAt(POINT at, DWORD flags, DWORD time) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx =
      static_cast<LONG>(((4LL * at.x + 1) * 65536) / (4LL * GetSystemMetrics(SM_CXSCREEN)));
  input.mi.dy =
      static_cast<LONG>(((4LL * at.y + 1) * 65536) / (4LL * GetSystemMetrics(SM_CYSCREEN)));
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input.mi.time = time;
  return input;
}

// Presses of the mouse's buttons (MOUSEEVENTF_LEFTDOWN and the like, in
// order) at a point of the screen, through the platform's input queue as a
// user's mouse makes them.
// - Every event carries the point. Under Wine the pointer can jump back for
//   a moment to where an earlier move put it, when that move's report is
//   handled late; a press without a position of its own lands wherever the
//   pointer is at that moment.
// - All events carry one time stamp. The platform tells a double-click by
//   the presses' times, which it otherwise takes as each event reaches it,
//   and a busy machine may stop this thread between two events for longer
//   than the double-click time; the second press would then start editing a
//   caption.
inline bool PressAt(POINT at, std::initializer_list<DWORD> presses) {
  const DWORD pressed_at = GetTickCount();
  std::vector<INPUT> inputs{MouseEventAt(at, 0, pressed_at)};
  for (DWORD flags : presses) inputs.push_back(MouseEventAt(at, flags, pressed_at));
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// A double-click of the left button.
inline bool PressTwice(POINT at) {
  return PressAt(
      at, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

// The button messages the thread takes from its queue while the object
// lives, so that a click that did nothing can tell what arrived: on which
// window, with which keys held, where and how far apart.
class ButtonMessages {
 public:
  ButtonMessages()
      : hook_(SetWindowsHookExW(WH_GETMESSAGE, &Taken, nullptr, GetCurrentThreadId())) {
    current_ = this;
  }
  ~ButtonMessages() {
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  ButtonMessages(const ButtonMessages&) = delete;
  ButtonMessages& operator=(const ButtonMessages&) = delete;

  // The window `target` is called `target_name`; others by their class.
  std::string Describe(HWND target, const std::string& target_name) const {
    if (!hook_) return "nothing known (no message hook)";
    if (taken_.empty()) return "no button message";
    std::ostringstream text;
    for (const MSG& message : taken_) {
      if (&message != &taken_.front()) text << ", ";
      text << Name(message.message) << " on "
           << (message.hwnd == target ? target_name : WindowName(message.hwnd));
      if (message.wParam & MK_SHIFT) text << " with Shift";
      if (message.wParam & MK_CONTROL) text << " with Ctrl";
      text << " at " << message.pt.x << "," << message.pt.y << " +"
           << message.time - taken_.front().time << " ms";
    }
    text << " (double-click time " << GetDoubleClickTime() << " ms)";
    return text.str();
  }

 private:
  static LRESULT CALLBACK Taken(int code, WPARAM removed, LPARAM message_pointer) {
    const auto* message = reinterpret_cast<const MSG*>(message_pointer);
    // Peeks that leave the message in the queue would count it twice.
    if (code == HC_ACTION && removed == PM_REMOVE && current_ &&
        (message->message == WM_LBUTTONDOWN || message->message == WM_LBUTTONUP ||
         message->message == WM_LBUTTONDBLCLK || message->message == WM_RBUTTONDOWN ||
         message->message == WM_RBUTTONUP))
      current_->taken_.push_back(*message);
    return CallNextHookEx(nullptr, code, removed, message_pointer);
  }

  static const char* Name(UINT message) {
    switch (message) {
      case WM_LBUTTONDOWN:
        return "down";
      case WM_LBUTTONUP:
        return "up";
      case WM_RBUTTONDOWN:
        return "right down";
      case WM_RBUTTONUP:
        return "right up";
      default:
        return "double-click";
    }
  }

  static std::string WindowName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    std::ostringstream text;
    text << "window " << window << " of class " << ToUtf8(name);
    return text.str();
  }

  static inline ButtonMessages* current_ = nullptr;
  const HHOOK hook_;
  std::vector<MSG> taken_;
};

}  // namespace wf::test
