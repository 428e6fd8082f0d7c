#include "bench/SelectionMeasure.h"

#include <cstdio>
#include <string>

#include "bench/BenchCore.h"
#include "bench/CheckEcho.h"
#include "bench/CheckedPage.h"
#include "bench/RatioReport.h"
#include "bench/SelectionTree.h"
#include "bench/TickedTotals.h"

namespace bench {
namespace {

std::string Milliseconds(double seconds) {
  return Format(seconds * 1000.0, "%.1f");
}

// Each run's time, for telling a steady median from a lucky one.
std::string Samples(const Measure& measure) {
  if (measure.samples.empty()) return {};
  std::string text = "runs (ms):";
  for (double seconds : measure.samples) text.append(" ").append(Milliseconds(seconds));
  return text;
}

std::string Totals(const FolderTotals& totals) {
  return std::to_string(totals.files) + " files, " + std::to_string(totals.bytes) + " bytes";
}

// Empty when every folder is ready; otherwise what is wrong with the first
// that is not.
std::string FoldersProblem(const Options& options) {
  std::string problem = CheckSelectionTree(SelectionTreePath(options.root));
  for (const FolderOfSize& folder : SelectionFolders(options.root))
    if (problem.empty()) problem = CheckBenchFolder(folder.path, folder.size);
  return problem;
}

void PrintTickedTotals(const TickedTotalsReport& report, const FolderTotals& layout) {
  std::printf("\n  the tree's top folder ticked, until its totals settle\n");
  PrintRatioHeader("the selection list's pool job against one thread's own walk",
                   kTickedTotalsTarget);
  PrintRatioLine(report.ticked, &report.walk, kTickedTotalsTarget, Samples(report.ticked));
  PrintRatioLine(report.walk, nullptr, kTickedTotalsTarget, Samples(report.walk));
  const bool equal = report.ticked.failure.empty() && report.disagreeingRuns == 0 &&
                     report.tickedTotals == report.walkTotals && report.walkTotals == layout;
  std::printf("  totals: ticked %s; walk %s; the tree holds %s: %s\n",
              Totals(report.tickedTotals).c_str(), Totals(report.walkTotals).c_str(),
              Totals(layout).c_str(), equal ? "equal" : "NOT EQUAL");
  if (!equal)
    std::printf(
        "  *** THE TICKED TOTALS ARE WRONG: %d of the runs disagreed with the walk (the last: "
        "ticked %s, walk %s, tree %s) ***\n",
        report.disagreeingRuns, Totals(report.tickedTotals).c_str(),
        Totals(report.walkTotals).c_str(), Totals(layout).c_str());
  PrintRatioResult(layout.files, report.ticked, &report.walk, kTickedTotalsTarget,
                   " totals_equal=" + std::to_string(equal ? 1 : 0) +
                       " files=" + std::to_string(report.tickedTotals.files) +
                       " bytes=" + std::to_string(report.tickedTotals.bytes));
}

void PrintCheckedPage(const CheckedPageReport& report) {
  std::printf(
      "\n  the first page of a folder of %d files drawn (SetPath + UpdateWindow, a list of "
      "its own each run)\n",
      kCheckedPageRows);
  PrintRatioHeader(
      "boxes on, " + std::to_string(report.ticked) + " entries ticked elsewhere, against boxes off",
      kCheckedPageTarget);
  PrintRatioLine(report.boxes, &report.plain, kCheckedPageTarget, Samples(report.boxes));
  PrintRatioLine(report.plain, nullptr, kCheckedPageTarget, Samples(report.plain));
  const bool allDrawn =
      report.drawnBoxes == kCheckedPageRows && report.drawnPlain == kCheckedPageRows;
  std::printf(
      "  list client height %d px, %d rows a page; rows drawn (fewest of any run): boxes on %d, "
      "off %d (%s); rows showing an unticked box: %d\n",
      report.listHeight, report.pageRows, report.drawnBoxes, report.drawnPlain,
      allDrawn ? "every row" : "NOT EVERY ROW", report.untickedBoxes);
  std::printf(
      "  the %d rows' states asked of the selection list directly: by id list (as a row asks) "
      "%s ms, of which making the paths (IdListToPath) %s ms; by path %s ms%s%s\n",
      kCheckedPageRows, Milliseconds(report.byIdList.median()).c_str(),
      Milliseconds(report.toPath.median()).c_str(), Milliseconds(report.byPath.median()).c_str(),
      report.byIdList.failure.empty() ? "" : ": ", report.byIdList.failure.c_str());
  PrintRatioResult(kCheckedPageRows, report.boxes, &report.plain, kCheckedPageTarget,
                   " ticked=" + std::to_string(report.ticked) +
                       " rows_drawn=" + std::to_string(report.drawnBoxes));
}

std::string Seen(const ClickTimes& times) {
  return "in the click " + std::to_string(times.seen[static_cast<int>(EchoSeen::kInClick)]) +
         ", at the other's paint " +
         std::to_string(times.seen[static_cast<int>(EchoSeen::kAtPaint)]) +
         ", by handling messages " +
         std::to_string(times.seen[static_cast<int>(EchoSeen::kPumping)]);
}

// The other list's fills a click caused, over the runs.
std::string Fills(const ClickTimes& times) {
  return std::to_string(times.fillsOnDown) + " on the button's down, " +
         std::to_string(times.fillsOnUp) + " on its up, in " +
         std::to_string(times.messages.samples.size()) + " clicks";
}

void PrintClick(const char* what, const ClickTimes& times) {
  std::printf(
      "    %-7s %s ms to the other row's state (the click's messages %s ms, the other list "
      "painted %s ms); the state was there %s\n",
      what, Milliseconds(times.state.median()).c_str(),
      Milliseconds(times.messages.median()).c_str(), Milliseconds(times.painted.median()).c_str(),
      Seen(times).c_str());
  std::printf("            %s; the other list filled %s\n", Samples(times.state).c_str(),
              Fills(times).c_str());
}

void PrintClickResult(int size, const ClickTimes& times) {
  std::printf(
      "RESULT size=%d measure=%s runs=%zu seconds=%s messages_seconds=%s painted_seconds=%s "
      "seen_in_click=%d seen_at_paint=%d seen_pumping=%d other_fills_down=%d other_fills_up=%d\n",
      size, times.state.key.c_str(), times.state.samples.size(),
      Format(times.state.median(), "%.6f").c_str(), Format(times.messages.median(), "%.6f").c_str(),
      Format(times.painted.median(), "%.6f").c_str(),
      times.seen[static_cast<int>(EchoSeen::kInClick)],
      times.seen[static_cast<int>(EchoSeen::kAtPaint)],
      times.seen[static_cast<int>(EchoSeen::kPumping)], times.fillsOnDown, times.fillsOnUp);
}

void PrintEcho(const std::vector<EchoSize>& sizes) {
  std::printf(
      "\n  a click on a row's box (WM_LBUTTONDOWN and WM_LBUTTONUP sent to the list), to the "
      "other list of the link, showing the same folder, holding the row's new state (medians)\n");
  for (const EchoSize& size : sizes) {
    std::printf("  %d files%s%s\n", size.size,
                size.failure.empty() ? "" : ": not measured: ", size.failure.c_str());
    if (size.tick.state.samples.empty()) continue;
    PrintClick("tick", size.tick);
    PrintClick("untick", size.untick);
    std::printf(
        "    for comparison, a click on another row's name (it only selects): the click's "
        "messages %s ms, the other list painted %s ms; the other list filled %s\n",
        Milliseconds(size.select.messages.median()).c_str(),
        Milliseconds(size.select.painted.median()).c_str(), Fills(size.select).c_str());
    std::printf("    the click on a box also selects its row: %s\n",
                size.boxClickSelects ? "yes" : "no");
    PrintClickResult(size.size, size.tick);
    PrintClickResult(size.size, size.untick);
  }
}

}  // namespace

std::vector<FolderOfSize> SelectionFolders(const std::wstring& root) {
  std::vector<FolderOfSize> folders;
  for (int size : {kCheckedPageRows, kEchoSmallSize, kEchoLargeSize})
    folders.push_back({BenchFolderPath(root, size), size});
  return folders;
}

void RunSelectionMeasure(const Options& options) {
  std::printf("\n== selection: ticked totals, check boxes and a tick's echo ==\n");
  std::fflush(stdout);
  if (const std::string problem = FoldersProblem(options); !problem.empty()) {
    std::printf(
        "  the folders are not ready: %s\n"
        "  bench/run.sh makes them from Linux: bench/run.sh --measures selection --root %s\n",
        problem.c_str(), ToUtf8(options.root).c_str());
    return;
  }
  const std::wstring tree = SelectionTreePath(options.root);
  const TreeLayout& layout = SelectionTreeLayout();
  std::printf("  tree: %s in %zu folders, %d levels below its top %s\n",
              Totals(layout.totals).c_str(), layout.folders.size(), kTreeLevels,
              ToUtf8(tree).c_str());
  std::fflush(stdout);

  PrintTickedTotals(MeasureTickedTotals(tree, options.runs, options.viewTimeoutSeconds),
                    layout.totals);
  std::fflush(stdout);
  try {
    PrintCheckedPage(MeasureCheckedPage(BenchFolderPath(options.root, kCheckedPageRows),
                                        kCheckedPageRows, tree, kTickedElsewhere, options.runs,
                                        options.viewTimeoutSeconds));
  } catch (const std::exception& e) {
    std::printf("\n  the page with boxes not measured: %s\n", e.what());
  }
  std::fflush(stdout);
  try {
    PrintEcho(MeasureCheckEcho({{kEchoSmallSize, BenchFolderPath(options.root, kEchoSmallSize)},
                                {kEchoLargeSize, BenchFolderPath(options.root, kEchoLargeSize)}},
                               options.runs, options.viewTimeoutSeconds));
  } catch (const std::exception& e) {
    std::printf("\n  the click between linked lists not measured: %s\n", e.what());
  }
  std::fflush(stdout);
}

}  // namespace bench
