#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

// The measures, each selectable on its own; all but the refresh (it creates
// files in folders of its own and takes minutes), the paint (it measures the
// caption panel, not the list), the memory per row (it starts the benchmark
// again for each list and size), the whole-folder run (made for folders of a
// million files), the window (Wayfold's form around the list), the
// background work (it makes a folder of pictures and pages through it as
// thumbnails) and the selection (a tree of 2,000 folders, and lists that
// click each other's check boxes) run by default.
enum class MeasureKind {
  kPopulation,
  kFirstPage,
  kSorts,
  kQuestions,
  kClipboard,
  kDeleteReport,
  kRefresh,
  kPaint,
  kMemory,
  kWholeFolder,
  kWindow,
  kBackground,
  kSelection
};

struct Options {
  std::vector<int> sizes{10000, 50000};
  int runs = 5;
  // Display names cost about 0.4 ms per item under Wine: five runs over
  // 50,000 items would take minutes.
  int rawRuns = 1;
  int extraRuns = 3;
  std::wstring root = L"C:\\wfbench";
  double viewTimeoutSeconds = 120;
  std::vector<MeasureKind> measures{MeasureKind::kPopulation, MeasureKind::kFirstPage,
                                    MeasureKind::kSorts,      MeasureKind::kQuestions,
                                    MeasureKind::kClipboard,  MeasureKind::kDeleteReport};
  // Prints the files of every folder that is missing or wrong, and measures
  // nothing: what bench/run.sh reads to make them.
  bool listMissingFolders = false;
  // Set in a process the memory measure started: which list to measure,
  // for the first size only.
  std::wstring memoryChild;

  bool Runs(MeasureKind kind) const;
};

// The arguments after the program's name; nothing for a request for help
// or anything it cannot read.
std::optional<Options> ParseOptions(const std::vector<std::wstring>& args);
// The same, from the process's command line.
std::optional<Options> ParseCommandLine();

void PrintUsage();

}  // namespace bench
