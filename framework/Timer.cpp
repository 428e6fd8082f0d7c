#include "framework/Timer.h"

#include "framework/Application.h"

namespace wf {
namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kTimerClass[] = L"TWayfoldTimer";
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &TTimer::WindowProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTimerClass;
    return RegisterClassExW(&wc);
  }();
  (void)registered;
  window_.reset(CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr));
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Enabled with its default interval from the start: OnTimer is a plain
  // field, so no setter would start it later.
  UpdateTimer();
}

TTimer::~TTimer() {
  if (window_) {
    KillTimer(window_.get(), kTimerId);
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  }
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(UINT interval) {
  if (interval == interval_) return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(window_.get(), kTimerId);
  if (enabled_ && interval_ > 0) SetTimer(window_.get(), kTimerId, interval_, nullptr);
}

LRESULT CALLBACK TTimer::WindowProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_TIMER) {
    if (auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      Guarded(self, [self] { Raise(self->OnTimer, self); });
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace wf
