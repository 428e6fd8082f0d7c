#include "bench/PriorityProbe.h"

#include <windows.h>

#include <cstdint>

#include "bench/BenchCore.h"
#include "framework/Handles.h"

namespace bench {
namespace {

constexpr auto kSpin = std::chrono::milliseconds(400);
constexpr DWORD_PTR kFirstCore = 1;

struct Spinner {
  HANDLE go = nullptr;
  // Set before `go` is.
  Clock::time_point until;
  uint64_t turns = 0;
};

DWORD WINAPI Spin(void* param) {
  auto& spinner = *static_cast<Spinner*>(param);
  WaitForSingleObject(spinner.go, INFINITE);
  uint64_t turns = 0;
  while (Clock::now() < spinner.until) ++turns;
  spinner.turns = turns;
  return 0;
}

// Made suspended, so that it starts on its core at its priority; false
// (the thread's error kept) when the platform refuses any of it.
bool MakeSpinner(Spinner& spinner, int priority, wf::UniqueHandle& thread) {
  thread.reset(CreateThread(nullptr, 0, Spin, &spinner, CREATE_SUSPENDED, nullptr));
  return thread && SetThreadAffinityMask(thread.get(), kFirstCore) &&
         SetThreadPriority(thread.get(), priority);
}

}  // namespace

PriorityShare MeasureBelowNormalShare() {
  PriorityShare result;
  try {
    wf::UniqueHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CheckWin32(static_cast<bool>(go), "CreateEventW");
    Spinner normal, below;
    normal.go = below.go = go.get();
    wf::UniqueHandle normalThread, belowThread;
    const bool ready = MakeSpinner(normal, THREAD_PRIORITY_NORMAL, normalThread) &&
                       MakeSpinner(below, THREAD_PRIORITY_BELOW_NORMAL, belowThread);
    const DWORD error = GetLastError();
    // Whatever was made runs, if only to end at once: a suspended thread
    // would be left behind for good.
    if (ready) normal.until = below.until = Clock::now() + kSpin;
    SetEvent(go.get());
    for (const wf::UniqueHandle* thread : {&normalThread, &belowThread})
      if (*thread) ResumeThread(thread->get());
    for (const wf::UniqueHandle* thread : {&normalThread, &belowThread})
      if (*thread) WaitForSingleObject(thread->get(), INFINITE);
    if (!ready) {
      SetLastError(error);
      CheckWin32(FALSE, "starting a spinner on the first core");
    }
    if (normal.turns == 0) throw BenchError("the normal spinner never ran");
    result.share = static_cast<double>(below.turns) / static_cast<double>(normal.turns);
    result.measured = true;
  } catch (const std::exception& e) {
    result.failure = e.what();
  }
  return result;
}

}  // namespace bench
