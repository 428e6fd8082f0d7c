#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace wf::test {

// Records, for its scope, the messages sent to this thread's windows that
// `wanted` picks, as each window procedure is about to receive them.
// Recorders may nest: the thread's one hook serves them all.
class SentMessages {
 public:
  struct Sent {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  using Filter = std::function<bool(const CWPSTRUCT&)>;

  explicit SentMessages(Filter wanted) : wanted_(std::move(wanted)) {
    if (live_.empty())
      hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Seen, nullptr, GetCurrentThreadId());
    live_.push_back(this);
  }
  // The messages sent to one window that are one of `messages`.
  SentMessages(HWND window, std::vector<UINT> messages)
      : SentMessages([window, messages = std::move(messages)](const CWPSTRUCT& sent) {
          return sent.hwnd == window &&
                 std::find(messages.begin(), messages.end(), sent.message) != messages.end();
        }) {}
  ~SentMessages() {
    live_.erase(std::find(live_.begin(), live_.end(), this));
    if (live_.empty() && hook_) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
  }
  SentMessages(const SentMessages&) = delete;
  SentMessages& operator=(const SentMessages&) = delete;

  bool Installed() const { return hook_ != nullptr; }
  const std::vector<Sent>& All() const { return sent_; }
  size_t Count() const { return sent_.size(); }

 private:
  static LRESULT CALLBACK Seen(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION) {
      const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lparam);
      for (SentMessages* recorder : live_)
        if (recorder->wanted_(sent))
          recorder->sent_.push_back({sent.hwnd, sent.message, sent.wParam, sent.lParam});
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static inline thread_local std::vector<SentMessages*> live_;
  static inline thread_local HHOOK hook_ = nullptr;
  Filter wanted_;
  std::vector<Sent> sent_;
};

}  // namespace wf::test
