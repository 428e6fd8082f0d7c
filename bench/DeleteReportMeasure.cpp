#include "bench/DeleteReportMeasure.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/BenchFolders.h"
#include "bench/Hosting.h"
#include "bench/RatioReport.h"
#include "framework/StringList.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

// Files looked up one by one, for what a look-up costs.
constexpr size_t kLookups = 20;

// Our list's size in Wayfold's window.
constexpr int kListWidth = 332;
constexpr int kListHeight = 566;

// What one repetition leaves behind, to be compared.
struct Repetition {
  std::vector<std::wstring> captions;  // every row's, before the report
  std::vector<int> removed;            // the rows whose files went, last first
  std::vector<std::wstring> remaining;
  int columns = 0;
};

// Every other row of a file, from the first one; the parent entry stays.
std::vector<int> EveryOtherFileRow(wf::TKivShellList& list) {
  std::vector<int> rows;
  bool take = true;
  for (int i = 0, n = list.Items().Count(); i < n; ++i) {
    wf::TKivShellListItem* record = wf::TKivShellList::RecordOf(list.Items()[i]);
    if (!record || record->IsParentEntry) continue;
    if (take) rows.push_back(i);
    take = !take;
  }
  return rows;
}

double TimeLookups(const std::vector<std::wstring>& paths) {
  const auto start = Clock::now();
  int found = 0;
  for (const std::wstring& path : paths) found += wf::PathExists(path);
  KeepResult(found);
  return paths.empty() ? kNotMeasured : SecondsSince(start) / static_cast<double>(paths.size());
}

std::vector<std::wstring> Captions(wf::TKivShellList& list) {
  std::vector<std::wstring> captions;
  for (int i = 0, n = list.Items().Count(); i < n; ++i)
    captions.push_back(list.Items()[i]->Caption());
  return captions;
}

// What the report does before it removes rows, step by step, through the
// same public calls: where its time goes besides the control's removal.
void TimeReportSteps(wf::TKivShellList& list, DeleteReportReport& r) {
  const HWND window = list.Handle();
  auto start = Clock::now();
  std::vector<wf::TListItem*> selected;
  auto left = SendMessageW(window, LVM_GETSELECTEDCOUNT, 0, 0);
  for (int i = -1; left > 0; --left) {
    i = static_cast<int>(
        SendMessageW(window, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED));
    selected.push_back(list.Items()[i]);
  }
  r.findSelected.Add(SecondsSince(start));
  start = Clock::now();
  wf::ShellItemQuery query = list.Dirwalker().ObjectQuery();
  std::vector<std::wstring> paths;
  for (wf::TListItem* item : selected)
    paths.push_back(query.FileSystemPath(wf::TKivShellList::RecordOf(item)->ItemId.get()));
  r.paths.Add(SecondsSince(start));
  start = Clock::now();
  wf::PathPresence presence;
  int found = 0;
  for (const std::wstring& path : paths) found += presence.Exists(path);
  KeepResult(found);
  r.presence.Add(SecondsSince(start));
}

void ReportThroughList(const std::wstring& folder, int size, DeleteReportReport& r,
                       Repetition& repetition) {
  const std::string problem = CheckBenchFolder(folder, size);
  if (!problem.empty())
    throw BenchError("the folder is not ready (bench/run.sh makes it): " + problem);
  ListHost host;
  wf::TKivShellList& list = host.List();
  list.SetPath(folder);
  PumpPending();
  repetition.columns = list.Columns().Count();
  auto start = Clock::now();
  repetition.captions = Captions(list);
  r.captions.Add(SecondsSince(start));

  std::vector<int> rows = EveryOtherFileRow(list);
  auto files = std::make_unique<wf::TStringList>();
  std::vector<std::wstring> goneFiles, keptFiles;
  for (int row : rows) {
    wf::TListItem* item = list.Items()[row];
    item->SetSelected(true);
    const std::wstring path = list.ItemPath(item);
    CheckWin32(DeleteFileW(path.c_str()), "DeleteFileW");
    files->Add(path);
    if (goneFiles.size() < kLookups) goneFiles.push_back(path);
    if (keptFiles.size() < kLookups && row + 1 < list.Items().Count())
      keptFiles.push_back(list.ItemPath(list.Items()[row + 1]));
  }
  PumpPending();
  r.rows = list.Items().Count();
  TimeReportSteps(list, r);
  start = Clock::now();
  const size_t asked = std::min(rows.size(), kLookups);
  for (size_t i = 0; i < asked; ++i)
    KeepResult(static_cast<int>(list.ItemPath(list.Items()[rows[i]]).size()));
  r.itemPathGone.Add(asked ? SecondsSince(start) / static_cast<double>(asked) : kNotMeasured);

  start = Clock::now();
  list.ReportOperation({wf::sopDelete, wf::sopRemove}, std::move(files), L"");
  r.list.Add(SecondsSince(start));
  r.removal.Add(r.list.samples.back() - r.findSelected.samples.back() - r.paths.samples.back() -
                r.presence.samples.back());
  PumpPending();

  r.removed = r.rows - list.Items().Count();
  if (r.removed != static_cast<int>(rows.size()))
    throw BenchError("the report removed " + std::to_string(r.removed) + " rows, not " +
                     std::to_string(rows.size()));
  repetition.removed.assign(rows.rbegin(), rows.rend());
  repetition.remaining = Captions(list);
  r.lookupGone.Add(TimeLookups(goneFiles));
  r.lookupKept.Add(TimeLookups(keptFiles));
}

