#include "bench/TickedTotals.h"

#include <windows.h>

#include <memory>

#include "framework/Application.h"
#include "shell/notify/KivSelectionList.h"

namespace bench {
namespace {

// Long enough not to spin, short enough not to round the time up: the
// wait ends at once when the job's result is posted.
constexpr DWORD kWaitSliceMs = 50;

// From CheckPath to the totals settled, the job's result handled on this
// thread as the window's message loop would handle it.
double TickUntilSettled(const std::wstring& folder, double timeoutSeconds, FolderTotals& totals) {
  // A list of its own each run: no job of an earlier run is left to
  // finish, and nothing is unticked in between.
  auto selection = std::make_unique<wf::TKivSelectionList>(nullptr);
  const auto start = Clock::now();
  selection->CheckPath(folder);
  while (selection->SizesPending()) {
    if (SecondsSince(start) > timeoutSeconds)
      throw BenchError("the ticked folder's totals did not settle within the timeout");
    MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    wf::Application->ProcessMessages();
  }
  const double seconds = SecondsSince(start);
  totals = {selection->TotalSize(), selection->FileCount()};
  return seconds;
}

double TimeWalk(const std::wstring& folder, FolderTotals& totals) {
  const auto start = Clock::now();
  totals = WalkFolder(folder);
  return SecondsSince(start);
}

// One of each, in the order given; timed or not, their totals are
// compared.
void RunPair(const std::wstring& folder, double timeoutSeconds, bool walkFirst, bool timed,
             TickedTotalsReport& report) {
  FolderTotals ticked, walked;
  double walkSeconds = kNotMeasured;
  if (walkFirst) walkSeconds = TimeWalk(folder, walked);
  bool settled = false;
  if (report.ticked.failure.empty()) {
    try {
      const double seconds = TickUntilSettled(folder, timeoutSeconds, ticked);
      settled = true;
      if (timed) report.ticked.Add(seconds);
    } catch (const std::exception& e) {
      report.ticked.failure = e.what();
    }
  }
  if (!walkFirst) walkSeconds = TimeWalk(folder, walked);
  if (timed) report.walk.Add(walkSeconds);
  report.walkTotals = walked;
  if (!settled) return;
  report.tickedTotals = ticked;
  if (!(ticked == walked)) ++report.disagreeingRuns;
}

}  // namespace

TickedTotalsReport MeasureTickedTotals(const std::wstring& folder, int runs,
                                       double timeoutSeconds) {
  TickedTotalsReport report;
  // Untimed: the folders' entries cached, the pool's first thread made.
  RunPair(folder, timeoutSeconds, false, false, report);
  // The walk first every other run, so that neither always follows the
  // other.
  for (int run = 0; run < runs; ++run) RunPair(folder, timeoutSeconds, run % 2 == 1, true, report);
  return report;
}

}  // namespace bench
