#include "bench/RefreshMeasure.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/BenchFolders.h"
#include "bench/BenchOptions.h"
#include "bench/Hosting.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "shell/list/ShellControls.h"
#include "shell/notify/ShellChangeNotifier.h"

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
    TKivShellList::MergeRefresh();
    ++merges;
    lastEnd = Clock::now();
  }
  int merges = 0;
  Clock::time_point lastEnd{};
};

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

// Tells the list of a creation the way the platform's change notification
// would: the notifier's message with the new object's id list. The posted
// message carries addresses, so the id lists live until the list is dropped.
class Announcer {
 public:
  explicit Announcer(wf::TKivShellList& list) : list_(list) {}
  void Created(const std::wstring& path) {
    auto ids = std::make_unique<Ids>();
    ids->first = wf::AbsoluteIdList(ILCreateFromPathW(path.c_str()));
    ids->pair[0] = ids->first.get();
    ids->pair[1] = nullptr;
    CheckWin32(
        PostMessageW(list_.ChangeNotifier().Handle(), wf::TKivShellChangeNotifier::kNotifyMessage,
                     reinterpret_cast<WPARAM>(ids->pair), SHCNE_CREATE),
        "PostMessageW");
    sent_.push_back(std::move(ids));
  }

 private:
  struct Ids {
    wf::AbsoluteIdList first;
    PCIDLIST_ABSOLUTE pair[2];
  };
  wf::TKivShellList& list_;
  std::vector<std::unique_ptr<Ids>> sent_;
};

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

// (b) A burst of creations, each announced as it happens, is one merge.
void MeasureBursts(const Options& options) {
  std::printf(
      "\n== refresh: bursts of creations (each announced by a posted notifier message) ==\n");
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
      Announcer announcer(list);
      const auto start = Clock::now();
      Clock::time_point last{};
      for (int i = 0; i < burst; ++i) {
        const std::wstring path = Join(folder, Numbered(L"burst", i));
        MakeFile(path);
        last = Clock::now();
        announcer.Created(path);
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

// (c) From a creation to its row in the list.
void MeasureDelay(const Options& options) {
  std::printf(
      "\n== refresh: CreateFileW to its row in the list ==\n"
      "  the list does not see a plain creation here: each is followed by\n"
      "  SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW) or, where that is not heard, a posted notifier "
      "message\n");
  std::fflush(stdout);
  for (int size : kDelayFolderSizes) {
    const std::wstring folder = MakeFolder(options.root, L"refresh_delay", size);
    RefreshHost host;
    CountingList& list = host.List();
    list.SetPath(folder);
    PumpFor(0.3);
    Announcer announcer(list);
    bool shellNoticeHeard = true;
    std::vector<double> delays;
    for (int run = 0; run < options.runs; ++run) {
      const std::wstring path = Join(folder, Numbered(L"delay", run));
      const int expected = list.Items().Count() + 1;
      MakeFile(path);
      const auto start = Clock::now();
      if (shellNoticeHeard)
        SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, path.c_str(), nullptr);
      else
        announcer.Created(path);
      bool shown = PumpUntil(kRowTimeoutSeconds, [&] { return list.Items().Count() >= expected; });
      if (!shown && shellNoticeHeard) {
        // Not heard: the same creation again through the notifier's message.
        shellNoticeHeard = false;
        DeleteFileW(path.c_str());
        --run;
        continue;
      }
      delays.push_back(shown ? SecondsSince(start) : kNotMeasured);
      PumpFor(0.3);
    }
    const double median = Median(delays);
    std::printf("  folder of %d: %s s (%s)%s\n", size, Format(median, "%.4f").c_str(),
                shellNoticeHeard ? "SHChangeNotify" : "posted notifier message",
                size <= 100 ? " (target <= 0.300)" : "");
    std::printf("RESULT measure=refresh_delay size=%d seconds=%s announced_by=%s\n", size,
                Format(median, "%.4f").c_str(),
                shellNoticeHeard ? "shchangenotify" : "posted_message");
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
  std::vector<double> refills, fills;
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
    PaintNow(list.Handle());
    refills.push_back(SecondsSince(start));
    if (list.TopItem() &&
        list.ItemPath(list.TopItem()) == list.ItemPath(list.Items()[kRefreshLargeSize / 2]))
      ++keptTop;
    DeleteFileW(added.c_str());
    PumpPending();
    start = Clock::now();
    list.Populate();
    PaintNow(list.Handle());
    fills.push_back(SecondsSince(start));
    PumpPending();
  }
  const double ratio = Median(refills) / Median(fills);
  std::printf("  refresh (refill, place kept, first page drawn): %s s\n",
              Format(Median(refills), "%.4f").c_str());
  std::printf("  Populate, first page drawn:                     %s s\n",
              Format(Median(fills), "%.4f").c_str());
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