// A report-style list view of `captions` and `columns` columns, in `host`.
wf::UniqueWindow PlainList(HWND host, const std::vector<std::wstring>& captions, int columns) {
  wf::UniqueWindow list(CreateWindowExW(
      0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
      kListWidth, kListHeight, host, nullptr, GetModuleHandleW(nullptr), nullptr));
  CheckWin32(list.get() != nullptr, "CreateWindowExW(SysListView32)");
  for (int c = 0; c < columns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 80;
    SendMessageW(list.get(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  SendMessageW(list.get(), WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < captions.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(captions[i].c_str());
    if (SendMessageW(list.get(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0)
      throw BenchError("LVM_INSERTITEMW failed");
  }
  SendMessageW(list.get(), WM_SETREDRAW, TRUE, 0);
  PumpPending();
  return list;
}

std::vector<std::wstring> PlainCaptions(HWND list) {
  std::vector<std::wstring> captions;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  wchar_t text[MAX_PATH];
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    text[0] = L'\0';
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    captions.emplace_back(text);
  }
  return captions;
}

// The same rows removed from a plain list of the same captions, from the
// last to the first without redrawing; with `selected`, those rows are
// selected first, as the report's rows are.
double RemovePlain(const Repetition& repetition, bool selected) {
  wf::UniqueWindow host = CreateViewHost();
  wf::UniqueWindow list = PlainList(host.get(), repetition.captions, repetition.columns);
  if (selected) {
    for (int row : repetition.removed) {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED;
      state.state = LVIS_SELECTED;
      SendMessageW(list.get(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&state));
    }
    PumpPending();
  }
  const auto start = Clock::now();
  SendMessageW(list.get(), WM_SETREDRAW, FALSE, 0);
  for (int row : repetition.removed)
    SendMessageW(list.get(), LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  SendMessageW(list.get(), WM_SETREDRAW, TRUE, 0);
  const double seconds = SecondsSince(start);
  PumpPending();
  if (PlainCaptions(list.get()) != repetition.remaining)
    throw BenchError("the plain list kept other rows than our list");
  return seconds;
}

}  // namespace

DeleteReportReport MeasureDeleteReport(const std::wstring& root, int size, int runs) {
  DeleteReportReport report;
  if (runs <= 0) report.list.failure = report.raw.failure = "skipped (--extra-runs 0)";
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  for (int run = 0; run < runs; ++run) {
    Repetition repetition;
    try {
      ReportThroughList(DeleteReportFolderPath(root, size, run), size, report, repetition);
    } catch (const std::exception& e) {
      report.list.failure = e.what();
      return report;
    }
    try {
      report.raw.Add(RemovePlain(repetition, false));
      report.rawSelected.Add(RemovePlain(repetition, true));
    } catch (const std::exception& e) {
      report.raw.failure = e.what();
      return report;
    }
  }
  return report;
}

void PrintDeleteReport(int size, const DeleteReportReport& r) {
  PrintRatioHeader(
      "our list's delete report removing the rows of every other file, against plain removal",
      kDeleteReportTarget);
  const std::string rows = std::to_string(r.removed) + " of " + std::to_string(r.rows) + " rows";
  PrintRatioLine(r.list, &r.raw, kDeleteReportTarget,
                 rows + " removed, the same captions remain in both lists");
  PrintRatioLine(r.findSelected, nullptr, kDeleteReportTarget, "LVM_GETNEXTITEM, LVNI_SELECTED");
  PrintRatioLine(r.paths, nullptr, kDeleteReportTarget, "ShellItemQuery::FileSystemPath");
  PrintRatioLine(r.presence, nullptr, kDeleteReportTarget, "PathPresence: the folder read once");
  PrintRatioLine(r.removal, nullptr, kDeleteReportTarget, "DeleteRows, and what the steps miss");
  PrintRatioLine(r.raw, nullptr, kDeleteReportTarget, "last to first, WM_SETREDRAW off");
  PrintRatioLine(r.rawSelected, nullptr, kDeleteReportTarget,
                 "what the selection costs the control: " +
                     Format(r.rawSelected.median() / r.raw.median(), "%.2f") + "x the above");
  PrintRatioLine(r.captions, nullptr, kDeleteReportTarget, "to fill the plain list");
  PrintRatioLine(r.lookupGone, nullptr, kDeleteReportTarget, "FindFirstFileW of the name alone");
  PrintRatioLine(r.lookupKept, nullptr, kDeleteReportTarget, "FindFirstFileW of the name alone");
  PrintRatioLine(r.itemPathGone, nullptr, kDeleteReportTarget, "the row's id to a path");
  const std::string counts =
      " rows=" + std::to_string(r.rows) + " removed=" + std::to_string(r.removed);
  PrintRatioResult(size, r.list, &r.raw, kDeleteReportTarget, counts);
  PrintRatioResult(size, r.raw, nullptr, kDeleteReportTarget, counts);
  PrintRatioResult(size, r.rawSelected, nullptr, kDeleteReportTarget, counts);
}

}  // namespace bench
