#include "bench/WholeFolderMeasure.h"

#include <cstdio>

#include "bench/BenchFolders.h"
#include "bench/Hosting.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

// A sort by name, the other way than the last, until it is drawn.
double TimeSortByName(wf::TKivShellList& list) {
  const auto start = Clock::now();
  list.SortByColumn(0);
  UpdateWindow(list.Handle());
  return SecondsSince(start);
}

// The caption of the first and last rows that are files (the parent entry
// stays first in either direction).
struct Ends {
  std::wstring first, last;
};

Ends EndsOf(wf::TKivShellList& list) {
  const int count = list.Items().Count();
  int first = 0;
  while (first < count && wf::TKivShellList::RecordOf(list.Items()[first]) &&
         wf::TKivShellList::RecordOf(list.Items()[first])->IsParentEntry)
    ++first;
  if (first >= count) return {};
  return {list.Items()[first]->Caption(), list.Items()[count - 1]->Caption()};
}

void Expect(bool ok, const std::string& what, WholeFolderReport& report) {
  if (!ok && report.failure.empty()) report.failure = what;
}

}  // namespace

WholeFolderReport MeasureWholeFolder(const std::wstring& folder, int size) {
  WholeFolderReport report;
  report.size = size;
  const std::vector<BenchFile> files = BenchFolderFiles(size);
  const std::wstring firstName = files.front().name, lastName = files.back().name;
  try {
    const MemorySample before = SampleMemory();
    ListHost host;
    wf::TKivShellList& list = host.List();
    HWND window = list.Handle();
    const auto start = Clock::now();
    list.SetPath(folder);
    report.fill = SecondsSince(start);
    PumpPendingExceptPaint();
    UpdateWindow(window);
    report.firstPage = SecondsSince(start);
    report.memory = GrowthBetween(before, SampleMemory());
    report.rows = list.Items().Count() - (list.ShowParentFolder() ? 1 : 0);
    Expect(report.rows == size,
           "listed " + std::to_string(report.rows) + " rows of " + std::to_string(size), report);

    // The last row, drawn: the rows at the end of the control are as
    // sound as those at its start.
    const auto scrolled = Clock::now();
    list.Items()[list.Items().Count() - 1]->MakeVisible(false);
    UpdateWindow(window);
    report.lastPage = SecondsSince(scrolled);
    wf::TListItem* last = list.Items()[list.Items().Count() - 1];
    Expect(last->ImageIndex() >= 0, "the last row was not drawn", report);
    Ends ends = EndsOf(list);
    Expect(ends.first == firstName && ends.last == lastName,
           "by name the rows run from " + ToUtf8(ends.first) + " to " + ToUtf8(ends.last), report);

    report.sortDescending = TimeSortByName(list);
    ends = EndsOf(list);
    Expect(list.SortDescending() && ends.first == lastName && ends.last == firstName,
           "sorted down, the rows run from " + ToUtf8(ends.first) + " to " + ToUtf8(ends.last),
           report);
    report.sortAscending = TimeSortByName(list);
    ends = EndsOf(list);
    Expect(!list.SortDescending() && ends.first == firstName && ends.last == lastName,
           "sorted up again, the rows run from " + ToUtf8(ends.first) + " to " + ToUtf8(ends.last),
           report);
  } catch (const std::exception& e) {
    report.failure = e.what();
  }
  return report;
}

void PrintWholeFolder(const WholeFolderReport& r) {
  std::printf(
      "  whole folder: %d rows listed; fill %s s, first page drawn %s s after setting Path, "
      "last page %s s, sort by name down %s s, up %s s; %s bytes per row (committed private, "
      "list and first page, same process)\n"
      "  whole folder: %s\n",
      r.rows, Format(r.fill, "%.3f").c_str(), Format(r.firstPage, "%.3f").c_str(),
      Format(r.lastPage, "%.3f").c_str(), Format(r.sortDescending, "%.3f").c_str(),
      Format(r.sortAscending, "%.3f").c_str(), BytesPerRow(r.memory, false, r.size).c_str(),
      r.failure.empty() ? "every check passed" : ("FAILED: " + r.failure).c_str());
  std::printf(
      "RESULT size=%d measure=whole_folder rows=%d fill=%s first_page=%s last_page=%s "
      "sort_down=%s sort_up=%s committed_private_bytes_per_row=%s ok=%d\n",
      r.size, r.rows, Format(r.fill, "%.4f").c_str(), Format(r.firstPage, "%.4f").c_str(),
      Format(r.lastPage, "%.4f").c_str(), Format(r.sortDescending, "%.4f").c_str(),
      Format(r.sortAscending, "%.4f").c_str(), BytesPerRow(r.memory, false, r.size).c_str(),
      r.failure.empty() ? 1 : 0);
}

}  // namespace bench
