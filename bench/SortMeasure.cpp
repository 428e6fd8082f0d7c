#include "bench/SortMeasure.h"

#include <algorithm>
#include <cstdio>

#include "bench/Hosting.h"
#include "bench/ListWorkReport.h"
#include "bench/SortReplay.h"
#include "bench/TextSortTimers.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

SortRun MeasureNameSort(wf::TKivShellList& list) {
  if (list.SortColumn() != 0 || list.SortDescending())
    throw BenchError("the fill left the list sorted otherwise than by name, ascending");
  // The same column again: descending, then ascending.
  const double seconds = TimeListSorts(list, 0);
  SortRun run = ReplaySorts(list, 0, -1);
  run.list = seconds;
  return run;
}

// Gives every row its detail texts through the list's folder object, the
// texts the row update would store, without the icon the update also
// fetches (milliseconds a row under Wine). Answers the rows left without
// texts.
int FetchEveryRowsTexts(wf::TKivShellList& list, const std::vector<UINT>& columns) {
  const int count = list.Items().Count();
  wf::TDirwalker& dirwalker = list.Dirwalker();
  for (int i = 0; i < count; ++i) {
    wf::TListItem* row = list.Items()[i];
    wf::TKivShellListItem* record = wf::TKivShellList::RecordOf(row);
    if (!record || !record->ItemId) continue;
    dirwalker.SetCurrentId(record->ItemId.get());
    std::vector<std::wstring> texts;
    texts.reserve(columns.size());
    for (UINT column : columns)
      texts.push_back(dirwalker.DetailText(static_cast<int>(column), false));
    row->SetSubItems(std::move(texts));
  }
  int missing = 0;
  for (int i = 0; i < count; ++i) {
    wf::TListItem* row = list.Items()[i];
    wf::TKivShellListItem* record = wf::TKivShellList::RecordOf(row);
    if (record && !record->IsParentEntry && row->SubItems().empty()) ++missing;
  }
  return missing;
}

int ColumnTitled(wf::TKivShellList& list, const std::wstring& title) {
  for (int i = 0; i < list.Columns().Count(); ++i)
    if (list.Columns()[i]->Caption() == title) return i;
  return -1;
}

void MeasureNameSortOnFill(const std::wstring& folder, SortReport& r) {
  ListHost host;
  host.List().SetPath(folder);
  PumpPending();
  SortRun sort = MeasureNameSort(host.List());
  r.nameSort.Add(sort.list);
  r.nameRaw.Add(sort.raw);
  r.nameFloor.Add(sort.floor);
  r.nameComparisons = sort.comparisons;
  r.nameCalls = sort.calls;
}

// On a fresh fill, as the name sort: a size read stays with nothing that a
// later sort could find again.
void MeasureSizeSortOnFill(const std::wstring& folder, SortReport& r) {
  ListHost host;
  wf::TKivShellList& list = host.List();
  list.SetPath(folder);
  PumpPending();
  const int column = ColumnTitled(list, L"Size");
  if (column < 0) throw BenchError("the folder shows no Size column");
  // Ascending, then descending.
  r.sizeSort.Add(TimeListSorts(list, column));
}

void MeasureTextSortOnFill(const std::wstring& folder, SortReport& r) {
  ListHost host;
  wf::TKivShellList& list = host.List();
  list.SetPath(folder);
  PumpPending();
  // A row that has not been drawn knows its place all the same.
  wf::TListItem* last = list.Items()[list.Items().Count() - 1];
  auto start = Clock::now();
  last->Index();
  r.indexSearch.Add(SecondsSince(start));
  const std::vector<UINT> columns = ShownDetailColumns(list);
  start = Clock::now();
  const int missing = FetchEveryRowsTexts(list, columns);
  r.fetchAll.Add(SecondsSince(start));
  if (missing > 0) r.textSort.note = std::to_string(missing) + " rows without detail texts";
  SortRun sort = MeasureTextSort(list, r.textPairedRatios);
  r.textSort.Add(sort.list);
  r.textRaw.Add(sort.raw);
  r.textRawHandler.Add(sort.rawHandler);
  r.textFloor.Add(sort.floor);
  r.textPlain.Add(sort.plain);
  r.textPlainComparisons = sort.plainComparisons;
  r.textComparisons = sort.comparisons;
  r.textCalls = sort.calls;
}

}  // namespace

SortReport MeasureSorts(const std::wstring& folder, int nameRuns, int textRuns) {
  SortReport report;
  for (int run = 0; run < std::max(nameRuns, textRuns); ++run) {
    if (run < nameRuns) try {
        MeasureNameSortOnFill(folder, report);
      } catch (const std::exception& e) {
        report.nameSort.failure = e.what();
      }
    if (run < nameRuns) try {
        MeasureSizeSortOnFill(folder, report);
      } catch (const std::exception& e) {
        report.sizeSort.failure = e.what();
      }
    if (run < textRuns) try {
        MeasureTextSortOnFill(folder, report);
      } catch (const std::exception& e) {
        report.textSort.failure = e.what();
      }
  }
  return report;
}

