#include "bench/FirstPageMeasure.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/Hosting.h"
#include "bench/ListWorkReport.h"
#include "bench/PopulationMeasure.h"
#include "shell/list/ShellControls.h"

using Microsoft::WRL::ComPtr;

namespace bench {
namespace {

// Our page drawn again against the bare list's, each row's drawing notice
// included.
constexpr double kRepaintOverBare = 1.30;

// Pages further down, each scrolled to before its first paint: more
// samples of the same work from one fill, without the parent entry.
constexpr int kFurtherPages = 3;

// The paint may draw a partly visible row beyond the page count: a few rows
// past it are looked at too.
constexpr int kRowsPastPage = 3;

// The whole list drawn again: its frame and scroll bars, its header and its
// rows, as a person sees the first page.
double TimeWholeRedraw(HWND window) {
  auto start = Clock::now();
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return SecondsSince(start);
}

double TimePaint(HWND window) {
  auto start = Clock::now();
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  return SecondsSince(start);
}

template <class OnRow>
void ForEachPageRow(wf::TKivShellList& list, OnRow&& onRow) {
  HWND window = list.Handle();
  const int top = static_cast<int>(SendMessageW(window, LVM_GETTOPINDEX, 0, 0));
  const int perPage = static_cast<int>(SendMessageW(window, LVM_GETCOUNTPERPAGE, 0, 0));
  const int end = std::min(list.Items().Count(), top + perPage + kRowsPastPage);
  for (int i = std::max(0, top); i < end; ++i) {
    wf::TListItem* item = list.Items()[i];
    if (item) onRow(item, wf::TKivShellList::RecordOf(item));
  }
}

int PageRowsAlreadyFetched(wf::TKivShellList& list) {
  int fetched = 0;
  ForEachPageRow(list, [&](wf::TListItem* item, wf::TKivShellListItem* record) {
    if (item->ImageIndex() >= 0 || (record && record->ItemId && item->CaptionKnown())) ++fetched;
  });
  return fetched;
}

PageRows RowsFetchedByPaint(wf::TKivShellList& list) {
  PageRows rows;
  rows.perPage = static_cast<int>(SendMessageW(list.Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
  ForEachPageRow(list, [&](wf::TListItem* item, wf::TKivShellListItem* record) {
    if (item->ImageIndex() < 0 || !record) return;
    ++rows.updated;
    if (record->IsParentEntry) rows.parentEntry = true;
    if (record->ItemId) rows.ids.push_back(record->ItemId.get());
  });
  return rows;
}

struct PageRun {
  double paint = kNotMeasured;
  double sinceStart = kNotMeasured;   // from the given start to the paint's end
  double beforePaint = kNotMeasured;  // from the given start to the paint's start
  double repaint = kNotMeasured;
  double wholeRedraw = kNotMeasured;
  RawQueryTimes raw;
  RawQueryTimes rawAgain;
  RawQueryTimes cheapest;
  double dirwalker = kNotMeasured;
  double parentIcon = kNotMeasured;
  double iconOf = kNotMeasured;  // NaN: the folder has no IShellIcon
  bool iconOfAgrees = false;
  PageRows rows;
  std::vector<UINT> columnNumbers;
  bool overlayInterface = false;
};

// The folder's own icon look-up, for comparison with SHGetFileInfoW.
void TimeIconOf(IShellFolder* folder, PCIDLIST_ABSOLUTE folderPidl, PageRun& run) {
  ComPtr<IShellIcon> shellIcon;
  if (FAILED(folder->QueryInterface(IID_PPV_ARGS(&shellIcon)))) return;
  std::vector<int> indexes;
  auto start = Clock::now();
  for (PCUITEMID_CHILD id : run.rows.ids) {
    int index = -1;
    if (FAILED(shellIcon->GetIconOf(id, GIL_FORSHELL, &index))) index = -1;
    indexes.push_back(index);
  }
  run.iconOf = SecondsSince(start);
  wf::AbsoluteIdList absolute(ILCombine(folderPidl, run.rows.ids.front()));
  SHFILEINFOW info{};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute.get()), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  run.iconOfAgrees = indexes.front() == info.iIcon;
}

// The platform's own virtual list with what ours shows on its first page:
// the same columns, texts and icons, answered from a table, so that what
// ours draws beyond it is its per-row work (the drawing notices included).
class BarePage {
 public:
  explicit BarePage(wf::TKivShellList& list) {
    const int rows = std::min(list.Items().Count(), 64);
    for (int i = 0; i < rows; ++i) {
      wf::TListItem* item = list.Items()[i];
      std::vector<std::wstring> texts{item->Caption()};
      for (const std::wstring& text : item->SubItems()) texts.push_back(text);
      texts_.push_back(std::move(texts));
      images_.push_back(item->ImageIndex());
    }
    WNDCLASSEXW wc{sizeof wc};
    wc.lpfnWndProc = &BarePage::HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WayfoldBenchBarePage";
    RegisterClassExW(&wc);  // fails harmlessly once registered
    host_.reset(CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                400, 620, nullptr, nullptr, wc.hInstance, this));
    RECT client{};
    GetClientRect(list.Handle(), &client);
    list_.reset(CreateWindowExW(
        0, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0, client.right,
        client.bottom, host_.get(), nullptr, wc.hInstance, nullptr));
    SendMessageW(list_.get(), WM_SETFONT, SendMessageW(list.Handle(), WM_GETFONT, 0, 0), FALSE);
    SendMessageW(list_.get(), LVM_SETIMAGELIST, LVSIL_SMALL,
                 SendMessageW(list.Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    for (int c = 0; c < list.Columns().Count(); ++c) {
      LVCOLUMNW column{LVCF_TEXT | LVCF_WIDTH};
      column.cx = list.Columns()[c]->Width();
      std::wstring caption = list.Columns()[c]->Caption();
      column.pszText = caption.data();
      SendMessageW(list_.get(), LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(list_.get(), LVM_SETITEMCOUNT, list.Items().Count(), 0);
  }
  HWND Handle() const { return list_.get(); }

 private:
  static LRESULT CALLBACK HostProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    auto* page = reinterpret_cast<BarePage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (msg == WM_NOTIFY && page &&
        reinterpret_cast<NMHDR*>(lparam)->code == static_cast<UINT>(LVN_GETDISPINFOW)) {
      page->Answer(reinterpret_cast<NMLVDISPINFOW*>(lparam)->item);
      return 0;
    }
    return DefWindowProcW(window, msg, wparam, lparam);
  }
  void Answer(LVITEMW& item) const {
    const size_t row = static_cast<size_t>(item.iItem);
    if (row >= texts_.size()) return;
    if (item.mask & LVIF_IMAGE) item.iImage = images_[row];
    const size_t column = static_cast<size_t>(item.iSubItem);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      const std::wstring& text = column < texts_[row].size() ? texts_[row][column] : kNone;
      lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
  }
  static inline const std::wstring kNone;
  std::vector<std::vector<std::wstring>> texts_;
  std::vector<int> images_;
  wf::UniqueWindow host_;
  wf::UniqueWindow list_;
};

// The bare list's repaint of the page our list has just drawn.
double TimeBarePagePaint(wf::TKivShellList& list) {
  const BarePage bare(list);
  TimePaint(bare.Handle());  // the first paint sets the control up
  return TimePaint(bare.Handle());
}

PageRun MeasurePage(wf::TKivShellList& list, std::optional<Clock::time_point> since = {}) {
  PageRun run;
  PumpPendingExceptPaint();
  const int fetchedBefore = PageRowsAlreadyFetched(list);
  if (since) run.beforePaint = SecondsSince(*since);
  run.paint = TimePaint(list.Handle());
  if (since) run.sinceStart = SecondsSince(*since);
  run.rows = RowsFetchedByPaint(list);
  run.rows.drawnBefore = fetchedBefore;
  if (run.rows.ids.empty()) throw BenchError("the paint fetched no rows");
  // The same page again: every row's data is in place, so this is the
  // drawing alone.
  run.repaint = TimePaint(list.Handle());
  run.wholeRedraw = TimeWholeRedraw(list.Handle());

  IShellFolder* folder = list.Dirwalker().ShellFolder();
  PCIDLIST_ABSOLUTE folderPidl = list.Dirwalker().FolderIdList();
  run.columnNumbers = ShownDetailColumns(list);
  ComPtr<IShellIconOverlay> overlay;
  run.overlayInterface = SUCCEEDED(folder->QueryInterface(
      IID_IShellIconOverlay, reinterpret_cast<void**>(overlay.GetAddressOf())));
  // Measured after the list, so that whatever the shell caches favours the
  // raw figure, not ours.
  run.raw = TimeRawRowQueries(folder, folderPidl, run.rows.ids, run.columnNumbers);
  run.rawAgain = TimeRawRowQueries(folder, folderPidl, run.rows.ids, run.columnNumbers);
  run.cheapest = TimeRawRowQueries(folder, folderPidl, run.rows.ids, run.columnNumbers,
                                   IconRoute::kFolderAndChild);
  run.dirwalker = TimeDirwalkerRowQueries(list.Dirwalker(), run.rows.ids, run.columnNumbers);
  auto start = Clock::now();
  list.SmallSystemImages().TempFolderIconIndex();
  run.parentIcon = SecondsSince(start);
  TimeIconOf(folder, folderPidl, run);
  return run;
}

// Scrolls rows not yet drawn into view without painting them.
void ScrollUndrawnRowIntoView(wf::TKivShellList& list, int row) {
  HWND window = list.Handle();
  SendMessageW(window, WM_SETREDRAW, FALSE, 0);
  SendMessageW(window, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
}

std::string FetchedBeforeNote(const PageRun& page) {
  return std::to_string(page.rows.drawnBefore) + " rows fetched before the paint";
}

void MeasureOneFill(const std::wstring& folder, FirstPageReport& r) {
  // A fresh fill each time, so that no row on the page has been drawn.
  ListHost host;
  wf::TKivShellList& list = host.List();
  // What a person waits for: the fill, whatever it left queued, and the
  // first page drawn (the rows it shows fetch their data as they draw).
  const auto start = Clock::now();
  list.SetPath(folder);
  r.toFilled.Add(SecondsSince(start));
  PageRun page = MeasurePage(list, start);
  r.toFirstPage.Add(page.sinceStart);
  r.toPaintStart.Add(page.beforePaint);
  if (page.rows.drawnBefore > 0) r.paint.note = FetchedBeforeNote(page);
  r.paint.Add(page.paint);
  r.paintRaw.Add(page.raw.total);
  r.paintRawAgain.Add(page.rawAgain.total);
  r.paintCheapest.Add(page.cheapest.total);
  r.rawBreakdown.push_back(page.raw);
  r.repaint.Add(page.repaint);
  r.wholeRedraw.Add(page.wholeRedraw);
  r.bareRepaint.Add(TimeBarePagePaint(list));
  r.dirwalker.Add(page.dirwalker);
  r.parentIcon.Add(page.parentIcon);
  if (!std::isnan(page.iconOf)) r.iconOf.Add(page.iconOf);
  r.iconOfAgrees = page.iconOfAgrees;
  r.rows = page.rows;
  r.columnNumbers = page.columnNumbers;
  r.overlayInterface = page.overlayInterface;

  const int count = list.Items().Count();
  for (int further = 1; further <= kFurtherPages; ++further) {
    ScrollUndrawnRowIntoView(list, count / (kFurtherPages + 1) * further);
    PageRun next = MeasurePage(list);
    if (next.rows.drawnBefore > 0) r.furtherPaint.note = FetchedBeforeNote(next);
    r.furtherPaint.Add(next.paint);
    r.furtherRaw.Add(next.raw.total);
    r.furtherDirwalker.Add(next.dirwalker);
    r.furtherRepaint.Add(next.repaint);
    r.furtherRows = next.rows.ids.size();
  }
}

// The raw queries' time per row and question, over the first askings.
std::string RawBreakdown(const FirstPageReport& r, double idRows) {
  std::string breakdown;
  auto part = [&](const std::string& name, auto pick) {
    std::vector<double> values;
    for (const RawQueryTimes& t : r.rawBreakdown) values.push_back(pick(t));
    breakdown += (breakdown.empty() ? "" : ", ") + name + " " +
                 Format(Median(values) / idRows * 1e6, "%.1f");
  };
  part("name", [](const RawQueryTimes& t) { return t.name; });
  part("icon", [](const RawQueryTimes& t) { return t.icon; });
  part("attributes", [](const RawQueryTimes& t) { return t.attributes; });
  for (size_t c = 0; c < r.columnNumbers.size(); ++c)
    part("column " + std::to_string(r.columnNumbers[c]),
         [c](const RawQueryTimes& t) { return t.details.at(c); });
  return breakdown;
}

}  // namespace

FirstPageReport MeasureFirstPage(const std::wstring& folder, int runs) {
  FirstPageReport report;
  for (int run = 0; run < runs; ++run) {
    try {
      MeasureOneFill(folder, report);
    } catch (const std::exception& e) {
      report.paint.failure = e.what();
    }
  }
  return report;
}

void PrintFirstPageLines(const FirstPageReport& r) {
  const double idRows = static_cast<double>(r.rows.ids.size());
  PrintListWorkLine(r.paint, &r.paintRaw,
                    std::to_string(r.rows.updated) + " rows updated (" +
                        std::to_string(r.rows.ids.size()) + " with an id" +
                        (r.rows.parentEntry ? ", plus the parent entry" : "") + "), " +
                        std::to_string(r.rows.perPage) + " per page; " +
                        std::to_string(r.columnNumbers.size()) + " detail columns; overlay by " +
                        (r.overlayInterface ? "IShellIconOverlay" : "attributes"));
  PrintListWorkLine(r.paintRaw, nullptr, PerRow(r.paintRaw, idRows));
  PrintListWorkLine(r.paintRawAgain, nullptr, PerRow(r.paintRawAgain, idRows));
  PrintListWorkLine(r.paintCheapest, nullptr, PerRow(r.paintCheapest, idRows));
  std::printf("    raw queries, us per row (first asking): %s\n", RawBreakdown(r, idRows).c_str());
  PrintListWorkLine(r.repaint, nullptr, "");
  PrintListWorkLine(r.wholeRedraw, nullptr, "frame, scroll bars, header and rows");
  PrintListWorkLine(r.bareRepaint, nullptr,
                    "ours " + Format(RatioOf(r.repaint, r.bareRepaint), "%.2f") +
                        " x, target <= " + Format(kRepaintOverBare, "%.2f"));
  PrintListWorkLine(r.dirwalker, &r.paintRaw, PerRow(r.dirwalker, idRows));
  PrintListWorkLine(r.parentIcon, nullptr, "");
  PrintListWorkLine(
      r.iconOf, nullptr,
      r.iconOf.samples.empty()
          ? "the folder offers no IShellIcon"
          : PerRow(r.iconOf, idRows) + (r.iconOfAgrees ? ", the same index as SHGetFileInfoW"
                                                       : ", another index than SHGetFileInfoW"));
  const double furtherRows = static_cast<double>(r.furtherRows);
  PrintListWorkLine(r.furtherPaint, &r.furtherRaw,
                    std::to_string(kFurtherPages) + " pages a fill, " +
                        std::to_string(r.furtherRows) + " rows each");
  PrintListWorkLine(r.furtherRaw, nullptr, PerRow(r.furtherRaw, furtherRows));
  PrintListWorkLine(r.furtherDirwalker, &r.furtherRaw, PerRow(r.furtherDirwalker, furtherRows));
  PrintListWorkLine(r.furtherRepaint, nullptr, "");
}

namespace {

// A first page is held to the work no list can avoid, made raw: the
// enumeration, the sort's comparisons, one page's questions, the drawing.
constexpr double kToFirstPageOverFloor = 1.2;
// And to the platform's own view of the same folder.
constexpr double kToFirstPageOverShellView = 0.7;

}  // namespace

void PrintToFirstPage(int size, const FirstPageReport& r, const PopulationReport* population) {
  const double ids = population ? population->ids.median() : kNotMeasured;
  const double sort = population ? population->listOrderSort.median() : kNotMeasured;
  const double view = population ? population->view.median() : kNotMeasured;
  // The questions asked the cheapest documented way: any list could.
  const double questions = r.paintCheapest.median();
  // The page as a person sees it: scroll bars and header too.
  const double drawing = r.wholeRedraw.median();
  const double floor = ids + sort + questions + drawing;
  const double waited = r.toFirstPage.median();
  auto verdict = [](double ratio, double target) {
    return std::isnan(ratio) ? "n/a" : ratio <= target ? "met" : "missed";
  };
  std::printf(
      "  setting Path to first page drawn: %s s (%d runs); ids-only enumeration %s s, our sort's "
      "raw CompareIDs %s s, one page's questions the cheapest way %s s, the whole list drawn %s s: "
      "floor "
      "%s s; "
      "shell view filled %s s\n",
      Format(waited, "%.4f").c_str(), r.toFirstPage.runs, Format(ids, "%.4f").c_str(),
      Format(sort, "%.4f").c_str(), Format(questions, "%.4f").c_str(),
      Format(drawing, "%.4f").c_str(), Format(floor, "%.4f").c_str(), Format(view, "%.4f").c_str());
  std::printf("    of which Path set %s s, then what it left queued until %s s, then the paint\n",
              Format(r.toFilled.median(), "%.4f").c_str(),
              Format(r.toPaintStart.median(), "%.4f").c_str());
  std::printf(
      "    over the floor %s x (target <= %.1f, %s); over the shell view %s x (target <= "
      "%.1f, %s)%s\n",
      Format(waited / floor, "%.3f").c_str(), kToFirstPageOverFloor,
      verdict(waited / floor, kToFirstPageOverFloor), Format(waited / view, "%.3f").c_str(),
      kToFirstPageOverShellView, verdict(waited / view, kToFirstPageOverShellView),
      population ? "" : " (run the population measure too for the floor)");
  // The same floor with the client area's repaint as its drawing: rows
  // only, without the frame, scroll bars and header that a freshly filled
  // list draws too.
  const double rowsOnlyFloor = ids + sort + questions + r.repaint.median();
  std::printf("    with the rows' repaint alone as the drawing (%s s): floor %s s, %s x (%s)\n",
              Format(r.repaint.median(), "%.4f").c_str(), Format(rowsOnlyFloor, "%.4f").c_str(),
              Format(waited / rowsOnlyFloor, "%.3f").c_str(),
              verdict(waited / rowsOnlyFloor, kToFirstPageOverFloor));
  std::printf(
      "RESULT size=%d measure=shelllist_to_first_page seconds=%s floor_seconds=%s "
      "ratio_to_floor=%s target_floor=%.2f shellview_seconds=%s ratio_to_shellview=%s "
      "target_shellview=%.2f\n",
      size, Format(waited, "%.6f").c_str(), Format(floor, "%.6f").c_str(),
      Format(waited / floor, "%.4f").c_str(), kToFirstPageOverFloor, Format(view, "%.6f").c_str(),
      Format(waited / view, "%.4f").c_str(), kToFirstPageOverShellView);
}

void PrintFirstPageResults(int size, const FirstPageReport& r) {
  const std::string rows = " rows=" + std::to_string(r.rows.ids.size());
  PrintListWorkResult(size, r.paint, &r.paintRaw, rows);
  PrintListWorkResult(size, r.paintRaw, nullptr, rows);
  PrintListWorkResult(size, r.paintCheapest, nullptr, rows);
  PrintListWorkResult(size, r.repaint, nullptr, rows);
  PrintListWorkResult(size, r.wholeRedraw, nullptr, rows);
  PrintListWorkResult(size, r.bareRepaint, nullptr, rows);
  std::printf("RESULT size=%d measure=shelllist_repaint_over_bare ratio=%s target_ratio=%.2f\n",
              size, Format(RatioOf(r.repaint, r.bareRepaint), "%.4f").c_str(), kRepaintOverBare);
  PrintListWorkResult(size, r.dirwalker, &r.paintRaw, rows);
  PrintListWorkResult(size, r.parentIcon, nullptr, "");
  PrintListWorkResult(size, r.iconOf, nullptr, rows);
  const std::string furtherRows = " rows=" + std::to_string(r.furtherRows);
  PrintListWorkResult(size, r.furtherPaint, &r.furtherRaw, furtherRows);
  PrintListWorkResult(size, r.furtherRaw, nullptr, furtherRows);
  PrintListWorkResult(size, r.furtherDirwalker, &r.furtherRaw, furtherRows);
  PrintListWorkResult(size, r.furtherRepaint, nullptr, furtherRows);
}

}  // namespace bench
