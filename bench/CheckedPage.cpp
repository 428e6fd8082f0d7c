#include "bench/CheckedPage.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchFolders.h"
#include "bench/Hosting.h"
#include "bench/PlacedListHost.h"
#include "bench/SelectionTree.h"
#include "framework/Application.h"
#include "shell/core/IdList.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

// Wide enough that the columns need no horizontal scroll bar, which would
// take a row's height from the page.
constexpr int kPageWidth = 1000;
constexpr int kFirstHeight = 600;
constexpr DWORD kWaitSliceMs = 50;

struct PageRun {
  int pageRows = 0;
  int drawn = 0;
  int unticked = 0;
};

int Fewest(int soFar, int seen) {
  return soFar < 0 ? seen : std::min(soFar, seen);
}

// Half leaf folders, half a file from each of as many other leaves: none
// lies below another, so the list keeps every one, and none lies in the
// page's folder.
void TickInTree(wf::TKivSelectionList& selection, const std::wstring& tree, int count,
                double timeoutSeconds) {
  const std::vector<std::wstring>& leaves = SelectionTreeLayout().leaves;
  if (static_cast<size_t>(count) > leaves.size())
    throw BenchError("the tree has too few leaf folders to tick");
  selection.BeginUpdate();
  for (int i = 0; i < count; ++i) {
    const std::wstring leaf = tree + L"\\" + leaves[static_cast<size_t>(i)];
    selection.CheckPath(i % 2 == 0 ? leaf : leaf + L"\\f0.txt");
  }
  selection.EndUpdate();
  // The folders' size jobs would run beside the timed pages.
  const auto start = Clock::now();
  while (selection.SizesPending()) {
    if (SecondsSince(start) > timeoutSeconds)
      throw BenchError("the ticked folders' sizes did not settle within the timeout");
    MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    wf::Application->ProcessMessages();
  }
}

int PageRows(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
}

// The client height at which a page of the folder holds `rows` rows.
int HeightForRows(const std::wstring& folder, int rows) {
  PlacedListHost probe(RECT{0, 0, kPageWidth, kFirstHeight}, nullptr);
  wf::TKivShellList& list = probe.List();
  list.SetPath(folder);
  UpdateWindow(probe.ListWindow());
  if (list.Items().Count() == 0) throw BenchError(ToUtf8(folder) + " shows no rows");
  const RECT bounds = list.Items()[0]->DisplayRect(wf::TDisplayCode::drBounds);
  const int rowHeight = bounds.bottom - bounds.top;
  if (rowHeight <= 0) throw BenchError("the first row has no height");
  const int height = kFirstHeight + (rows - PageRows(probe.ListWindow())) * rowHeight;
  if (height > GetSystemMetrics(SM_CYSCREEN))
    throw BenchError("a page of " + std::to_string(rows) + " rows of " + std::to_string(rowHeight) +
                     " pixels does not fit the screen");
  probe.GrowBy(height - kFirstHeight);
  if (PageRows(probe.ListWindow()) < rows)
    throw BenchError("the list holds " + std::to_string(PageRows(probe.ListWindow())) +
                     " rows a page, not " + std::to_string(rows));
  return height;
}

// A list of its own each run, so that every row is drawn for the first
// time; it is made, and has filled its first folder, before the clock
// starts.
double FirstPage(const std::wstring& folder, int height, wf::TKivShellLink* link, PageRun& run) {
  PlacedListHost host(RECT{0, 0, kPageWidth, height}, link);
  wf::TKivShellList& list = host.List();
  const auto start = Clock::now();
  list.SetPath(folder);
  UpdateWindow(host.ListWindow());
  const double seconds = SecondsSince(start);
  run.pageRows = PageRows(host.ListWindow());
  for (int i = 0; i < list.Items().Count(); ++i) {
    wf::TListItem* row = list.Items()[i];
    if (row->ImageIndex() >= 0) ++run.drawn;
    if (row->StateIndex() == wf::ssUnChecked) ++run.unticked;
  }
  return seconds;
}

// The page's objects, as a row and as a path name them.
struct PageObjects {
  std::vector<wf::AbsoluteIdList> ids;
  std::vector<std::wstring> paths;
};

PageObjects ObjectsOf(const std::wstring& folder, int rows) {
  PageObjects objects;
  const auto desktop = Desktop();
  for (const BenchFile& file : BenchFolderFiles(rows)) {
    objects.paths.push_back(folder + L"\\" + file.name);
    objects.ids.push_back(ParseFolder(desktop.Get(), objects.paths.back()));
  }
  return objects;
}

void TimeStateQueries(const std::wstring& folder, int rows, wf::TKivSelectionList& selection,
                      int runs, CheckedPageReport& report) {
  const PageObjects objects = ObjectsOf(folder, rows);
  int sink = 0;
  for (int run = 0; run < runs; ++run) {
    auto start = Clock::now();
    for (const wf::AbsoluteIdList& id : objects.ids) sink += selection.GetIdListState(id.get());
    report.byIdList.Add(SecondsSince(start));
    start = Clock::now();
    for (const std::wstring& path : objects.paths) sink += selection.GetPathState(path);
    report.byPath.Add(SecondsSince(start));
    start = Clock::now();
    for (const wf::AbsoluteIdList& id : objects.ids)
      sink += static_cast<int>(wf::IdListToPath(id.get()).size());
    report.toPath.Add(SecondsSince(start));
  }
  KeepResult(sink);
}

}  // namespace

CheckedPageReport MeasureCheckedPage(const std::wstring& folder, int rows,
                                     const std::wstring& tickedTree, int tickedCount, int runs,
                                     double timeoutSeconds) {
  CheckedPageReport report;
  auto link = std::make_unique<wf::TKivShellLink>(nullptr);
  TickInTree(link->SelectionList(), tickedTree, tickedCount, timeoutSeconds);
  report.ticked = link->SelectionList().Paths().Count();
  report.listHeight = HeightForRows(folder, rows);

  // Untimed: the icons and the shell's answers cached, the selection
  // list's special folders made.
  PageRun warm;
  FirstPage(folder, report.listHeight, link.get(), warm);
  FirstPage(folder, report.listHeight, nullptr, warm);
  for (int run = 0; run < runs; ++run) {
    try {
      PageRun boxed, plain;
      // In turn, the plain page first every other run.
      if (run % 2 == 1) report.plain.Add(FirstPage(folder, report.listHeight, nullptr, plain));
      report.boxes.Add(FirstPage(folder, report.listHeight, link.get(), boxed));
      if (run % 2 == 0) report.plain.Add(FirstPage(folder, report.listHeight, nullptr, plain));
      report.pageRows = Fewest(Fewest(report.pageRows, boxed.pageRows), plain.pageRows);
      report.drawnBoxes = Fewest(report.drawnBoxes, boxed.drawn);
      report.drawnPlain = Fewest(report.drawnPlain, plain.drawn);
      report.untickedBoxes = Fewest(report.untickedBoxes, boxed.unticked);
    } catch (const std::exception& e) {
      report.boxes.failure = report.plain.failure = e.what();
      break;
    }
  }
  try {
    TimeStateQueries(folder, rows, link->SelectionList(), runs, report);
  } catch (const std::exception& e) {
    report.byIdList.failure = report.byPath.failure = e.what();
  }
  return report;
}

}  // namespace bench
