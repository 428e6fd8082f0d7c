#include "bench/TextSortTimers.h"

#include <algorithm>
#include <string>

#include "bench/Hosting.h"
#include "framework/Strings.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

constexpr int kTextSortColumn = 1;

// The text sorts take milliseconds against the seconds their texts cost to
// fetch: each run repeats them from the same order and keeps the median.
constexpr int kTextSortRepeats = 7;

// Any handler puts the list's sort in text mode; this one leaves each
// result as it is. The same handler times the raw comparisons it follows.
wf::TLVCompareEvent CountingCompareHandler(std::uint64_t& calls) {
  return [&calls](wf::TObject*, wf::TListItem*, wf::TListItem*, int, int&) { ++calls; };
}

// The list's own text comparisons, each with the rows it passed the handler.
struct TextPair {
  wf::TListItem *rowA, *rowB;
  const std::wstring *a, *b;
};

// The same comparisons made alone, each followed by the handler's call when
// `handler` is set, as the list follows each with OnCompare.
double TimeTextPairs(wf::TKivShellList& list, const std::vector<TextPair>& pairs,
                     const wf::TLVCompareEvent* handler) {
  int sink = 0;
  const auto start = Clock::now();
  if (handler) {
    for (const TextPair& t : pairs) {
      int result = wf::CompareText(*t.a, *t.b);
      (*handler)(&list, t.rowA, t.rowB, kTextSortColumn, result);
      sink += result;
    }
  } else {
    for (const TextPair& t : pairs) sink += wf::CompareText(*t.a, *t.b);
  }
  const double seconds = SecondsSince(start);
  KeepResult(sink);
  return seconds;
}

// For scale: the standard library's stable sort of the same rows' texts,
// from the fill's order, ascending then descending, each comparison
// followed by the handler as in the list. No list is involved; its own
// number of comparisons.
void TimePlainTextSorts(wf::TKivShellList& list, const wf::TLVCompareEvent& handler, SortRun& run) {
  RestoreNameOrder(list);
  struct Entry {
    wf::TListItem* row;
    const std::wstring* text;
  };
  const size_t k = static_cast<size_t>(kTextSortColumn - 1);
  std::vector<Entry> fillOrder;
  for (int i = 0; i < list.Items().Count(); ++i) {
    wf::TListItem* row = list.Items()[i];
    if (k < row->SubItems().size()) fillOrder.push_back({row, &row->SubItems()[k]});
  }
  std::vector<double> passes;
  for (int pass = 0; pass < kTextSortRepeats; ++pass) {
    std::vector<Entry> entries = fillOrder;
    std::uint64_t comparisons = 0;
    const auto start = Clock::now();
    for (int direction : {1, -1}) {
      std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        ++comparisons;
        int result = wf::CompareText(*a.text, *b.text) * direction;
        handler(&list, a.row, b.row, kTextSortColumn, result);
        return result < 0;
      });
    }
    passes.push_back(SecondsSince(start));
    run.plainComparisons = comparisons;
  }
  run.plain = Median(passes);
}

// Clears the handler the bench assigned, however the measure ends.
struct CompareHandlerScope {
  wf::TKivShellList& list;
  ~CompareHandlerScope() { list.OnCompare = nullptr; }
};

}  // namespace

SortRun MeasureTextSort(wf::TKivShellList& list, std::vector<double>& pairedRatios) {
  if (list.ShellColumnCount() <= kTextSortColumn)
    throw BenchError("the list shows no detail column");
  const size_t k = static_cast<size_t>(kTextSortColumn - 1);
  std::vector<TextPair> pairs;
  std::uint64_t handlerCalls = 0;
  const wf::TLVCompareEvent counting = CountingCompareHandler(handlerCalls);
  std::vector<double> listTimes, rawHandlerTimes, rawTimes;
  {
    CompareHandlerScope scope{list};
    list.OnCompare = [&pairs, k](wf::TObject*, wf::TListItem* a, wf::TListItem* b, int, int&) {
      pairs.push_back({a, b, &a->SubItems().at(k), &b->SubItems().at(k)});
    };
    // From the fill's order each time; the list's column stays the text
    // column, sorted descending, so each repeat sorts ascending, then
    // descending, as the first does on a new column.
    RestoreNameOrder(list);
    TimeListSorts(list, kTextSortColumn);
    list.OnCompare = counting;
    for (int repeat = 0; repeat < kTextSortRepeats; ++repeat) {
      RestoreNameOrder(list);
      handlerCalls = 0;
      listTimes.push_back(TimeListSorts(list, kTextSortColumn));
      if (handlerCalls != pairs.size())
        throw BenchError("the list made " + std::to_string(handlerCalls) + " text comparisons, " +
                         std::to_string(pairs.size()) + " when recorded");
      rawHandlerTimes.push_back(TimeTextPairs(list, pairs, &counting));
      rawTimes.push_back(TimeTextPairs(list, pairs, nullptr));
      pairedRatios.push_back(listTimes.back() / rawHandlerTimes.back());
    }
  }
  SortRun run = ReplaySorts(list, kTextSortColumn, 1);
  TimePlainTextSorts(list, counting, run);
  run.list = Median(listTimes);
  run.rawHandler = Median(rawHandlerTimes);
  run.raw = Median(rawTimes);
  run.comparisons = pairs.size();  // the parent entry takes no part in the list's sort
  run.calls = pairs.size();
  return run;
}

}  // namespace bench
