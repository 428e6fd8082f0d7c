#include "bench/ResponsivenessProbe.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cmath>

#include "bench/BenchCore.h"
#include "framework/Handles.h"

namespace bench {
namespace {

// A snapshot fails as INVALID_HANDLE_VALUE and is closed as any kernel handle.
using UniqueSnapshot = wf::Unique<HANDLE, wf::FileHandleDeleter>;

double Percentile(const std::vector<double>& sorted, double share) {
  if (sorted.empty()) return kNotMeasured;
  const size_t rank = static_cast<size_t>(std::ceil(share * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

int CountProcessThreads() {
  UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return -1;
  const DWORD process = GetCurrentProcessId();
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == process) ++count;
  return count;
}

RoundTrips Summarize(const ProbeRecord& record, int fromPhase, int toPhase) {
  RoundTrips trips;
  std::vector<double> times;
  for (const ProbeSample& sample : record.samples) {
    if (sample.phase < fromPhase || sample.phase > toPhase) continue;
    if (times.empty() || sample.milliseconds > trips.longest) {
      trips.longest = sample.milliseconds;
      trips.longestAsked = sample.asked;
    }
    times.push_back(sample.milliseconds);
    if (sample.timedOut) ++trips.timeouts;
  }
  std::sort(times.begin(), times.end());
  trips.count = static_cast<int>(times.size());
  trips.p99 = Percentile(times, 0.99);
  trips.median = Percentile(times, 0.5);
  if (times.empty()) trips.longest = kNotMeasured;
  return trips;
}

ResponsivenessProbe::ResponsivenessProbe(HWND target)
    : target_(target),
      ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_([this](HANDLE stop) {
        struct Ended {
          HANDLE event;
          ~Ended() { SetEvent(event); }
        } ended{ended_.get()};
        Probe(stop);
      }) {
  CheckWin32(static_cast<bool>(ended_), "CreateEventW");
}

ResponsivenessProbe::~ResponsivenessProbe() {
  if (thread_.Running()) Stop();
}

ProbeRecord ResponsivenessProbe::Stop() {
  thread_.RequestStop();
  // The probe may be waiting for this thread's answer: a plain join would
  // hold it until its timeout and record the wait as a frozen window.
  HANDLE ended = ended_.get();
  while (ended && MsgWaitForMultipleObjects(1, &ended, FALSE, INFINITE, QS_SENDMESSAGE) ==
                      WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  thread_.Join();
  return std::move(record_);
}

void ResponsivenessProbe::Probe(HANDLE stop) {
  // Paced by the clock, not by the answers: a late answer is followed at
  // once by the next question, as a user clicking on would.
  auto next = Clock::now();
  for (;;) {
    const auto start = Clock::now();
    DWORD_PTR answer = 0;
    const LRESULT answered =
        SendMessageTimeoutW(target_, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &answer);
    const double milliseconds = SecondsSince(start) * 1000.0;
    record_.samples.push_back({start, milliseconds, phase_.load(), answered == 0});
    record_.peakThreads = std::max(record_.peakThreads, CountProcessThreads());

    next += std::chrono::milliseconds(kIntervalMs);
    const auto now = Clock::now();
    if (next < now) next = now;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    if (WaitForSingleObject(stop, static_cast<DWORD>(wait)) != WAIT_TIMEOUT) return;
  }
}

}  // namespace bench
