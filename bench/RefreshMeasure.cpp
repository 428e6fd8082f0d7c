#include "bench/RefreshMeasure.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/BenchFolders.h"
#include "bench/BenchOptions.h"
#include "bench/Hosting.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "shell/list/ShellControls.h"

namespace bench {
namespace {

constexpr int kMergeFolderSize = 300;
constexpr int kBurstFolderSize = 10;
constexpr int kBursts[] = {50, 500};
constexpr int kDelayFolderSizes[] = {10, 100, 300};
// Long enough for the refresh timer (200 ms) and a merge of the largest
// folder here, with room to spare, so that a second merge would be seen.
constexpr double kSettleSeconds = 1.5;
constexpr double kRowTimeoutSeconds = 5;

// Counts the merges and notes when the last one ended.
class CountingList : public wf::TKivShellList {
 public:
  using TKivShellList::TKivShellList;
  void MergeRefresh() override {
    lastStart = Clock::now();
    TKivShellList::MergeRefresh();
    ++merges;
    lastEnd = Clock::now();
  }
  // Notes when the directory watch first reports a change after `Expect`,
  // the list's own handling unchanged.
  void NoteWatchReports() {
    auto names = DirectoryWatch().OnNames;
    DirectoryWatch().OnNames = [this, names](wf::TObject* sender,
                                             const std::vector<wf::TDirectoryChange>& changes) {
      if (firstReport == Clock::time_point{}) firstReport = Clock::now();
      if (names) names(sender, changes);
    };
  }
  void Expect() { firstReport = lastStart = lastEnd = {}; }
  int merges = 0;
  Clock::time_point lastStart{}, lastEnd{}, firstReport{};
};

double Between(Clock::time_point from, Clock::time_point to) {
  if (from == Clock::time_point{} || to == Clock::time_point{}) return kNotMeasured;
  return std::chrono::duration<double>(to - from).count();
}

// A shown form with a counting list in it.
class RefreshHost {
 public:
  RefreshHost() : form_(new wf::TForm(wf::Application)) {
    form_->SetBorderStyle(wf::TFormBorderStyle::bsNone);
    form_->SetClientWidth(332);
    form_->SetClientHeight(566);
    list_ = new CountingList(form_);
    list_->SetParent(form_);
    list_->SetAlign(wf::TAlign::alClient);
    form_->Show();
    PumpPending();
  }
  ~RefreshHost() { delete form_; }
  RefreshHost(const RefreshHost&) = delete;
  RefreshHost& operator=(const RefreshHost&) = delete;
  CountingList& List() { return *list_; }

 private:
  wf::TForm* form_;
  CountingList* list_ = nullptr;
};

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return folder + L"\\" + name;
}

std::wstring Numbered(const wchar_t* prefix, int i) {
  wchar_t name[64];
  swprintf(name, 64, L"%ls%05d.txt", prefix, i);
  return name;
}

void MakeFile(const std::wstring& path) {
  wf::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  CheckWin32(file.get() != INVALID_HANDLE_VALUE, "CreateFileW");
}

// A fresh folder holding `count` files and nothing else.
std::wstring MakeFolder(const std::wstring& root, const std::wstring& name, int count) {
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring folder = Join(root, name);
  CreateDirectoryW(folder.c_str(), nullptr);
  WIN32_FIND_DATAW data{};
  wf::UniqueFindHandle find(FindFirstFileW(Join(folder, L"*").c_str(), &data));
  if (find.get() != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW(Join(folder, data.cFileName).c_str());
    } while (FindNextFileW(find.get(), &data));
  }
  for (int i = 0; i < count; ++i) MakeFile(Join(folder, Numbered(L"item", i)));
  return folder;
}

