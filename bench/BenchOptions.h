#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

// The measures, each selectable on its own; all but the refresh, the paint
// and the window run by default (the refresh creates files in folders of its
// own and takes minutes; the paint measures the caption panel, not the
// list; the window measures Wayfold's form around the list).
enum class MeasureKind {
  kPopulation,
  kFirstPage,
  kSorts,
  kQuestions,
  kClipboard,
  kDeleteReport,
  kRefresh,
  kPaint,
  kWindow
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

  bool Runs(MeasureKind kind) const;
};

// The arguments after the program's name; nothing for a request for help
// or anything it cannot read.
std::optional<Options> ParseOptions(const std::vector<std::wstring>& args);
// The same, from the process's command line.
std::optional<Options> ParseCommandLine();

void PrintUsage();

}  // namespace bench
