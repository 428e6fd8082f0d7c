// How long a large folder takes to appear: the file system, the raw shell
// calls, the platform's own shell view and our list, side by side in one
// process, so the list's design can be judged against what it builds on.

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifdef WAYFOLD_BENCH_SHELL_LIST
#include "framework/Application.h"
#include "framework/Form.h"
#include "shell/core/ShellModule.h"
#include "shell/list/ShellControls.h"
#endif

using Microsoft::WRL::ComPtr;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct CoTaskMemDeleter {
  void operator()(void* p) const { CoTaskMemFree(p); }
};
// The shell allocates id lists with the COM task allocator.
using AbsoluteIdList = std::unique_ptr<ITEMIDLIST_ABSOLUTE, CoTaskMemDeleter>;
using ChildIdList = std::unique_ptr<ITEMID_CHILD, CoTaskMemDeleter>;
using TaskMemString = std::unique_ptr<wchar_t, CoTaskMemDeleter>;

struct LocalMemDeleter {
  void operator()(void* p) const { LocalFree(p); }
};

// The benchmark stands alone, so that it builds whatever state the
// framework's headers are in.
template <class Close>
class UniqueHandleOf {
 public:
  explicit UniqueHandleOf(HANDLE h) : h_(h) {}
  ~UniqueHandleOf() {
    if (valid()) Close{}(h_);
  }
  UniqueHandleOf(const UniqueHandleOf&) = delete;
  UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};
struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};
struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using FindHandle = UniqueHandleOf<FindCloser>;
using FileHandle = UniqueHandleOf<HandleCloser>;

struct WindowDestroyer {
  void operator()(HWND h) const { DestroyWindow(h); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// A measure that cannot be taken says why and is reported as not measured;
// the others still run.
class BenchError : public std::exception {
 public:
  explicit BenchError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

void Check(HRESULT hr, const char* call) {
  if (FAILED(hr)) {
    char text[160];
    std::snprintf(text, sizeof text, "%s failed: HRESULT 0x%08lX", call,
                  static_cast<unsigned long>(hr));
    throw BenchError(text);
  }
}

void CheckWin32(BOOL ok, const char* call) {
  if (!ok) Check(HRESULT_FROM_WIN32(GetLastError()), call);
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// ---------------------------------------------------------------- options

struct Options {
  std::vector<int> sizes{10000, 50000};
  int runs = 5;
  // Display names cost about 0.4 ms per item under Wine: five runs over
  // 50,000 items would take minutes.
  int rawRuns = 1;
  int extraRuns = 3;
  std::wstring root = L"C:\\wfbench";
  double viewTimeoutSeconds = 120;
};

void PrintUsage() {
  std::printf(
      "usage: population_bench [--sizes 10000,50000] [--runs 5] [--raw-runs 1]\n"
      "                        [--extra-runs 3] [--root C:\\wfbench] [--view-timeout 120]\n"
      "  --raw-runs 0 skips the raw enumeration with display names.\n");
}

std::optional<Options> ParseOptions() {
  int argc = 0;
  std::unique_ptr<LPWSTR, LocalMemDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv) return std::nullopt;
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::wstring name = argv.get()[i];
    if (name == L"--help" || name == L"-h" || i + 1 >= argc) return std::nullopt;
    std::wstring value = argv.get()[++i];
    try {
      if (name == L"--sizes") {
        options.sizes.clear();
        size_t pos = 0;
        while (pos <= value.size()) {
          size_t comma = value.find(L',', pos);
          if (comma == std::wstring::npos) comma = value.size();
          int size = std::stoi(value.substr(pos, comma - pos));
          if (size <= 0) return std::nullopt;
          options.sizes.push_back(size);
          pos = comma + 1;
        }
      } else if (name == L"--runs") {
        options.runs = std::max(1, std::stoi(value));
      } else if (name == L"--raw-runs") {
        options.rawRuns = std::max(0, std::stoi(value));
      } else if (name == L"--extra-runs") {
        options.extraRuns = std::max(0, std::stoi(value));
      } else if (name == L"--root") {
        options.root = value;
      } else if (name == L"--view-timeout") {
        options.viewTimeoutSeconds = std::stod(value);
      } else {
        return std::nullopt;
      }
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  if (options.sizes.empty()) return std::nullopt;
  return options;
}

// ---------------------------------------------------------------- folders

std::wstring ItemName(int index, int digits) {
  std::wstring number = std::to_wstring(index);
  if (static_cast<int>(number.size()) < digits)
    number.insert(0, static_cast<size_t>(digits) - number.size(), L'0');
  return L"f" + number + L".txt";
}

// Files only: the folders hold nothing else, and "." and ".." are not items.
int CountFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find.valid()) return 0;
  int count = 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (FindNextFileW(find.get(), &data));
  return count;
}

void EmptyFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  {
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find.valid()) return;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
  }
  for (const auto& name : names) DeleteFileW((folder + L"\\" + name).c_str());
}