// Dispatches messages until `done` answers true or `seconds` pass; answers
// whether it did.
bool PumpUntil(double seconds, const std::function<bool()>& done) {
  const auto start = Clock::now();
  while (!done()) {
    if (SecondsSince(start) > seconds) return false;
    if (!PumpPending()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(double seconds) {
  PumpUntil(seconds, [] { return false; });
}

void PaintNow(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
}

// (a) A merge after one creation against enumerating the same objects with
// their display names.
void MeasureMerge(const Options& options) {
  std::printf("\n== refresh: one file created in a folder of %d ==\n", kMergeFolderSize);
  std::fflush(stdout);
  const std::wstring folder = MakeFolder(options.root, L"refresh_merge", kMergeFolderSize);
  Measure merge{"refresh_merge", "MergeRefresh, one file created"};
  Measure raw{"refresh_merge_raw", "EnumObjects + Next + GetDisplayNameOf(SHGDN_NORMAL)"};
  RefreshHost host;
  CountingList& list = host.List();
  list.SetAutomaticRefresh(false);  // only our calls merge
  list.SetPath(folder);
  PumpPending();
  const std::wstring added = Join(folder, L"added.txt");
  Sample(merge, options.runs, [&](int) {
    MakeFile(added);
    const int before = list.Items().Count();
    const auto start = Clock::now();
    list.MergeRefresh();
    const double seconds = SecondsSince(start);
    if (list.Items().Count() != before + 1) throw BenchError("the merge did not add the new row");
    DeleteFileW(added.c_str());
    list.MergeRefresh();
    PumpPending();
    return seconds;
  });
  MakeFile(added);
  Sample(raw, options.runs, [&](int) {
    const auto start = Clock::now();
    OpenedFolder opened = OpenFolder(folder);
    int names = 0;
    ForEachChild(opened.items.Get(), [&](const wf::ChildIdList& id) {
      STRRET reply{};
      if (SUCCEEDED(opened.folder->GetDisplayNameOf(id.get(), SHGDN_NORMAL, &reply)) &&
          !wf::StrRetToString(id.get(), reply).empty())
        ++names;
    });
    const double seconds = SecondsSince(start);
    KeepResult(names);
    return seconds;
  });
  DeleteFileW(added.c_str());
  const double ratio = merge.median() / raw.median();
  std::printf("  %-52s %s s (%d runs)%s\n", merge.label.c_str(),
              Format(merge.median(), "%.4f").c_str(), merge.runs,
              merge.failure.empty() ? "" : (" " + merge.failure).c_str());
  std::printf("  %-52s %s s (%d runs)%s\n", raw.label.c_str(), Format(raw.median(), "%.4f").c_str(),
              raw.runs, raw.failure.empty() ? "" : (" " + raw.failure).c_str());
  std::printf("  merge / raw: %s x (target <= 2)\n", Format(ratio, "%.2f").c_str());
  std::printf("RESULT measure=refresh_merge size=%d merge=%s raw=%s ratio=%s\n", kMergeFolderSize,
              Format(merge.median(), "%.4f").c_str(), Format(raw.median(), "%.4f").c_str(),
              Format(ratio, "%.4f").c_str());
  std::fflush(stdout);
}

// (b) A burst of creations is one merge. Nothing tells the list of them but
// what reaches it on its own, as for a program that knows nothing of it.
void MeasureBursts(const Options& options) {
  std::printf("\n== refresh: bursts of plain creations (seen by the list's own watches) ==\n");
  std::fflush(stdout);
  for (int burst : kBursts) {
    std::vector<double> lengths, delays, merges;
    for (int run = 0; run < options.extraRuns; ++run) {
      const std::wstring folder = MakeFolder(options.root, L"refresh_burst", kBurstFolderSize);
      RefreshHost host;
      CountingList& list = host.List();
      list.SetPath(folder);
      PumpFor(0.3);
      list.merges = 0;
      const auto start = Clock::now();
      Clock::time_point last{};
      for (int i = 0; i < burst; ++i) {
        const std::wstring path = Join(folder, Numbered(L"burst", i));
        MakeFile(path);
        last = Clock::now();
        PumpPending();
      }
      lengths.push_back(std::chrono::duration<double>(last - start).count());
      const int expected = kBurstFolderSize + burst;
      const bool shown =
          PumpUntil(kRowTimeoutSeconds, [&] { return list.Items().Count() >= expected; });
      PumpFor(kSettleSeconds);
      merges.push_back(list.merges);
      delays.push_back(shown && list.merges > 0
                           ? std::chrono::duration<double>(list.lastEnd - last).count()
                           : kNotMeasured);
      if (!shown)
        std::printf("  burst of %d: the rows were not all shown within %.0f s\n", burst,
                    kRowTimeoutSeconds);
    }
    std::printf(
        "  burst of %d creates: length %s s, last creation to merge end %s s, merges %s (target "
        "1)\n",
        burst, Format(Median(lengths), "%.4f").c_str(), Format(Median(delays), "%.4f").c_str(),
        Format(Median(merges), "%.0f").c_str());
    std::printf("RESULT measure=refresh_burst creates=%d length=%s delay=%s merges=%s\n", burst,
                Format(Median(lengths), "%.4f").c_str(), Format(Median(delays), "%.4f").c_str(),
                Format(Median(merges), "%.0f").c_str());
    std::fflush(stdout);
  }
}

// (c) From a creation to its row in the list, told of it by nothing but
// what reaches the list on its own.
void MeasureDelay(const Options& options) {
  std::printf("\n== refresh: CreateFileW to its row in the list ==\n");
  std::fflush(stdout);
  for (int size : kDelayFolderSizes) {
    const std::wstring folder = MakeFolder(options.root, L"refresh_delay", size);
    RefreshHost host;
    CountingList& list = host.List();
    list.SetPath(folder);
    PumpFor(0.3);
    list.NoteWatchReports();
    // The whole, and where it goes: to the watch's report, from there to the
    // merge's start, and the merge.
    std::vector<double> delays, reports, waits, merges;
    for (int run = 0; run < options.runs; ++run) {
      const std::wstring path = Join(folder, Numbered(L"delay", run));
      const int expected = list.Items().Count() + 1;
      list.Expect();
      MakeFile(path);
      const auto start = Clock::now();
      const bool shown =
          PumpUntil(kRowTimeoutSeconds, [&] { return list.Items().Count() >= expected; });
      delays.push_back(shown ? SecondsSince(start) : kNotMeasured);
      reports.push_back(Between(start, list.firstReport));
      waits.push_back(Between(list.firstReport, list.lastStart));
      merges.push_back(Between(list.lastStart, list.lastEnd));
      if (!shown)
        std::printf("  folder of %d: the row did not come within %.0f s\n", size,
                    kRowTimeoutSeconds);
      PumpFor(0.3);
    }
    const double median = Median(delays);
    std::printf(
        "  folder of %d: %s s%s\n    the watch's first report %s s, then the merge's start %s "
        "s, the merge %s s\n",
        size, Format(median, "%.4f").c_str(), size <= 100 ? " (target <= 0.300)" : "",
        Format(Median(reports), "%.4f").c_str(), Format(Median(waits), "%.4f").c_str(),
        Format(Median(merges), "%.4f").c_str());
    std::printf("RESULT measure=refresh_delay size=%d seconds=%s\n", size,
                Format(median, "%.4f").c_str());
    std::fflush(stdout);
  }
}

// (d) A large folder's refill, its place kept and its first page drawn,
// against a fresh fill with its first page drawn.
void MeasureLargeRefill(const Options& options) {
  std::printf("\n== refresh: %d files, one created ==\n", kRefreshLargeSize);
  std::fflush(stdout);
  const std::wstring folder = BenchFolderPath(options.root, kRefreshLargeSize);
  const std::string problem = CheckBenchFolder(folder, kRefreshLargeSize);
  if (!problem.empty()) {
    std::printf("  the folder is not ready: %s (bench/run.sh makes it)\n", problem.c_str());
    return;
  }
  RefreshHost host;
  CountingList& list = host.List();
  list.SetAutomaticRefresh(false);
  list.SetPath(folder);
  PumpPending();
  const std::wstring added = Join(folder, L"zz_refresh_added.txt");
  // Each whole, and split where the list's work ends and drawing starts.
  std::vector<double> refills, fills, refillWork, fillWork, placedFills;
  int keptTop = 0;
  for (int run = 0; run < options.extraRuns; ++run) {
    // A place in the middle, selected, to be kept.
    wf::TListItem* middle = list.Items()[kRefreshLargeSize / 2];
    middle->SetSelected(true);
    middle->SetFocused(true);
    list.SetTopItem(middle);
    PumpPending();
    MakeFile(added);
    auto start = Clock::now();
    list.MergeRefresh();
    refillWork.push_back(SecondsSince(start));
    PaintNow(list.Handle());
    refills.push_back(SecondsSince(start));
    if (list.TopItem() &&
        list.ItemPath(list.TopItem()) == list.ItemPath(list.Items()[kRefreshLargeSize / 2]))
      ++keptTop;
    DeleteFileW(added.c_str());
    PumpPending();
    start = Clock::now();
    list.Populate();
    fillWork.push_back(SecondsSince(start));
    PaintNow(list.Handle());
    fills.push_back(SecondsSince(start));
    PumpPending();
    // Where the time goes: the refill draws its page at the kept place,
    // whose rows may cost the shell more than the first page's.
    start = Clock::now();
    list.Populate();
    list.Items().BeginUpdate();
    list.SetTopItem(list.Items()[kRefreshLargeSize / 2]);
    list.Items().EndUpdate();
    PaintNow(list.Handle());
    placedFills.push_back(SecondsSince(start));
    PumpPending();
  }
  const double ratio = Median(refills) / Median(fills);
  std::printf("  refresh (refill, place kept, first page drawn): %s s (refill %s s)\n",
              Format(Median(refills), "%.4f").c_str(), Format(Median(refillWork), "%.4f").c_str());
  std::printf("  Populate, first page drawn:                     %s s (fill %s s)\n",
              Format(Median(fills), "%.4f").c_str(), Format(Median(fillWork), "%.4f").c_str());
  std::printf("  Populate, the refill's place drawn:            %s s\n",
              Format(Median(placedFills), "%.4f").c_str());
  std::printf("  refresh / Populate: %s x (target <= 1.1); top row kept in %d of %d runs\n",
              Format(ratio, "%.2f").c_str(), keptTop, static_cast<int>(refills.size()));
  std::printf("RESULT measure=refresh_large size=%d refresh=%s populate=%s ratio=%s\n",
              kRefreshLargeSize, Format(Median(refills), "%.4f").c_str(),
              Format(Median(fills), "%.4f").c_str(), Format(ratio, "%.4f").c_str());
  std::fflush(stdout);
}

template <class Part>
void RunPart(const char* name, Part&& part) {
  try {
    part();
  } catch (const std::exception& e) {
    std::printf("  refresh %s not measured: %s\n", name, e.what());
    std::fflush(stdout);
  }
}

}  // namespace

void RunRefreshMeasure(const Options& options) {
  RunPart("merge", [&] { MeasureMerge(options); });
  RunPart("bursts", [&] { MeasureBursts(options); });
  RunPart("delay", [&] { MeasureDelay(options); });
  RunPart("large refill", [&] { MeasureLargeRefill(options); });
}

}  // namespace bench
