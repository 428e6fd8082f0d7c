#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "framework/Exceptions.h"

namespace wf::test {

// Collects what reaches the application's standard error display for the
// lifetime of the scope, instead of failing the test, then puts the test
// main's handler back.
class ErrorDisplayCapture {
 public:
  ErrorDisplayCapture() : previous_(Application->OnException) {
    Application->OnException = [this](TObject* sender, const std::exception& e) {
      messages.push_back(ExceptionText(e));
      senders.push_back(sender);
    };
  }
  ~ErrorDisplayCapture() { Application->OnException = previous_; }
  ErrorDisplayCapture(const ErrorDisplayCapture&) = delete;
  ErrorDisplayCapture& operator=(const ErrorDisplayCapture&) = delete;

  std::vector<std::wstring> messages;
  std::vector<TObject*> senders;

 private:
  TExceptionEvent previous_;
};

// Pumps the thread's messages until `done` answers true or the time is up;
// answers `done()` at the end.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 20)), QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return done();
}

// Pumps messages for a fixed time: used to show that something does not happen.
inline void PumpFor(std::chrono::milliseconds duration) {
  PumpUntil([] { return false; }, duration);
}

// Joins a worker that may be waiting in Synchronize. When pumping did not let
// it finish (the test has failed already), the queued calls are run here so
// that the join cannot wait for ever; a worker still stuck ends the run.
inline void JoinWorker(std::thread& worker, const std::atomic<bool>& done,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done && std::chrono::steady_clock::now() < end) {
    Application->CheckSynchronize();
    Sleep(1);
  }
  if (!done) {
    std::fprintf(stderr, "a worker thread is stuck; ending the test run\n");
    std::abort();
  }
  worker.join();
}

// Answers, from a thread of its own, every message box that the thread which
// made it shows, as a user pressing OK would, and keeps their texts.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() : ui_thread_(GetCurrentThreadId()), thread_([this] { Run(); }) {}
  ~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  std::vector<std::wstring> Texts() {
    std::lock_guard lock(mutex_);
    return texts_;
  }

 private:
  void Run() {
    while (!stop_) {
      EnumThreadWindows(ui_thread_, &MessageBoxAnswerer::Visit, reinterpret_cast<LPARAM>(this));
      Sleep(10);
    }
  }

  static BOOL CALLBACK Visit(HWND hwnd, LPARAM self_pointer) {
    auto* self = reinterpret_cast<MessageBoxAnswerer*>(self_pointer);
    wchar_t class_name[16] = {};
    GetClassNameW(hwnd, class_name, 16);
    if (std::wstring(class_name) != L"#32770" || !IsWindowVisible(hwnd) ||
        self->answered_.count(hwnd))
      return TRUE;
    std::wstring text;
    EnumChildWindows(hwnd, &MessageBoxAnswerer::ReadText, reinterpret_cast<LPARAM>(&text));
    {
      std::lock_guard lock(self->mutex_);
      self->texts_.push_back(text);
    }
    self->answered_.insert(hwnd);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
  }

  // The box's message is its first static control with a text.
  static BOOL CALLBACK ReadText(HWND child, LPARAM text_pointer) {
    auto* text = reinterpret_cast<std::wstring*>(text_pointer);
    wchar_t class_name[16] = {};
    GetClassNameW(child, class_name, 16);
    if (!text->empty() || _wcsicmp(class_name, L"Static") != 0) return TRUE;
    wchar_t buffer[512] = {};
    GetWindowTextW(child, buffer, 512);
    *text = buffer;
    return TRUE;
  }

  const DWORD ui_thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::wstring> texts_;
  std::set<HWND> answered_;
  std::thread thread_;
};

}  // namespace wf::test