// Reuses a folder that already holds the right files, so reruns start at once.
std::wstring PrepareFolder(const std::wstring& root, int size) {
  std::wstring folder = root + L"\\" + std::to_wstring(size);
  int digits = std::max(5, static_cast<int>(std::to_wstring(size).size()));
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw BenchError("cannot create " + ToUtf8(folder));
  auto exists = [&](int index) {
    return GetFileAttributesW((folder + L"\\" + ItemName(index, digits)).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
  };
  if (CountFiles(folder) == size && exists(1) && exists(size)) return folder;

  std::printf("  creating %d files in %s ...\n", size, ToUtf8(folder).c_str());
  std::fflush(stdout);
  auto start = Clock::now();
  EmptyFolder(folder);
  for (int i = 1; i <= size; ++i) {
    std::wstring path = folder + L"\\" + ItemName(i, digits);
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throw BenchError("cannot create " + ToUtf8(path));
  }
  std::printf("  created in %.1f s\n", SecondsSince(start));
  return folder;
}

// ---------------------------------------------------------------- shell helpers

ComPtr<IShellFolder> Desktop() {
  ComPtr<IShellFolder> desktop;
  Check(SHGetDesktopFolder(&desktop), "SHGetDesktopFolder");
  return desktop;
}

AbsoluteIdList ParseFolder(IShellFolder* desktop, const std::wstring& folder) {
  std::wstring path = folder;  // ParseDisplayName takes a writable string
  PIDLIST_RELATIVE raw = nullptr;
  Check(desktop->ParseDisplayName(nullptr, nullptr, path.data(), nullptr, &raw, nullptr),
        "IShellFolder::ParseDisplayName");
  // Parsed from the desktop, the relative list is an absolute one.
  return AbsoluteIdList(reinterpret_cast<PIDLIST_ABSOLUTE>(raw));
}

ComPtr<IShellFolder> BindFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE pidl) {
  ComPtr<IShellFolder> folder;
  Check(desktop->BindToObject(pidl, nullptr, IID_PPV_ARGS(&folder)), "IShellFolder::BindToObject");
  return folder;
}

constexpr SHCONTF kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

ComPtr<IEnumIDList> EnumItems(IShellFolder* folder) {
  ComPtr<IEnumIDList> items;
  HRESULT hr = folder->EnumObjects(nullptr, kEnumFlags, &items);
  Check(hr, "IShellFolder::EnumObjects");
  // S_FALSE with no enumerator means an empty folder.
  if (!items) throw BenchError("IShellFolder::EnumObjects returned no enumerator");
  return items;
}

// Calls `onItem` with each child id in turn, one Next(1) at a time as a list
// filling row by row would.
template <class OnItem>
void ForEachChild(IEnumIDList* items, OnItem&& onItem) {
  for (;;) {
    PITEMID_CHILD raw = nullptr;
    ULONG fetched = 0;
    HRESULT hr = items->Next(1, &raw, &fetched);
    Check(hr, "IEnumIDList::Next");
    if (hr != S_OK || fetched == 0) break;
    onItem(ChildIdList(raw));
  }
}

// Two views of the process's private memory: the counter the platform
// keeps, and the committed private pages counted region by region, which
// still tells something where the counter is not kept up to date.
struct MemorySample {
  std::optional<SIZE_T> privateUsage;
  SIZE_T committedPrivate = 0;
};

SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region;
  const BYTE* address = nullptr;
  while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const BYTE* next = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

MemorySample SampleMemory() {
  MemorySample sample;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  // Wine answers the call but leaves the counter at zero.
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters) &&
      counters.PrivateUsage != 0)
    sample.privateUsage = counters.PrivateUsage;
  sample.committedPrivate = CommittedPrivateBytes();
  return sample;
}

struct MemoryGrowth {
  std::optional<double> privateUsage;
  double committedPrivate = 0;
};

double Growth(SIZE_T before, SIZE_T after) {
  return static_cast<double>(after) - static_cast<double>(before);
}

MemoryGrowth GrowthBetween(const MemorySample& before, const MemorySample& after) {
  MemoryGrowth growth;
  if (before.privateUsage && after.privateUsage)
    growth.privateUsage = Growth(*before.privateUsage, *after.privateUsage);
  growth.committedPrivate = Growth(before.committedPrivate, after.committedPrivate);
  return growth;
}

// Dispatches whatever is queued; answers whether anything was.
bool PumpPending() {
  bool any = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return any;
}

// ---------------------------------------------------------------- measures

struct Timed {
  double seconds = kNotMeasured;
  int items = 0;
};

Timed TimeFindFiles(const std::wstring& folder) {
  auto start = Clock::now();
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find.valid()) Check(HRESULT_FROM_WIN32(GetLastError()), "FindFirstFileW");
  int items = 0;
  do {
    if (data.cFileName[0] == L'.' &&
        (data.cFileName[1] == 0 || (data.cFileName[1] == L'.' && data.cFileName[2] == 0)))
      continue;
    ++items;
  } while (FindNextFileW(find.get(), &data));
  return {SecondsSince(start), items};
}

Timed TimeShellIds(const std::wstring& folder) {
  auto start = Clock::now();
  auto desktop = Desktop();
  auto pidl = ParseFolder(desktop.Get(), folder);
  auto shellFolder = BindFolder(desktop.Get(), pidl.get());
  auto items = EnumItems(shellFolder.Get());
  int count = 0;
  ForEachChild(items.Get(), [&](ChildIdList) { ++count; });
  return {SecondsSince(start), count};
}

Timed TimeShellNames(const std::wstring& folder) {
  auto start = Clock::now();
  auto desktop = Desktop();
  auto pidl = ParseFolder(desktop.Get(), folder);
  auto shellFolder = BindFolder(desktop.Get(), pidl.get());
  auto items = EnumItems(shellFolder.Get());
  int count = 0;
  ForEachChild(items.Get(), [&](ChildIdList child) {
    STRRET name{};
    Check(shellFolder->GetDisplayNameOf(child.get(), SHGDN_NORMAL, &name),
          "IShellFolder::GetDisplayNameOf");
    wchar_t text[MAX_PATH];
    // Frees the STRRET's own string whichever form it came in.
    Check(StrRetToBufW(&name, child.get(), text, MAX_PATH), "StrRetToBufW");
    ++count;
  });
  return {SecondsSince(start), count};
}

constexpr wchar_t kViewHostClass[] = L"WayfoldBenchViewHost";

void RegisterViewHostClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kViewHostClass;
  CheckWin32(RegisterClassExW(&wc) != 0, "RegisterClassExW");
  registered = true;
}

struct ViewTimes {
  double filled = kNotMeasured;   // every item counted by the view
  double painted = kNotMeasured;  // and the queue drained, first paint included
  MemorySample memoryWhileFull;
};

