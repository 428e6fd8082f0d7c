// Wayfold's benchmark: how long a large folder takes to appear in our list
// against what it builds on, what our list adds per drawn row and per sort,
// the questions asked once per object, and what acting on a whole folder's
// files (a copy to the clipboard, the report of a delete) adds to the
// platform's own work, what work moved off the user-interface thread costs
// it, and what check boxes and the totals of their ticks cost. Each measure
// can run alone (--measures); most run by default.

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "bench/BackgroundWorkMeasure.h"
#include "bench/BenchCore.h"
#include "bench/BenchFolders.h"
#include "bench/BenchOptions.h"
#include "bench/ClipboardMeasure.h"
#include "bench/DeleteReportMeasure.h"
#include "bench/FirstPageMeasure.h"
#include "bench/ListWorkReport.h"
#include "bench/Memory.h"
#include "bench/PaintMeasure.h"
#include "bench/MemoryMeasure.h"
#include "bench/PopulationMeasure.h"
#include "bench/QuestionsMeasure.h"
#include "bench/RefreshMeasure.h"
#include "bench/SelectionMeasure.h"
#include "bench/SelectionTree.h"
#include "bench/SortMeasure.h"
#include "bench/WholeFolderMeasure.h"
#include "bench/WindowMeasure.h"
#include "framework/Application.h"
#include "shell/core/ShellModule.h"

namespace bench {
namespace {

// Initialises OLE (apartment-threaded, as the shell's views require) for
// the process's one thread.
class OleScope {
 public:
  OleScope() { Check(OleInitialize(nullptr), "OleInitialize"); }
  ~OleScope() { OleUninitialize(); }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
};

// Whether any measure reads the folders of the sizes asked for; the refresh
// makes and reads folders of its own.
bool RunsSizedMeasures(const Options& options) {
  return options.Runs(MeasureKind::kPopulation) || options.Runs(MeasureKind::kFirstPage) ||
         options.Runs(MeasureKind::kSorts) || options.Runs(MeasureKind::kQuestions) ||
         options.Runs(MeasureKind::kClipboard) || options.Runs(MeasureKind::kDeleteReport) ||
         options.Runs(MeasureKind::kMemory) || options.Runs(MeasureKind::kWholeFolder) ||
         options.Runs(MeasureKind::kWindow);
}

// Whether any measure runs once per size in this process; the memory
// measure runs each size in processes of its own.
bool RunsInProcessSizedMeasures(const Options& options) {
  return options.Runs(MeasureKind::kPopulation) || options.Runs(MeasureKind::kFirstPage) ||
         options.Runs(MeasureKind::kSorts) || options.Runs(MeasureKind::kQuestions) ||
         options.Runs(MeasureKind::kClipboard) || options.Runs(MeasureKind::kDeleteReport) ||
         options.Runs(MeasureKind::kWholeFolder) || options.Runs(MeasureKind::kWindow);
}

// Answers our list's population time, for the scaling between sizes.
double RunSize(const Options& options, int size) {
  std::printf("\n== %d items ==\n", size);
  std::fflush(stdout);
  const std::wstring folder = BenchFolderPath(options.root, size);
  const std::string problem = CheckBenchFolder(folder, size);
  if (!problem.empty()) {
    std::printf(
        "  the folder is not ready: %s\n"
        "  bench/run.sh makes it from Linux: bench/run.sh --sizes %d --root %s\n",
        problem.c_str(), size, ToUtf8(options.root).c_str());
    return kNotMeasured;
  }

  std::optional<PopulationReport> population;
  if (options.Runs(MeasureKind::kPopulation)) population = MeasurePopulation(options, folder, size);
  std::optional<FirstPageReport> firstPage;
  if (options.Runs(MeasureKind::kFirstPage)) firstPage = MeasureFirstPage(folder, options.runs);
  std::optional<SortReport> sorts;
  if (options.Runs(MeasureKind::kSorts))
    sorts = MeasureSorts(folder, options.runs, options.extraRuns);
  std::optional<QuestionsReport> questions;
  if (options.Runs(MeasureKind::kQuestions))
    questions = MeasureQuestions(folder, options.extraRuns);
  std::optional<ClipboardReport> clipboard;
  if (options.Runs(MeasureKind::kClipboard))
    clipboard = MeasureClipboard(folder, size, options.extraRuns);
  std::optional<DeleteReportReport> deleteReport;
  if (options.Runs(MeasureKind::kDeleteReport))
    deleteReport = MeasureDeleteReport(options.root, size, options.extraRuns);
  std::optional<WholeFolderReport> wholeFolder;
  if (options.Runs(MeasureKind::kWholeFolder)) wholeFolder = MeasureWholeFolder(folder, size);

  std::optional<WindowReport> window;
  if (options.Runs(MeasureKind::kWindow)) window = MeasureWindow(folder, options.runs);

  if (population) PrintPopulation(*population);
  if (firstPage || sorts) PrintListWorkHeader();
  if (firstPage) PrintFirstPageLines(*firstPage);
  if (sorts) PrintSortLines(size, *sorts);
  if (firstPage) PrintFirstPageResults(size, *firstPage);
  if (firstPage) PrintToFirstPage(size, *firstPage, population ? &*population : nullptr);
  if (sorts) PrintSortResults(size, *sorts);
  if (questions) PrintQuestions(size, *questions);
  if (clipboard) PrintClipboard(size, *clipboard);
  if (deleteReport) PrintDeleteReport(size, *deleteReport);
  if (wholeFolder) PrintWholeFolder(*wholeFolder);
  if (window) PrintWindow(size, *window);
  std::fflush(stdout);
  return population ? population->list.median() : kNotMeasured;
}

int Run(const Options& options) {
  OleScope ole;
  wf::ShellModule shell;
  wf::TApplication application;
  std::printf(
      "population_bench: runs %d, raw shell names runs %d, extra measures runs %d, root %s\n",
      options.runs, options.rawRuns, options.extraRuns, ToUtf8(options.root).c_str());
  MemorySample atStart = SampleMemory();
  std::printf("memory at start: PrivateUsage %s bytes, committed private pages %zu bytes\n",
              atStart.privateUsage ? std::to_string(*atStart.privateUsage).c_str() : "n/a",
              atStart.committedPrivate);
  auto start = Clock::now();
  std::vector<std::pair<int, double>> listSeconds;
  // The refresh measures its folders on its own.
  if (RunsInProcessSizedMeasures(options))
    for (int size : options.sizes) listSeconds.emplace_back(size, RunSize(options, size));

  if (options.Runs(MeasureKind::kQuestions)) {
    std::printf("\n== names against a filter ==\n");
    PrintMask(MeasureMask(options.runs));
  }

  if (options.Runs(MeasureKind::kRefresh)) RunRefreshMeasure(options);
  if (options.Runs(MeasureKind::kPaint)) RunPaintMeasure(options);
  if (options.Runs(MeasureKind::kMemory)) RunMemoryMeasure(options);
  if (options.Runs(MeasureKind::kBackground)) RunBackgroundWorkMeasure(options);
  if (options.Runs(MeasureKind::kSelection)) RunSelectionMeasure(options);

  std::printf("\n");
  if (options.Runs(MeasureKind::kPopulation)) {
    for (size_t i = 1; i < listSeconds.size(); ++i) {
      double scaling = listSeconds[i].second / listSeconds[0].second;
      std::printf("our list, %d over %d items: %s x\n", listSeconds[i].first, listSeconds[0].first,
                  Format(scaling, "%.2f").c_str());
      std::printf("RESULT measure=shelllist_scaling sizes=%d/%d ratio=%s\n", listSeconds[i].first,
                  listSeconds[0].first, Format(scaling, "%.4f").c_str());
    }
  }
  std::printf("benchmark process time: %.1f s\n", SecondsSince(start));
  return 0;
}

}  // namespace
}  // namespace bench

