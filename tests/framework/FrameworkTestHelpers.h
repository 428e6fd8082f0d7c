#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
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
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 20)),
                              QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return done();
}

// Pumps messages for a fixed time: used to show that something does not happen.
inline void PumpFor(std::chrono::milliseconds duration) {
  PumpUntil([] { return false; }, duration);
}

}  // namespace wf::test