// The platform's view shows a folder in a shown window; the time runs from
// the browse request until its item count is complete.
ViewTimes TimeShellView(PCIDLIST_ABSOLUTE folderPidl, int expected, double timeoutSeconds) {
  RegisterViewHostClass();
  Window host(CreateWindowExW(0, kViewHostClass, L"Wayfold population bench",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr));
  CheckWin32(host.get() != nullptr, "CreateWindowExW");
  PumpPending();
  RECT client{};
  GetClientRect(host.get(), &client);

  ComPtr<IExplorerBrowser> browser;
  Check(CoCreateInstance(CLSID_ExplorerBrowser, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&browser)),
        "CoCreateInstance(CLSID_ExplorerBrowser)");
  FOLDERSETTINGS settings{FVM_DETAILS, 0};
  Check(browser->Initialize(host.get(), &client, &settings), "IExplorerBrowser::Initialize");
  // Destroy must follow a successful Initialize whatever happens next, and
  // before the host window goes.
  struct DestroyOnExit {
    IExplorerBrowser* browser;
    ~DestroyOnExit() { browser->Destroy(); }
  } destroyOnExit{browser.Get()};

  ViewTimes times;
  auto start = Clock::now();
  Check(browser->BrowseToIDList(folderPidl, SBSP_ABSOLUTE), "IExplorerBrowser::BrowseToIDList");
  int count = -1;
  for (;;) {
    ComPtr<IShellView> view;
    if (SUCCEEDED(browser->GetCurrentView(IID_PPV_ARGS(&view)))) {
      ComPtr<IFolderView> folderView;
      if (SUCCEEDED(view.As(&folderView)) &&
          SUCCEEDED(folderView->ItemCount(SVGIO_ALLVIEW, &count)) && count >= expected)
        break;
    }
    if (SecondsSince(start) > timeoutSeconds) {
      char text[160];
      std::snprintf(text, sizeof text, "shell view showed %d of %d items after %.0f s", count,
                    expected, timeoutSeconds);
      throw BenchError(text);
    }
    if (!PumpPending()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  times.filled = SecondsSince(start);
  while (PumpPending() && SecondsSince(start) <= timeoutSeconds) {
  }
  times.painted = SecondsSince(start);
  times.memoryWhileFull = SampleMemory();
  return times;
}

// Set by TimeShellListPopulation while every row is still alive: measured
// after the list is gone, its memory would already be back on the free list.
std::optional<MemorySample> g_listMemoryWhileFull;

[[maybe_unused]] void NoteListMemoryWhileFull() {
  g_listMemoryWhileFull = SampleMemory();
}

#ifdef WAYFOLD_BENCH_SHELL_LIST
// A shown form with our list in it, as Wayfold has it.
class ListHost {
 public:
  ListHost() : form_(new wf::TForm(wf::Application)) {
    form_->SetBorderStyle(wf::TFormBorderStyle::bsNone);
    form_->SetClientWidth(332);
    form_->SetClientHeight(566);
    list_ = new wf::TKivShellList(form_);
    list_->SetParent(form_);
    list_->SetAlign(wf::TAlign::alClient);
    list_->SetShowParentFolder(true);
    form_->Show();
    PumpPending();
  }
  ~ListHost() { delete form_; }
  ListHost(const ListHost&) = delete;
  ListHost& operator=(const ListHost&) = delete;
  wf::TKivShellList& List() { return *list_; }

 private:
  wf::TForm* form_;
  wf::TKivShellList* list_ = nullptr;
};
#endif

}  // namespace

// Seconds our list takes to show every row of `folder`, from the request to
// the last row in place; NaN while the list's library is not linked in.
double TimeShellListPopulation(const std::wstring& folder) {
#ifdef WAYFOLD_BENCH_SHELL_LIST
  ListHost host;
  double seconds = kNotMeasured;
  host.List().OnPopulated = [&](wf::TObject*) {};
  const auto start = Clock::now();
  host.List().SetPath(folder);  // the fill runs inside, up to OnPopulated
  seconds = SecondsSince(start);
  // The first page is drawn after the fill; it is not part of it.
  PumpPending();
  NoteListMemoryWhileFull();
  return seconds;
#else
  return kNotMeasured;
#endif
}