int main() {
  auto options = bench::ParseCommandLine();
  if (!options) {
    bench::PrintUsage();
    return 2;
  }
  if (options->listMissingFolders) {
    std::vector<bench::FolderOfSize> folders;
    if (bench::RunsSizedMeasures(*options)) folders = bench::FoldersNeeded(*options);
    if (options->Runs(bench::MeasureKind::kRefresh) &&
        std::none_of(folders.begin(), folders.end(), [](const bench::FolderOfSize& folder) {
          return folder.size == bench::kRefreshLargeSize;
        }))
      folders.push_back({bench::BenchFolderPath(options->root, bench::kRefreshLargeSize),
                         bench::kRefreshLargeSize});
    if (options->Runs(bench::MeasureKind::kSelection))
      for (const bench::FolderOfSize& needed : bench::SelectionFolders(options->root))
        if (std::none_of(folders.begin(), folders.end(), [&](const bench::FolderOfSize& folder) {
              return folder.path == needed.path;
            }))
          folders.push_back(needed);
    bench::PrintMissingFolders(stdout, folders);
    if (options->Runs(bench::MeasureKind::kSelection))
      bench::PrintMissingSelectionTree(stdout, options->root);
    return 0;
  }
  try {
    if (!options->memoryChild.empty()) {
      bench::OleScope ole;
      wf::ShellModule shell;
      wf::TApplication application;
      return bench::RunMemoryChild(*options);
    }
    return bench::Run(*options);
  } catch (const std::exception& e) {
    std::printf("population_bench: %s\n", e.what());
    return 1;
  }
}
