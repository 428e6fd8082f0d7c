#include "bench/PoolOverhead.h"

#include <windows.h>

#include <vector>

#include "bench/RatioReport.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "shell/notify/ThreadPool.h"

namespace bench {
namespace {

// As much as a pool job's thread reserves.
constexpr SIZE_T kStackBytes = 1024 * 1024;
constexpr double kLongestSeconds = 120;
// A wait that wakes now and then, so that a pool that never empties ends
// the measure instead of the run.
constexpr DWORD kWakeMs = 100;

double TimePool() {
  bool empty = false;
  wf::TThreadPool pool;
  pool.OnEmpty = [&](wf::TObject*) { empty = true; };
  const auto start = Clock::now();
  for (int i = 0; i < kEmptyJobs; ++i) pool.AddJob(new wf::TKivThread());
  // Each job's end reaches the pool through this thread's messages.
  while (!empty) {
    if (SecondsSince(start) > kLongestSeconds) throw BenchError("the pool never emptied");
    MsgWaitForMultipleObjectsEx(0, nullptr, kWakeMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    wf::Application->ProcessMessages();
  }
  return SecondsSince(start);
}

DWORD WINAPI EmptyBody(void*) {
  return 0;
}

wf::UniqueHandle StartBareThread() {
  wf::UniqueHandle thread(CreateThread(nullptr, kStackBytes, EmptyBody, nullptr,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  CheckWin32(static_cast<bool>(thread), "CreateThread");
  return thread;
}

double TimeBareThreads() {
  std::vector<wf::UniqueHandle> running;
  std::vector<HANDLE> waited;
  const auto start = Clock::now();
  int started = 0;
  for (; started < kEmptyJobs && started < wf::TThreadPool::kMaxRunning; ++started)
    running.push_back(StartBareThread());
  while (!running.empty()) {
    waited.clear();
    for (const wf::UniqueHandle& thread : running) waited.push_back(thread.get());
    const DWORD ended =
        WaitForMultipleObjects(static_cast<DWORD>(waited.size()), waited.data(), FALSE, INFINITE);
    if (ended >= WAIT_OBJECT_0 + waited.size()) CheckWin32(FALSE, "WaitForMultipleObjects");
    running.erase(running.begin() + (ended - WAIT_OBJECT_0));
    if (started < kEmptyJobs) {
      running.push_back(StartBareThread());
      ++started;
    }
  }
  return SecondsSince(start);
}

}  // namespace

PoolOverheadReport MeasurePoolOverhead(int runs) {
  PoolOverheadReport report;
  // Alternating, so that a slow moment of the machine falls on both alike.
  for (int run = 0; run < runs; ++run) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool pool = (turn + run) % 2 == 0;
      Measure& measure = pool ? report.pool : report.bare;
      try {
        measure.Add(pool ? TimePool() : TimeBareThreads());
      } catch (const std::exception& e) {
        measure.failure = e.what();
      }
    }
  }
  return report;
}

void PrintPoolOverhead(const PoolOverheadReport& report) {
  PrintRatioHeader("pool overhead: empty jobs, at most 15 running", kPoolTarget);
  PrintRatioLine(report.pool, &report.bare, kPoolTarget, "");
  PrintRatioLine(report.bare, nullptr, kPoolTarget, "");
  PrintRatioResult(kEmptyJobs, report.pool, &report.bare, kPoolTarget, "");
}

}  // namespace bench
