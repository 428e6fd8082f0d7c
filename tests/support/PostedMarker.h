#pragma once

// Showing that something did not happen without waiting "long enough": a
// marker posted after the cause comes back only once everything posted
// before it has been handled, since a thread takes its posted messages in
// the order they were posted, whatever window they are for.
#include <windows.h>

#include <chrono>
#include <optional>

#include "framework/MessageWindow.h"

namespace wf::test {

// Pumps until every message posted to this thread before the call has been
// handled, and no further: a timer due meanwhile has not fired, since the
// thread takes timer and input messages only when no posted one waits, and
// the marker waits until it is taken. False when the marker did not come
// back in time. A check that depends on input or timer messages needs
// another marker.
inline bool PumpPostedMessages(std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  constexpr UINT kMarker = WM_APP + 0x6D;
  bool handled = false;
  MessageWindow marker(MessageWindow::Kind::kMessageOnly,
                       [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
                         if (msg != kMarker) return std::nullopt;
                         handled = true;
                         return 0;
                       });
  if (!marker.Post(kMarker)) return false;
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!handled && std::chrono::steady_clock::now() < end) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      continue;
    }
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return handled;
}

}  // namespace wf::test