namespace {

// The child ids of a folder, gathered once for the per-item measures.
struct FolderItems {
  ComPtr<IShellFolder> folder;
  std::vector<ChildIdList> children;
};

FolderItems LoadFolderItems(const std::wstring& folder) {
  auto desktop = Desktop();
  auto pidl = ParseFolder(desktop.Get(), folder);
  FolderItems result;
  result.folder = BindFolder(desktop.Get(), pidl.get());
  auto items = EnumItems(result.folder.Get());
  ForEachChild(items.Get(),
               [&](ChildIdList child) { result.children.push_back(std::move(child)); });
  return result;
}

struct SortTime {
  double seconds = kNotMeasured;
  std::uint64_t calls = 0;
};

// A full sort as a list would do it: std::sort over the child ids, each
// comparison one CompareIDs by name. The ids start in a fixed shuffled order
// so every run and every size sorts comparable input.
SortTime TimeCompareIdsSort(const FolderItems& items) {
  std::vector<PCUITEMID_CHILD> order;
  order.reserve(items.children.size());
  for (const auto& child : items.children) order.push_back(child.get());
  std::shuffle(order.begin(), order.end(), std::mt19937(20261207));

  IShellFolder* folder = items.folder.Get();
  std::uint64_t calls = 0;
  HRESULT firstFailure = S_OK;
  auto start = Clock::now();
  std::sort(order.begin(), order.end(), [&](PCUITEMID_CHILD a, PCUITEMID_CHILD b) {
    ++calls;
    HRESULT hr = folder->CompareIDs(0, a, b);
    if (FAILED(hr)) {
      if (firstFailure == S_OK) firstFailure = hr;
      return a < b;  // keeps the ordering strict so std::sort stays in bounds
    }
    return static_cast<short>(HRESULT_CODE(hr)) < 0;
  });
  SortTime result{SecondsSince(start), calls};
  Check(firstFailure, "IShellFolder::CompareIDs");
  return result;
}

double TimeAttributesPerItem(const FolderItems& items) {
  auto start = Clock::now();
  for (const auto& child : items.children) {
    PCUITEMID_CHILD one = child.get();
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HIDDEN;
    Check(items.folder->GetAttributesOf(1, &one, &attributes), "IShellFolder::GetAttributesOf");
  }
  return SecondsSince(start);
}

double TimeFindDataPerItem(const FolderItems& items) {
  auto start = Clock::now();
  for (const auto& child : items.children) {
    WIN32_FIND_DATAW data;
    Check(
        SHGetDataFromIDListW(items.folder.Get(), child.get(), SHGDFIL_FINDDATA, &data, sizeof data),
        "SHGetDataFromIDListW");
  }
  return SecondsSince(start);
}

// ---------------------------------------------------------------- report

double Median(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
               values.end());
  if (values.empty()) return kNotMeasured;
  std::sort(values.begin(), values.end());
  size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Measure {
  std::string key;    // the machine-readable name
  std::string label;  // the table's name
  int runs = 0;
  std::vector<double> samples;
  std::string failure;
  std::string note;
  double median() const { return Median(samples); }
};

// Runs `body` `runs` times, keeping each result; the first failure stops the
// measure and is reported in its place.
template <class Body>
void Sample(Measure& measure, int runs, Body&& body) {
  measure.runs = runs;
  for (int i = 0; i < runs; ++i) {
    try {
      measure.samples.push_back(body(i));
    } catch (const std::exception& e) {
      measure.failure = e.what();
      return;
    }
  }
}

std::string Format(double value, const char* format) {
  if (std::isnan(value)) return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

struct SizeReport {
  int size = 0;
  double listSeconds = kNotMeasured;
};

SizeReport RunSize(const Options& options, int size) {
  std::printf("\n== %d items ==\n", size);
  std::fflush(stdout);
  std::wstring folder;
  try {
    folder = PrepareFolder(options.root, size);
  } catch (const std::exception& e) {
    std::printf("  cannot prepare the folder: %s\n", e.what());
    return {size, kNotMeasured};
  }

  auto expectItems = [&](Measure& m, int items) {
    if (items != size && m.note.empty())
      m.note = "saw " + std::to_string(items) + " items, expected " + std::to_string(size);
  };

  Measure find{"findfirst", "FindFirstFileW/FindNextFileW"};
  Sample(find, options.runs, [&](int) {
    Timed t = TimeFindFiles(folder);
    expectItems(find, t.items);
    return t.seconds;
  });

  Measure ids{"shell_ids", "shell enum, ids only (Next(1))"};
  Sample(ids, options.runs, [&](int) {
    Timed t = TimeShellIds(folder);
    expectItems(ids, t.items);
    return t.seconds;
  });

  Measure names{"shell_names", "shell enum + SHGDN_NORMAL names"};
  if (options.rawRuns > 0) {
    Sample(names, options.rawRuns, [&](int) {
      Timed t = TimeShellNames(folder);
      expectItems(names, t.items);
      return t.seconds;
    });
  } else {
    names.failure = "skipped (--raw-runs 0)";
  }

  // Our list runs before the platform's view so that its first run, whose
  // memory is the one reported, does not reuse heap the view has just freed.
  Measure list{"shelllist", "our list, full population"};
  std::optional<MemoryGrowth> listMemory;
  Sample(list, options.runs, [&](int run) {
    g_listMemoryWhileFull.reset();
    MemorySample before = SampleMemory();
    double seconds = TimeShellListPopulation(folder);
    MemorySample after = g_listMemoryWhileFull ? *g_listMemoryWhileFull : SampleMemory();
    if (run == 0 && !std::isnan(seconds)) listMemory = GrowthBetween(before, after);
    return seconds;
  });

  Measure view{"shellview", "platform shell view (ExplorerBrowser)"};
  Measure viewPainted{"shellview_painted", "  same, until queue drained"};
  std::optional<MemoryGrowth> viewMemory;
  {
    AbsoluteIdList pidl;
    try {
      pidl = ParseFolder(Desktop().Get(), folder);
    } catch (const std::exception& e) {
      view.failure = e.what();
    }
    if (pidl) {
      Sample(view, options.runs, [&](int run) {
        MemorySample before = SampleMemory();
        ViewTimes t = TimeShellView(pidl.get(), size, options.viewTimeoutSeconds);
        if (run == 0) viewMemory = GrowthBetween(before, t.memoryWhileFull);
        viewPainted.samples.push_back(t.painted);
        return t.filled;
      });
      viewPainted.runs = static_cast<int>(viewPainted.samples.size());
    }
    if (!view.failure.empty()) viewPainted.failure = view.failure;
  }

  Measure sort{"compareids_sort", "std::sort by CompareIDs(0)"};
  Measure attributes{"getattributesof", "GetAttributesOf, one per item"};
  Measure findData{"shgetdatafromidlist", "SHGetDataFromIDListW finddata"};
  std::uint64_t sortCalls = 0;
  size_t childCount = 0;
  if (options.extraRuns > 0) {
    try {
      FolderItems items = LoadFolderItems(folder);
      childCount = items.children.size();
      Sample(sort, options.extraRuns, [&](int) {
        SortTime t = TimeCompareIdsSort(items);
        sortCalls = t.calls;
        return t.seconds;
      });
      Sample(attributes, options.extraRuns, [&](int) { return TimeAttributesPerItem(items); });
      Sample(findData, options.extraRuns, [&](int) { return TimeFindDataPerItem(items); });
    } catch (const std::exception& e) {
      sort.failure = attributes.failure = findData.failure = e.what();
    }
  } else {
    sort.failure = attributes.failure = findData.failure = "skipped (--extra-runs 0)";
  }

  const double viewSeconds = view.median();
  auto ratio = [&](double seconds) { return seconds / viewSeconds; };

  std::printf("  %-40s %5s %10s %12s  %s\n", "measure", "runs", "median s", "x shell view", "note");
  auto row = [&](const Measure& m, const std::string& extra) {
    double seconds = m.median();
    std::string note = !m.failure.empty() ? m.failure : m.note;
    if (!extra.empty()) note = note.empty() ? extra : note + "; " + extra;
    std::printf("  %-40s %5d %10s %12s  %s\n", m.label.c_str(), m.runs,
                Format(seconds, "%.4f").c_str(), Format(ratio(seconds), "%.3f").c_str(),
                note.c_str());
  };
  auto perItem = [&](const Measure& m, double count) {
    return Format(m.median() / count * 1e6, "%.2f") + " us per item";
  };
  row(find, "");
  row(ids, "");
  row(names,
      options.rawRuns > 0 ? "fewer runs (slow per item under Wine); " + perItem(names, size) : "");
  row(view, "");
  row(viewPainted, "");
#ifdef WAYFOLD_BENCH_SHELL_LIST
  row(list, std::isnan(list.median()) ? "not measured: TimeShellListPopulation is a stub" : "");
#else
  row(list, "not measured: wf_shell_list not linked");
#endif
  row(sort, std::to_string(sortCalls) + " calls, " +
                Format(sort.median() / static_cast<double>(sortCalls) * 1e6, "%.2f") +
                " us per call");
  row(attributes, perItem(attributes, static_cast<double>(childCount)));
  row(findData, perItem(findData, static_cast<double>(childCount)));

  auto perRow = [&](const std::optional<MemoryGrowth>& growth, bool counter) {
    if (!growth) return std::string("n/a");
    if (counter && !growth->privateUsage) return std::string("n/a");
    return Format((counter ? *growth->privateUsage : growth->committedPrivate) / size, "%.1f");
  };
  std::printf(
      "  private bytes per row (PrivateUsage / committed private pages), first run:\n"
      "    our list %s / %s; platform shell view %s / %s\n",
      perRow(listMemory, true).c_str(), perRow(listMemory, false).c_str(),
      perRow(viewMemory, true).c_str(), perRow(viewMemory, false).c_str());

  for (const Measure* m :
       {&find, &ids, &names, &view, &viewPainted, &list, &sort, &attributes, &findData}) {
    std::printf("RESULT size=%d measure=%s runs=%zu seconds=%s ratio_to_shellview=%s", size,
                m->key.c_str(), m->samples.size(), Format(m->median(), "%.6f").c_str(),
                Format(ratio(m->median()), "%.4f").c_str());
    if (m == &sort) std::printf(" calls=%llu", static_cast<unsigned long long>(sortCalls));
    if (m == &attributes || m == &findData || m == &names)
      std::printf(
          " us_per_item=%s",
          Format(m->median() / static_cast<double>(m == &names ? size : childCount) * 1e6, "%.3f")
              .c_str());
    std::printf("\n");
  }
  for (auto [key, growth] :
       {std::pair{"shelllist", &listMemory}, std::pair{"shellview", &viewMemory}})
    std::printf("RESULT size=%d measure=%s_private_bytes_per_row value=%s committed_private=%s\n",
                size, key, perRow(*growth, true).c_str(), perRow(*growth, false).c_str());
  std::fflush(stdout);
  return {size, list.median()};
}

// Initialises OLE (apartment-threaded, as the shell's views require) for
// the process's one thread.
class OleScope {
 public:
  OleScope() { Check(OleInitialize(nullptr), "OleInitialize"); }
  ~OleScope() { OleUninitialize(); }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
};

int Run(const Options& options) {
  OleScope ole;
#ifdef WAYFOLD_BENCH_SHELL_LIST
  wf::ShellModule shell;
  wf::TApplication application;
#endif
  std::printf(
      "population_bench: runs %d, raw shell names runs %d, extra measures runs %d, root %s\n",
      options.runs, options.rawRuns, options.extraRuns, ToUtf8(options.root).c_str());
  MemorySample atStart = SampleMemory();
  std::printf("memory at start: PrivateUsage %s bytes, committed private pages %zu bytes\n",
              atStart.privateUsage ? std::to_string(*atStart.privateUsage).c_str() : "n/a",
              atStart.committedPrivate);
  auto start = Clock::now();
  std::vector<SizeReport> reports;
  for (int size : options.sizes) reports.push_back(RunSize(options, size));

  std::printf("\n");
  for (size_t i = 1; i < reports.size(); ++i) {
    double scaling = reports[i].listSeconds / reports[0].listSeconds;
    std::printf("our list, %d over %d items: %s x\n", reports[i].size, reports[0].size,
                Format(scaling, "%.2f").c_str());
    std::printf("RESULT measure=shelllist_scaling sizes=%d/%d ratio=%s\n", reports[i].size,
                reports[0].size, Format(scaling, "%.4f").c_str());
  }
  std::printf("benchmark process time: %.1f s\n", SecondsSince(start));
  return 0;
}

}  // namespace

int main() {
  auto options = ParseOptions();
  if (!options) {
    PrintUsage();
    return 2;
  }
  try {
    return Run(*options);
  } catch (const std::exception& e) {
    std::printf("population_bench: %s\n", e.what());
    return 1;
  }
}
