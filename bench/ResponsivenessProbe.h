#pragma once

// Whether the user-interface thread answers while it works: from a thread
// of its own, a message that costs nothing to handle (WM_NULL) is sent to a
// window of that thread every 10 ms, and each round trip is kept. A round
// trip is as long as the thread kept a user's click waiting. After each
// answer the probe also counts the process's threads.

#include <windows.h>

#include <atomic>
#include <vector>

#include "bench/BenchCore.h"
#include "framework/Handles.h"
#include "framework/WorkerThread.h"

namespace bench {

// The process's threads now, by a snapshot; -1 when the platform gives none.
int CountProcessThreads();

struct ProbeSample {
  Clock::time_point asked;
  double milliseconds = 0;
  // What the user-interface thread was doing, as it last said.
  int phase = 0;
  bool timedOut = false;
};

struct ProbeRecord {
  std::vector<ProbeSample> samples;
  int peakThreads = -1;
};

// The figures of a set of round trips.
struct RoundTrips {
  int count = 0;
  int timeouts = 0;
  double p99 = 0;
  double longest = 0;
  double median = 0;
  // When the longest was asked.
  Clock::time_point longestAsked;
};

// The samples of the phases in [fromPhase, toPhase].
RoundTrips Summarize(const ProbeRecord& record, int fromPhase, int toPhase);

class ResponsivenessProbe {
 public:
  static constexpr DWORD kIntervalMs = 10;
  // Long enough that only a hung thread times out.
  static constexpr UINT kTimeoutMs = 5000;

  // Starts probing `target` at once; throws wf::Exception when the platform
  // refuses the thread.
  explicit ResponsivenessProbe(HWND target);
  ~ResponsivenessProbe();
  ResponsivenessProbe(const ResponsivenessProbe&) = delete;
  ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;

  // From the user-interface thread: the samples from here on belong to it.
  void SetPhase(int phase) { phase_ = phase; }
  // From the user-interface thread, which answers the question in flight
  // meanwhile: stops probing and answers everything gathered; once.
  ProbeRecord Stop();

 private:
  void Probe(HANDLE stop);

  const HWND target_;
  std::atomic<int> phase_{0};
  // Written by the probe's thread alone until Stop has joined it.
  ProbeRecord record_;
  // Set as the probe's body returns.
  wf::UniqueHandle ended_;
  wf::WorkerThread thread_;
};

}  // namespace bench