void PrintSortLines(int size, const SortReport& r) {
  PrintListWorkLine(r.nameSort, &r.nameRaw,
                    "SortByColumn(0) twice (descending, ascending); " +
                        std::to_string(r.nameCalls) + " CompareIDs calls of " +
                        std::to_string(r.nameComparisons) + " comparisons");
  PrintListWorkLine(r.nameRaw, nullptr, PerCall(r.nameRaw, r.nameCalls));
  PrintListWorkLine(r.nameFloor, &r.nameRaw,
                    "LVM_SORTITEMS (served by the list), a plain callback; " +
                        PerComparison(r.nameFloor, r.nameRaw, r.nameComparisons) + "; ours " +
                        PerComparison(r.nameSort, r.nameFloor, r.nameComparisons));
  PrintListWorkLine(r.sizeSort, nullptr,
                    "SortByColumn(size) twice (ascending, descending); " +
                        Format(RatioOf(r.sizeSort, r.nameSort), "%.2f") + "x the name sort");
  PrintListWorkLine(r.indexSearch, nullptr, "the row keeps its place; no search");
  PrintListWorkLine(
      r.fetchAll, nullptr,
      "before the text sort, untimed in it; " + PerRow(r.fetchAll, static_cast<double>(size)));
  // The handler is called after every text comparison by contract, so the
  // comparison a text sort must make is CompareText and that call.
  const std::vector<double>& paired = r.textPairedRatios;
  const std::string pairedRange =
      paired.empty() ? std::string("n/a")
                     : Format(*std::min_element(paired.begin(), paired.end()), "%.2f") + "-" +
                           Format(*std::max_element(paired.begin(), paired.end()), "%.2f");
  PrintListWorkLine(
      r.textSort, &r.textRawHandler,
      "ratio: median over " + std::to_string(paired.size()) +
          " repeats of each repeat's time over the same comparisons timed right after it (" +
          pairedRange +
          "); OnCompare assigned (leaves results), SortByColumn(1) twice "
          "(ascending, descending); texts fetched before timing; " +
          std::to_string(r.textCalls) + " CompareText calls, the sort's own pairs",
      Median(paired));
  PrintListWorkLine(r.textRawHandler, nullptr, PerCall(r.textRawHandler, r.textCalls));
  PrintListWorkLine(r.textRaw, nullptr,
                    PerCall(r.textRaw, r.textCalls) + "; the sort is " +
                        Format(RatioOf(r.textSort, r.textRaw), "%.2f") + "x these");
  // Per comparison, since that sort makes its own number of them.
  auto perComparisonRatio = [&](const Measure& m, std::uint64_t comparisons) {
    const double each = m.median() / static_cast<double>(comparisons);
    const double raw = r.textRawHandler.median() / static_cast<double>(r.textCalls);
    return Format(each * 1e9, "%.0f") + " ns per comparison (" + std::to_string(comparisons) +
           "), " + Format(each / raw, "%.2f") + "x the raw one";
  };
  PrintListWorkLine(r.textPlain, nullptr,
                    "no list; " + perComparisonRatio(r.textPlain, r.textPlainComparisons) +
                        "; ours " + perComparisonRatio(r.textSort, r.textComparisons));
  PrintListWorkLine(r.textFloor, &r.textRaw,
                    "LVM_SORTITEMS (served by the list), a plain callback; " +
                        PerComparison(r.textFloor, r.textRaw, r.textComparisons) + "; ours " +
                        PerComparison(r.textSort, r.textFloor, r.textComparisons));
}

void PrintSortResults(int size, const SortReport& r) {
  const std::string nameCalls =
      " calls=" + std::to_string(r.nameCalls) + " comparisons=" + std::to_string(r.nameComparisons);
  PrintListWorkResult(size, r.nameSort, &r.nameRaw, nameCalls);
  PrintListWorkResult(size, r.nameRaw, nullptr, nameCalls);
  PrintListWorkResult(size, r.nameFloor, &r.nameRaw, nameCalls);
  PrintListWorkResult(size, r.sizeSort, nullptr,
                      " name_sort_ratio=" + Format(RatioOf(r.sizeSort, r.nameSort), "%.4f"));
  PrintListWorkResult(size, r.indexSearch, nullptr, " rows=" + std::to_string(size));
  PrintListWorkResult(size, r.fetchAll, nullptr, " rows=" + std::to_string(size));
  const std::string textCalls =
      " calls=" + std::to_string(r.textCalls) + " comparisons=" + std::to_string(r.textComparisons);
  PrintListWorkResult(size, r.textSort, &r.textRawHandler,
                      textCalls + " paired_ratio=" + Format(Median(r.textPairedRatios), "%.4f"));
  PrintListWorkResult(size, r.textRawHandler, nullptr, textCalls);
  PrintListWorkResult(size, r.textRaw, nullptr, textCalls);
  PrintListWorkResult(size, r.textFloor, &r.textRaw, textCalls);
  PrintListWorkResult(size, r.textPlain, nullptr,
                      " comparisons=" + std::to_string(r.textPlainComparisons));
}

}  // namespace bench
