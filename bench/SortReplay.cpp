#include "bench/SortReplay.h"

#include <string>
#include <utility>
#include <vector>

#include "bench/Hosting.h"
#include "framework/Strings.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

wf::TKivShellListItem* RecordOfParam(LPARAM param) {
  return wf::TKivShellList::RecordOf(reinterpret_cast<wf::TListItem*>(param));
}

// The parent-folder entry first whichever the direction, as the list does;
// answers whether that settled the comparison.
bool ParentEntryFirst(LPARAM a, LPARAM b, int& result) {
  wf::TKivShellListItem* ra = RecordOfParam(a);
  wf::TKivShellListItem* rb = RecordOfParam(b);
  if (ra && ra->IsParentEntry) {
    result = -1;
    return true;
  }
  if (rb && rb->IsParentEntry) {
    result = 1;
    return true;
  }
  return false;
}

struct ReplaySort {
  IShellFolder* folder = nullptr;
  int direction = 1;
  int textColumn = 0;  // 0: by CompareIDs of the name; else that detail text
  bool record = false;
  std::uint64_t comparisons = 0;
  std::vector<std::pair<LPARAM, LPARAM>> pairs;  // those reaching the folder or the text
};

int CALLBACK ReplayCompare(LPARAM a, LPARAM b, LPARAM param) {
  auto& sort = *reinterpret_cast<ReplaySort*>(param);
  ++sort.comparisons;
  int result = 0;
  if (ParentEntryFirst(a, b, result)) return result;
  if (sort.record) sort.pairs.emplace_back(a, b);
  if (sort.textColumn == 0) {
    HRESULT hr =
        sort.folder->CompareIDs(0, RecordOfParam(a)->ItemId.get(), RecordOfParam(b)->ItemId.get());
    return FAILED(hr) ? 0 : static_cast<short>(HRESULT_CODE(hr)) * sort.direction;
  }
  const size_t k = static_cast<size_t>(sort.textColumn - 1);
  const auto& sa = reinterpret_cast<wf::TListItem*>(a)->SubItems();
  const auto& sb = reinterpret_cast<wf::TListItem*>(b)->SubItems();
  static const std::wstring kEmpty;
  return wf::CompareText(k < sa.size() ? sa[k] : kEmpty, k < sb.size() ? sb[k] : kEmpty) *
         sort.direction;
}

double TimeReplay(wf::TKivShellList& list, ReplaySort& sort) {
  auto start = Clock::now();
  SendMessageW(list.Handle(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(&sort),
               reinterpret_cast<LPARAM>(&ReplayCompare));
  return SecondsSince(start);
}

// The same pairs of ids compared alone.
double TimeCompareIdsPairs(IShellFolder* folder,
                           const std::vector<std::pair<LPARAM, LPARAM>>& pairs) {
  std::vector<std::pair<PCUITEMID_CHILD, PCUITEMID_CHILD>> ids;
  ids.reserve(pairs.size());
  for (auto [a, b] : pairs)
    ids.emplace_back(RecordOfParam(a)->ItemId.get(), RecordOfParam(b)->ItemId.get());
  int sink = 0;
  const auto start = Clock::now();
  for (auto [a, b] : ids) sink += static_cast<short>(HRESULT_CODE(folder->CompareIDs(0, a, b)));
  const double seconds = SecondsSince(start);
  KeepResult(sink);
  return seconds;
}

}  // namespace

void RestoreNameOrder(wf::TKivShellList& list) {
  ReplaySort byName;
  byName.folder = list.Dirwalker().ShellFolder();
  TimeReplay(list, byName);
  PumpPending();
}

double TimeListSorts(wf::TKivShellList& list, int column) {
  double seconds = 0;
  for (int i = 0; i < 2; ++i) {
    // The paint the previous sort asked for is not part of the next.
    PumpPending();
    auto start = Clock::now();
    list.SortByColumn(column);
    seconds += SecondsSince(start);
  }
  PumpPending();
  return seconds;
}

SortRun ReplaySorts(wf::TKivShellList& list, int textColumn, int firstDirection) {
  SortRun run;
  IShellFolder* folder = list.Dirwalker().ShellFolder();
  RestoreNameOrder(list);
  std::vector<std::pair<LPARAM, LPARAM>> pairs;
  for (int direction : {firstDirection, -firstDirection}) {
    ReplaySort recorded;
    recorded.folder = folder;
    recorded.textColumn = textColumn;
    recorded.direction = direction;
    recorded.record = true;
    TimeReplay(list, recorded);
    PumpPending();
    run.comparisons += recorded.comparisons;
    pairs.insert(pairs.end(), recorded.pairs.begin(), recorded.pairs.end());
  }
  run.calls = pairs.size();

  RestoreNameOrder(list);
  run.floor = 0;
  for (int direction : {firstDirection, -firstDirection}) {
    ReplaySort bare;
    bare.folder = folder;
    bare.textColumn = textColumn;
    bare.direction = direction;
    run.floor += TimeReplay(list, bare);
    PumpPending();
  }

  // Text comparisons are timed by the caller, from the list's own pairs.
  if (textColumn == 0) run.raw = TimeCompareIdsPairs(folder, pairs);
  return run;
}

}  // namespace bench
