// Subclassing a window of any kind: several subclasses of one window share
// one installed procedure and may end in any order.
#include "framework/Control.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/Application.h"

namespace wf {

namespace {

// Every WindowSubclass of one window shares one record and one installed
// procedure, so that several can subclass the same window and end in any
// order: each one's own procedure would otherwise call itself through the
// window's property, or restore a procedure that a later one replaced.
struct SubclassChain {
  WNDPROC original = nullptr;
  std::vector<WindowSubclass*> members;
};

std::mutex subclass_mutex;

std::map<HWND, std::shared_ptr<SubclassChain>>& SubclassChains() {
  static std::map<HWND, std::shared_ptr<SubclassChain>> chains;
  return chains;
}

std::shared_ptr<SubclassChain> FindChain(HWND hwnd) {
  std::lock_guard lock(subclass_mutex);
  auto found = SubclassChains().find(hwnd);
  return found == SubclassChains().end() ? nullptr : found->second;
}

void ForgetChain(HWND hwnd) {
  std::lock_guard lock(subclass_mutex);
  SubclassChains().erase(hwnd);
}

}  // namespace

WindowSubclass::WindowSubclass(HWND hwnd, Handler handler, Filter filter)
    : hwnd_(hwnd), handler_(std::move(handler)), filter_(std::move(filter)) {
  std::shared_ptr<SubclassChain> chain = FindChain(hwnd_);
  if (!chain) {
    chain = std::make_shared<SubclassChain>();
    chain->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC));
    {
      std::lock_guard lock(subclass_mutex);
      SubclassChains()[hwnd_] = chain;
    }
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowSubclass::Procedure));
  }
  chain->members.push_back(this);
}

WindowSubclass::~WindowSubclass() {
  // Detached when the window went (WM_NCDESTROY).
  if (!hwnd_ || !IsWindow(hwnd_)) return;
  std::shared_ptr<SubclassChain> chain = FindChain(hwnd_);
  if (!chain) return;
  auto& members = chain->members;
  members.erase(std::remove(members.begin(), members.end(), this), members.end());
  if (!members.empty()) return;
  // When someone else has subclassed over us, the record stays and keeps
  // passing messages on to the original procedure until the window goes.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC)) ==
      &WindowSubclass::Procedure) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
    ForgetChain(hwnd_);
  }
}

LRESULT CALLBACK WindowSubclass::Procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // Held for the whole message: a handler may free the last subclass.
  const std::shared_ptr<SubclassChain> chain = FindChain(hwnd);
  if (!chain) return DefWindowProcW(hwnd, msg, wparam, lparam);
  const std::vector<WindowSubclass*> members = chain->members;
  if (msg == WM_NCDESTROY) {
    // The window is going: put the old procedure back before it answers,
    // and detach every subclass so that freeing one later touches nothing.
    // The handlers are copied first, as any of them may free the others.
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
    ForgetChain(hwnd);
    chain->members.clear();
    std::vector<Handler> handlers;
    for (WindowSubclass* member : members) {
      member->hwnd_ = nullptr;
      handlers.push_back(member->handler_);
    }
    const LRESULT result = CallWindowProcW(chain->original, hwnd, msg, wparam, lparam);
    for (const Handler& handler : handlers)
      if (handler) Guarded(nullptr, [&] { handler(hwnd, msg, wparam, lparam, result); });
    return result;
  }
  const auto still_member = [&](WindowSubclass* member) {
    return std::find(chain->members.begin(), chain->members.end(), member) != chain->members.end();
  };
  for (WindowSubclass* member : members) {
    if (!still_member(member) || !member->filter_) continue;
    const Filter filter = member->filter_;
    LRESULT answer = 0;
    bool answered = false;
    Guarded(nullptr, [&] { answered = filter(hwnd, msg, wparam, lparam, answer); });
    if (answered) return answer;
  }
  const LRESULT result = CallWindowProcW(chain->original, hwnd, msg, wparam, lparam);
  for (WindowSubclass* member : members) {
    // One handler may free another subclass (or its own) on the way.
    if (!still_member(member) || !member->handler_) continue;
    // A copy: the handler may free the subclass that holds it.
    const Handler handler = member->handler_;
    Guarded(nullptr, [&] { handler(hwnd, msg, wparam, lparam, result); });
  }
  return result;
}

}  // namespace wf
