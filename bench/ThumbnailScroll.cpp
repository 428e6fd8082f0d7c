#include "bench/ThumbnailScroll.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "bench/CountedThumbnails.h"
#include "bench/Hosting.h"
#include "framework/Application.h"
#include "framework/Form.h"

namespace bench {
namespace {

// More pages than any folder here has: a list that never reaches its end
// stops the run instead of hanging it.
constexpr int kMostPages = 10000;
constexpr double kWarmUpSeconds = 60;

// Handles messages until `deadline`, at least once; with `times`, adds where
// the time went to the page's entries.
void ProcessUntil(Clock::time_point deadline, PageTimes* times) {
  double processing = 0, idle = 0;
  for (;;) {
    const auto start = Clock::now();
    wf::Application->ProcessMessages();
    processing += SecondsSince(start);
    const auto now = Clock::now();
    if (now >= deadline) break;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    const auto waitStart = Clock::now();
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait.count()) + 1, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    idle += SecondsSince(waitStart);
  }
  if (!times) return;
  times->processing.push_back(processing);
  times->idle.push_back(idle);
}

SCROLLINFO VerticalScroll(HWND list) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  if (!GetScrollInfo(list, SB_VERT, &info)) return SCROLLINFO{};
  return info;
}

// No scroll bar, or its last page shown.
bool AtEnd(HWND list) {
  const SCROLLINFO info = VerticalScroll(list);
  if (info.cbSize == 0) return true;
  return info.nPos + static_cast<int>(info.nPage) > info.nMax;
}

// To the small folder and back, each drawn as a user would see it, then to
// where the list was: the user carries on paging from there.
bool Detour(wf::TKivShellList& list, const ScrollPlan& plan) {
  const HWND handle = list.Handle();
  const int position = VerticalScroll(handle).nPos;
  list.SetPath(plan.smallFolder);
  UpdateWindow(handle);
  list.SetPath(plan.folder);
  UpdateWindow(handle);
  // In the icon view the list scrolls by pixels, as its scroll bar counts.
  SendMessageW(handle, LVM_SCROLL, 0, position - VerticalScroll(handle).nPos);
  UpdateWindow(handle);
  return VerticalScroll(handle).nPos == position;
}

// The small folder shown as thumbnails and all its pictures landed: the
// pool, COM and the decoder have each run once before anything is timed.
void WarmUp(CountedShellList& list, const JobTally& tally, const ScrollPlan& plan) {
  list.SetMakesJobs(plan.makeJobs);
  list.SetPath(plan.smallFolder);
  list.SetThumbnails(true);
  UpdateWindow(list.Handle());
  if (!plan.makeJobs) return;
  // The shown rows have asked for their pictures by now.
  const auto start = Clock::now();
  while (tally.EndedCount() < tally.Made() && SecondsSince(start) < kWarmUpSeconds)
    ProcessUntil(Clock::now() + std::chrono::milliseconds(kPageSlotMs), nullptr);
  if (tally.EndedCount() < tally.Made())
    throw BenchError("the small folder's pictures did not land within a minute");
}

// The pages from SetPath to the end; the detour, if planned, in its page's
// slot instead of a page down.
void PageThrough(CountedShellList& list, const JobTally& tally, const ScrollPlan& plan,
                 ScrollReport& report) {
  const HWND handle = list.Handle();
  auto slot = Clock::now();
  report.pageStarts.push_back(std::chrono::duration<double>(slot - report.origin).count());
  list.SetPath(plan.folder);
  UpdateWindow(handle);
  report.setPathSeconds = SecondsSince(slot);
  report.pages.scroll.push_back(report.setPathSeconds);
  report.pages.rowsDrawn.push_back(tally.Asked());
  ProcessUntil(slot + std::chrono::milliseconds(kPageSlotMs), &report.pages);

  for (int page = 1; page < kMostPages && !AtEnd(handle); ++page) {
    slot = Clock::now();
    const int asked = tally.Asked();
    report.pageStarts.push_back(std::chrono::duration<double>(slot - report.origin).count());
    if (page == plan.detourPage) {
      report.detourRestored = Detour(list, plan);
      report.detourSeconds = SecondsSince(slot);
      report.pages.scroll.push_back(report.detourSeconds);
    } else {
      const int before = VerticalScroll(handle).nPos;
      SendMessageW(handle, WM_VSCROLL, SB_PAGEDOWN, 0);
      UpdateWindow(handle);
      report.pages.scroll.push_back(SecondsSince(slot));
      if (VerticalScroll(handle).nPos == before)
        throw BenchError("a page down did not move the list before its end");
    }
    report.pages.rowsDrawn.push_back(tally.Asked() - asked);
    ProcessUntil(slot + std::chrono::milliseconds(kPageSlotMs), &report.pages);
  }
}

void AwaitPictures(const JobTally& tally, const ScrollPlan& plan, Clock::time_point origin) {
  while ((tally.Made() < plan.folderPictures || tally.EndedCount() < tally.Made()) &&
         SecondsSince(origin) < plan.timeoutSeconds)
    ProcessUntil(Clock::now() + std::chrono::milliseconds(kPageSlotMs), nullptr);
}

}  // namespace

int PageAt(const ScrollReport& report, Clock::time_point point) {
  const double seconds = std::chrono::duration<double>(point - report.origin).count();
  if (seconds >= report.scrollSeconds) return -1;
  const auto later = std::upper_bound(report.pageStarts.begin(), report.pageStarts.end(), seconds);
  return std::max(0, static_cast<int>(later - report.pageStarts.begin()) - 1);
}

ScrollReport RunThumbnailScroll(const ScrollPlan& plan) {
  ScrollReport report;
  auto tally = std::make_shared<JobTally>();
  report.threadsBefore = CountProcessThreads();
  report.memoryBefore = SampleMemory();
  // At the size of a maximised browser pane.
  auto host = std::make_unique<ListHost>(
      kListWidth, kListHeight, [&](wf::TForm* form) { return new CountedShellList(form, tally); });
  auto& list = static_cast<CountedShellList&>(host->List());
  WarmUp(list, *tally, plan);

  const auto origin = Clock::now();
  report.origin = origin;
  tally->Restart(origin);
  {
    ResponsivenessProbe probe(list.Handle());
    PageThrough(list, *tally, plan, report);
    report.scrollSeconds = SecondsSince(origin);
    if (plan.awaitPictures && plan.makeJobs) {
      probe.SetPhase(kAwaitingPictures);
      AwaitPictures(*tally, plan, origin);
    }
    report.probe = probe.Stop();
  }
  report.jobsMade = tally->Made();
  report.jobsLanded = tally->Landed();
  report.allLanded = report.jobsLanded >= plan.folderPictures;
  report.lastLandedSeconds = report.jobsLanded ? tally->LastLandedSeconds() : kNotMeasured;
  report.rowsAwaiting = list.RowsAwaitingPictures();
  report.jobPriority = tally->JobPriority();
  report.memoryShown = SampleMemory();

  // The list waits for its jobs as it goes.
  const auto closing = Clock::now();
  host.reset();
  report.closeSeconds = SecondsSince(closing);
  ProcessUntil(Clock::now() + std::chrono::milliseconds(kPageSlotMs), nullptr);
  report.memoryClosed = SampleMemory();
  report.threadsAfter = CountProcessThreads();
  return report;
}

}  // namespace bench
