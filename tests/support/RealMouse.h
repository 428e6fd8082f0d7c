#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/Strings.h"

namespace wf::test {

// Two presses of the left button at a point of the screen, through the
// platform's input queue as a user's mouse makes them. The four events carry
// one time stamp: the platform tells a double-click by the presses' times,
// which it otherwise takes as each event reaches it, and a machine busy with
// other work may stop this thread between two events for longer than the
// double-click time; the second press would then start editing a caption.
inline bool PressTwice(POINT at) {
  if (!SetCursorPos(at.x, at.y)) return false;
  const DWORD pressed_at = GetTickCount();
  std::vector<INPUT> inputs;
  for (DWORD flags :
       {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.time = pressed_at;
    inputs.push_back(input);
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
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
