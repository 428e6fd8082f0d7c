#include "bench/PopulationMeasure.h"

#include <cmath>
#include <cstdio>
#include <exception>

#include "bench/PopulationTimers.h"

namespace bench {
namespace {

void MeasureRawEnumeration(const Options& options, const std::wstring& folder,
                           PopulationReport& report) {
  const int size = report.size;
  auto expectItems = [&](Measure& m, int items) {
    if (items != size && m.note.empty())
      m.note = "saw " + std::to_string(items) + " items, expected " + std::to_string(size);
  };
  Sample(report.find, options.runs, [&](int) {
    Timed t = TimeFindFiles(folder);
    expectItems(report.find, t.items);
    return t.seconds;
  });
  Sample(report.ids, options.runs, [&](int) {
    Timed t = TimeShellIds(folder);
    expectItems(report.ids, t.items);
    return t.seconds;
  });
  if (options.rawRuns > 0) {
    Sample(report.names, options.rawRuns, [&](int) {
      Timed t = TimeShellNames(folder);
      expectItems(report.names, t.items);
      return t.seconds;
    });
  } else {
    report.names.failure = "skipped (--raw-runs 0)";
  }
}

void MeasureViews(const Options& options, const std::wstring& folder, PopulationReport& report) {
  // Our list runs before the platform's view so that its first run, whose
  // memory is the one reported, does not reuse heap the view has just freed.
  Sample(report.list, options.runs, [&](int run) {
    MemorySample before = SampleMemory();
    ListTimes t = TimeShellListPopulation(folder);
    if (run == 0) report.listMemory = GrowthBetween(before, t.memoryWhileFull);
    return t.seconds;
  });

  wf::AbsoluteIdList pidl;
  try {
    pidl = ParseFolder(Desktop().Get(), folder);
  } catch (const std::exception& e) {
    report.view.failure = e.what();
  }
  if (pidl) {
    Sample(report.view, options.runs, [&](int run) {
      MemorySample before = SampleMemory();
      ViewTimes t = TimeShellView(pidl.get(), report.size, options.viewTimeoutSeconds);
      if (run == 0) report.viewMemory = GrowthBetween(before, t.memoryWhileFull);
      report.viewPainted.samples.push_back(t.painted);
      return t.filled;
    });
    report.viewPainted.runs = static_cast<int>(report.viewPainted.samples.size());
  }
  if (!report.view.failure.empty()) report.viewPainted.failure = report.view.failure;
}

void MeasurePerItemCalls(const Options& options, const std::wstring& folder,
                         PopulationReport& report) {
  if (options.extraRuns <= 0) {
    report.sort.failure = report.listOrderSort.failure = report.attributes.failure =
        report.findData.failure = "skipped (--extra-runs 0)";
    return;
  }
  try {
    FolderItems items = LoadFolderItems(folder);
    report.childCount = items.children.size();
    Sample(report.sort, options.extraRuns, [&](int) {
      SortTime t = TimeCompareIdsSort(items);
      report.sortCalls = t.calls;
      return t.seconds;
    });
    Sample(report.listOrderSort, options.extraRuns, [&](int) {
      SortTime t = TimeListOrderCompareIdsSort(items);
      report.listOrderSortCalls = t.calls;
      return t.seconds;
    });
    Sample(report.attributes, options.extraRuns, [&](int) { return TimeAttributesPerItem(items); });
    Sample(report.findData, options.extraRuns, [&](int) { return TimeFindDataPerItem(items); });
  } catch (const std::exception& e) {
    report.sort.failure = report.listOrderSort.failure = report.attributes.failure =
        report.findData.failure = e.what();
  }
}

}  // namespace

PopulationReport MeasurePopulation(const Options& options, const std::wstring& folder, int size) {
  PopulationReport report;
  report.size = size;
  report.rawRuns = options.rawRuns;
  MeasureRawEnumeration(options, folder, report);
  MeasureViews(options, folder, report);
  MeasurePerItemCalls(options, folder, report);
  return report;
}

void PrintPopulation(const PopulationReport& r) {
  const int size = r.size;
  const double viewSeconds = r.view.median();
  auto ratio = [&](double seconds) { return seconds / viewSeconds; };

  std::printf("  %-40s %5s %10s %12s  %s\n", "measure", "runs", "median s", "x shell view", "note");
  auto row = [&](const Measure& m, const std::string& extra) {
    double seconds = m.median();
    std::printf("  %-40s %5d %10s %12s  %s\n", m.label.c_str(), m.runs,
                Format(seconds, "%.4f").c_str(), Format(ratio(seconds), "%.3f").c_str(),
                NoteOf(m, extra).c_str());
  };
  auto perItem = [&](const Measure& m, double count) {
    return Format(m.median() / count * 1e6, "%.2f") + " us per item";
  };
  const double children = static_cast<double>(r.childCount);
  row(r.find, "");
  row(r.ids, "");
  row(r.names,
      r.rawRuns > 0 ? "fewer runs (slow per item under Wine); " + perItem(r.names, size) : "");
  row(r.view, "");
  row(r.viewPainted, "");
  row(r.list, "");
  row(r.sort, std::to_string(r.sortCalls) + " calls, " +
                  Format(r.sort.median() / static_cast<double>(r.sortCalls) * 1e6, "%.2f") +
                  " us per call");
  row(r.listOrderSort,
      std::to_string(r.listOrderSortCalls) + " calls, stable merge in enumeration order");
  row(r.attributes, perItem(r.attributes, children));
  row(r.findData, perItem(r.findData, children));

  std::printf(
      "  private bytes per row (PrivateUsage / committed private pages), first run:\n"
      "    our list %s / %s; platform shell view %s / %s\n",
      BytesPerRow(r.listMemory, true, size).c_str(), BytesPerRow(r.listMemory, false, size).c_str(),
      BytesPerRow(r.viewMemory, true, size).c_str(),
      BytesPerRow(r.viewMemory, false, size).c_str());

  for (const Measure* m : {&r.find, &r.ids, &r.names, &r.view, &r.viewPainted, &r.list, &r.sort,
                           &r.listOrderSort, &r.attributes, &r.findData}) {
    std::printf("RESULT size=%d measure=%s runs=%zu seconds=%s ratio_to_shellview=%s", size,
                m->key.c_str(), m->samples.size(), Format(m->median(), "%.6f").c_str(),
                Format(ratio(m->median()), "%.4f").c_str());
    if (m == &r.sort) std::printf(" calls=%llu", static_cast<unsigned long long>(r.sortCalls));
    if (m == &r.listOrderSort)
      std::printf(" calls=%llu", static_cast<unsigned long long>(r.listOrderSortCalls));
    if (m == &r.attributes || m == &r.findData || m == &r.names)
      std::printf(" us_per_item=%s",
                  Format(m->median() / (m == &r.names ? size : children) * 1e6, "%.3f").c_str());
    std::printf("\n");
  }
  for (auto [key, growth] :
       {std::pair{"shelllist", &r.listMemory}, std::pair{"shellview", &r.viewMemory}})
    std::printf("RESULT size=%d measure=%s_private_bytes_per_row value=%s committed_private=%s\n",
                size, key, BytesPerRow(*growth, true, size).c_str(),
                BytesPerRow(*growth, false, size).c_str());
}

}  // namespace bench
