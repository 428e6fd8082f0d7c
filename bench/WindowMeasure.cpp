#include "bench/WindowMeasure.h"

#include <windows.h>

#include <cstdio>

#include "app/Unit1.h"
#include "bench/Hosting.h"
#include "bench/RatioReport.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

constexpr int kDownPresses = 1000;
constexpr double kFillTarget = 1.05;
constexpr double kWalkTarget = 1.1;

// Paints whatever the window and its children still owe, now.
void PaintNow(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// The fill runs inside SetPath, up to OnPopulated; the first page is drawn
// by the paint that follows.
double TimeFill(wf::TKivShellList& list, HWND top, const std::wstring& folder) {
  PumpPending();
  const auto start = Clock::now();
  list.SetPath(folder);
  PaintNow(top);
  const double seconds = SecondsSince(start);
  PumpPending();
  return seconds;
}

// Down-arrow presses from the first row, each painted as a user would see
// it before the next.
double TimeWalk(wf::TKivShellList& list, HWND top) {
  HWND handle = list.Handle();
  list.SetFocus();
  SendMessageW(handle, WM_KEYDOWN, VK_HOME, 0);
  PumpPending();
  const auto start = Clock::now();
  for (int i = 0; i < kDownPresses; ++i) {
    SendMessageW(handle, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(handle, WM_KEYUP, VK_DOWN, 0);
    PaintNow(top);
  }
  const double seconds = SecondsSince(start);
  PumpPending();
  return seconds;
}

}  // namespace

WindowReport MeasureWindow(const std::wstring& folder, int runs) {
  WindowReport report;
  // The two hosts take turns, so that a slow moment of the machine falls on
  // both alike.
  for (int run = 0; run < runs; ++run) {
    {
      ListHost host;
      HWND top = GetAncestor(host.List().Handle(), GA_ROOT);
      report.bareFill.Add(TimeFill(host.List(), top, folder));
    }
    {
      wf::TfrmMain_Wayfold form(nullptr);
      form.Show();
      PumpPending();
      report.windowFill.Add(TimeFill(*form.shList, form.Handle(), folder));
      // An untimed walk first: the rows' shell data is fetched as they are
      // first drawn, which neither timed walk may pay for alone.
      TimeWalk(*form.shList, form.Handle());
      // The same window without the handler: the difference is the
      // handler's alone. The order turns each run.
      const wf::TLVChangeEvent handler = form.shList->OnChange;
      for (int turn = 0; turn < 2; ++turn) {
        const bool attached = (turn + run) % 2 == 0;
        form.shList->OnChange = attached ? handler : nullptr;
        (attached ? report.walkWindow : report.walkBare).Add(TimeWalk(*form.shList, form.Handle()));
      }
    }
  }
  return report;
}

void PrintWindow(int size, const WindowReport& report) {
  std::printf("\n  the finished window against the bare list, %d items\n", size);
  PrintRatioHeader("fill up to the first page drawn", kFillTarget);
  PrintRatioLine(report.windowFill, &report.bareFill, kFillTarget, "");
  PrintRatioLine(report.bareFill, nullptr, kFillTarget, "");
  PrintRatioHeader("a walk through the rows", kWalkTarget);
  PrintRatioLine(report.walkWindow, &report.walkBare, kWalkTarget, "");
  PrintRatioLine(report.walkBare, nullptr, kWalkTarget, "");
  PrintRatioResult(size, report.windowFill, &report.bareFill, kFillTarget, "");
  PrintRatioResult(size, report.walkWindow, &report.walkBare, kWalkTarget, "");
}

}  // namespace bench
