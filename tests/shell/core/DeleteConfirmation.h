#pragma once

#include <windows.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

namespace wf::test {

// Answers the shell's delete confirmation, which Wine shows even without an
// owner window, from another thread while the test's thread waits in the
// dialog's loop: every dialog box of that thread gets `answer` (IDYES or
// IDNO) posted, and is counted.
class DeleteConfirmation {
 public:
  explicit DeleteConfirmation(int answer)
      : answer_(answer), ui_thread_(GetCurrentThreadId()), thread_([this] { Run(); }) {}
  ~DeleteConfirmation() {
    stop_ = true;
    thread_.join();
  }
  DeleteConfirmation(const DeleteConfirmation&) = delete;
  DeleteConfirmation& operator=(const DeleteConfirmation&) = delete;

  int Shown() const { return shown_; }

 private:
  void Run() {
    while (!stop_) {
      EnumThreadWindows(ui_thread_, &DeleteConfirmation::Visit, reinterpret_cast<LPARAM>(this));
      Sleep(10);
    }
  }

  static BOOL CALLBACK Visit(HWND hwnd, LPARAM self_pointer) {
    auto* self = reinterpret_cast<DeleteConfirmation*>(self_pointer);
    wchar_t class_name[16] = {};
    GetClassNameW(hwnd, class_name, 16);
    if (std::wstring(class_name) != L"#32770" || !IsWindowVisible(hwnd) ||
        self->answered_.count(hwnd))
      return TRUE;
    self->answered_.insert(hwnd);
    ++self->shown_;
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(self->answer_, BN_CLICKED), 0);
    return TRUE;
  }

  const int answer_;
  const DWORD ui_thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> shown_{0};
  std::set<HWND> answered_;
  std::thread thread_;
};

}  // namespace wf::test
