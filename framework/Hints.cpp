// The hint window.
#include "framework/Hints.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace wf {
namespace {

constexpr UINT_PTR kToolId = 1;

// The first size of the record: comctl32 of every version reads it.
TTTOOLINFOW ToolInfo(HWND window) {
  TTTOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = window;
  info.uId = kToolId;
  return info;
}

}  // namespace

HWND THintWindow::Handle() {
  if (!tooltip_ || !IsWindow(tooltip_.get())) {
    // No prefix handling: a hint shows "&" as it is written.
    tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    window_ = nullptr;
  }
  return tooltip_.get();
}

void THintWindow::Activate(HWND window, const THintInfo& hint, const MSG& relay) {
  HWND tooltip = Handle();
  if (!tooltip) return;
  if (window != window_ || !EqualRect(&hint.cursor_rect, &area_) || hint.hint_str != text_) {
    Cancel();
    TTTOOLINFOW info = ToolInfo(window);
    // A hint shown over the pointer (a cut caption) lets the pointer's
    // messages through to the control beneath.
    info.uFlags = TTF_TRANSPARENT;
    info.rect = hint.cursor_rect;
    info.hinst = nullptr;
    std::wstring copy = hint.hint_str;
    info.lpszText = copy.data();
    if (!SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info))) return;
    window_ = window;
    area_ = hint.cursor_rect;
    text_ = hint.hint_str;
  }
  // A width also lets the text's own line breaks through.
  SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, std::max(hint.hint_max_width, 1));
  position_ = hint.hint_pos;
  MSG message = relay;
  SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

bool THintWindow::Place() {
  if (!window_ || !tooltip_) return false;
  return SetWindowPos(tooltip_.get(), nullptr, position_.x, position_.y, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

void THintWindow::Cancel() {
  if (!window_) return;
  TTTOOLINFOW info = ToolInfo(window_);
  if (tooltip_) SendMessageW(tooltip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  window_ = nullptr;
  area_ = {};
  text_.clear();
}

void THintWindow::WindowGone(HWND window) {
  if (window && window == window_) Cancel();
}

std::wstring THintWindow::Text() {
  if (!window_ || !tooltip_) return {};
  // The tooltip copies at most 80 characters unless told the buffer's size,
  // which newer versions read from wParam.
  std::vector<wchar_t> buffer(1024, L'\0');
  TTTOOLINFOW info = ToolInfo(window_);
  info.lpszText = buffer.data();
  SendMessageW(tooltip_.get(), TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&info));
  buffer.back() = L'\0';
  return buffer.data();
}

THintWindow& HintWindow() {
  static THintWindow window;
  return window;
}

}  // namespace wf
