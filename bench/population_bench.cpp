// How long a large folder takes to appear: the file system, the raw shell
// calls, the platform's own shell view and our list, side by side in one
// process, so the list's design can be judged against what it builds on.
// Then what our list adds per drawn row and per sort, against the same
// shell questions and comparisons made directly.

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
#include "framework/Strings.h"
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

// File i is (i mod 97) KB long, so that a sort by the size column has
// texts to order ("0 KB" to "96 KB"); bench/run.sh makes the same files.
constexpr int kSizeSpread = 97;
LONGLONG BenchFileSize(int index) { return static_cast<LONGLONG>(index % kSizeSpread) * 1024; }

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
  auto sized = [&](int index) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW((folder + L"\\" + ItemName(index, digits)).c_str(), GetFileExInfoStandard, &data))
      return false;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) == BenchFileSize(index);
  };
  if (CountFiles(folder) == size && exists(1) && exists(size) && sized(2) && sized(size)) return folder;

  std::printf("  creating %d files in %s ...\n", size, ToUtf8(folder).c_str());
  std::fflush(stdout);
  auto start = Clock::now();
  EmptyFolder(folder);
  for (int i = 1; i <= size; ++i) {
    std::wstring path = folder + L"\\" + ItemName(i, digits);
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throw BenchError("cannot create " + ToUtf8(path));
    LARGE_INTEGER end{};
    end.QuadPart = BenchFileSize(i);
    if (end.QuadPart > 0 && (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())))
      throw BenchError("cannot size " + ToUtf8(path));
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

// A folder bound from its path, with an enumeration of its objects started.
struct OpenedFolder {
  ComPtr<IShellFolder> folder;
  ComPtr<IEnumIDList> items;
};

OpenedFolder OpenFolder(const std::wstring& path) {
  auto desktop = Desktop();
  auto pidl = ParseFolder(desktop.Get(), path);
  OpenedFolder opened;
  opened.folder = BindFolder(desktop.Get(), pidl.get());
  opened.items = EnumItems(opened.folder.Get());
  return opened;
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
  auto [shellFolder, items] = OpenFolder(folder);
  int count = 0;
  ForEachChild(items.Get(), [&](ChildIdList) { ++count; });
  return {SecondsSince(start), count};
}

Timed TimeShellNames(const std::wstring& folder) {
  auto start = Clock::now();
  auto [shellFolder, items] = OpenFolder(folder);
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
  auto [shellFolder, items] = OpenFolder(folder);
  FolderItems result;
  result.folder = shellFolder;
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

#ifdef WAYFOLD_BENCH_SHELL_LIST
// ---------------------------------------------------------------- our list's row work

// What our list does per drawn row and per sort, set against the same shell
// questions asked directly; a ratio above this is time our code adds.
constexpr double kListWorkTarget = 1.2;

// Dispatches what is queued but paints nothing, so that the paint to be
// timed is still owed afterwards.
void PumpPendingExceptPaint() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, WM_PAINT - 1, PM_REMOVE) ||
         PeekMessageW(&msg, nullptr, WM_PAINT + 1, std::numeric_limits<UINT>::max(), PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

double TimePaint(HWND window) {
  auto start = Clock::now();
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  return SecondsSince(start);
}

ComPtr<IShellFolder2> DetailsFolder(IShellFolder* folder) {
  ComPtr<IShellFolder2> folder2;
  Check(folder->QueryInterface(IID_IShellFolder2, reinterpret_cast<void**>(folder2.GetAddressOf())),
        "QueryInterface(IShellFolder2)");
  return folder2;
}

std::wstring TakeStrRet(STRRET& reply, PCUITEMID_CHILD id) {
  wchar_t* raw = nullptr;
  if (FAILED(StrRetToStrW(&reply, id, &raw))) return {};
  TaskMemString text(raw);
  return text.get();
}

// The shell columns behind the list's columns 1 and up. The list titles its
// columns with the shell's header texts in the shell's order, so the titles
// identify them.
std::vector<UINT> ShownDetailColumns(wf::TKivShellList& list, IShellFolder2* folder) {
  std::vector<std::wstring> titles;
  for (UINT column = 0; column < 256; ++column) {
    SHELLDETAILS header{};
    if (FAILED(folder->GetDetailsOf(nullptr, column, &header))) break;
    std::wstring title = TakeStrRet(header.str, nullptr);
    if (title.empty()) break;
    titles.push_back(std::move(title));
  }
  std::vector<UINT> shown;
  UINT next = 1;
  for (int i = 1; i < list.ShellColumnCount(); ++i) {
    const std::wstring& caption = list.Columns()[i]->Caption();
    while (next < titles.size() && titles[next] != caption) ++next;
    if (next >= titles.size())
      throw BenchError("list column " + ToUtf8(caption) + " is no shell column");
    shown.push_back(next++);
  }
  return shown;
}

// The rows one paint asked for: those whose image became known, which is
// the moment the list fetches a row's shell data.
struct PageRows {
  std::vector<PCUITEMID_CHILD> ids;  // rows with a child id, in screen order
  int updated = 0;                   // parent entry included
  int perPage = 0;
  int drawnBefore = 0;  // rows already fetched before the paint
  bool parentEntry = false;
};

// The paint may draw a partly visible row beyond the page count: a few rows
// past it are looked at too.
constexpr int kRowsPastPage = 3;

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

// Where the raw queries' time goes, summed over the rows.
struct RawQueryTimes {
  double total = kNotMeasured;
  double name = 0, icon = 0, attributes = 0;
  std::vector<double> details;  // one per shown detail column
};

// The shell's answers a row needs, asked directly: its display name, small
// icon, overlay and hidden attribute, and one text per shown detail column.
// With no overlay interface the overlay is two attribute bits, asked with
// the hidden one.
RawQueryTimes TimeRawRowQueries(IShellFolder* folder, PCIDLIST_ABSOLUTE folderPidl,
                                const std::vector<PCUITEMID_CHILD>& ids,
                                const std::vector<UINT>& detailColumns) {
  RawQueryTimes times;
  times.details.assign(detailColumns.size(), 0);
  auto start = Clock::now();
  auto lap = [last = start](double& into) mutable {
    auto now = Clock::now();
    into += std::chrono::duration<double>(now - last).count();
    last = now;
  };
  ComPtr<IShellFolder2> folder2 = DetailsFolder(folder);
  ComPtr<IShellIconOverlay> overlay;
  if (FAILED(folder->QueryInterface(IID_IShellIconOverlay,
                                    reinterpret_cast<void**>(overlay.GetAddressOf()))))
    overlay.Reset();
  double setup = 0;
  lap(setup);
  for (PCUITEMID_CHILD id : ids) {
    STRRET name{};
    Check(folder->GetDisplayNameOf(id, SHGDN_NORMAL, &name), "IShellFolder::GetDisplayNameOf");
    TakeStrRet(name, id);
    lap(times.name);
    AbsoluteIdList absolute(ILCombine(folderPidl, id));
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute.get()), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    lap(times.icon);
    SFGAOF attributes = SFGAO_HIDDEN | (overlay ? 0 : SFGAO_LINK | SFGAO_SHARE);
    folder->GetAttributesOf(1, &id, &attributes);
    if (overlay) {
      int index = 0;
      overlay->GetOverlayIndex(id, &index);
    }
    lap(times.attributes);
    for (size_t c = 0; c < detailColumns.size(); ++c) {
      SHELLDETAILS details{};
      if (SUCCEEDED(folder2->GetDetailsOf(id, detailColumns[c], &details)))
        TakeStrRet(details.str, id);
      lap(times.details[c]);
    }
  }
  times.total = SecondsSince(start);
  return times;
}

// The same rows' questions put through the list's folder object, as the
// row update and the caption ask them.
double TimeDirwalkerRowQueries(wf::TDirwalker& dirwalker, const std::vector<PCUITEMID_CHILD>& ids,
                               const std::vector<UINT>& detailColumns) {
  auto start = Clock::now();
  for (PCUITEMID_CHILD id : ids) {
    dirwalker.SetCurrentId(id);
    for (UINT column : detailColumns) dirwalker.DetailText(static_cast<int>(column), false);
    dirwalker.SmallIconIndex();
    dirwalker.OverlayIndex();
    dirwalker.Attributes(SFGAO_HIDDEN);
    auto saved = dirwalker.ObjectIdCopy();
    dirwalker.SetCurrentId(id);
    dirwalker.DisplayName();
    dirwalker.SetCurrentId(saved.get());
  }
  return SecondsSince(start);
}

struct PageRun {
  double paint = kNotMeasured;
  double repaint = kNotMeasured;
  RawQueryTimes raw;
  RawQueryTimes rawAgain;
  double dirwalker = kNotMeasured;
  double parentIcon = kNotMeasured;
  double iconOf = kNotMeasured;  // NaN: the folder has no IShellIcon
  bool iconOfAgrees = false;
  PageRows rows;
  std::vector<UINT> columnNumbers;
  size_t detailColumns = 0;
  bool overlayInterface = false;
};

// Scrolls rows not yet drawn into view without painting them.
void ScrollUndrawnRowIntoView(wf::TKivShellList& list, int row) {
  HWND window = list.Handle();
  SendMessageW(window, WM_SETREDRAW, FALSE, 0);
  SendMessageW(window, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
}

// Pages further down, each scrolled to before its first paint: more
// samples of the same work from one fill, without the parent entry.
constexpr int kFurtherPages = 3;

PageRun MeasurePage(ListHost& host) {
  wf::TKivShellList& list = host.List();
  PageRun run;
  PumpPendingExceptPaint();
  const int fetchedBefore = PageRowsAlreadyFetched(list);
  run.paint = TimePaint(list.Handle());
  run.rows = RowsFetchedByPaint(list);
  run.rows.drawnBefore = fetchedBefore;
  if (run.rows.ids.empty()) throw BenchError("the paint fetched no rows");
  // The same page again: every row's data is in place, so this is the
  // drawing alone.
  run.repaint = TimePaint(list.Handle());

  IShellFolder* folder = list.Dirwalker().ShellFolder();
  PCIDLIST_ABSOLUTE folderPidl = list.Dirwalker().FolderIdList();
  ComPtr<IShellFolder2> folder2 = DetailsFolder(folder);
  const std::vector<UINT> columns = ShownDetailColumns(list, folder2.Get());
  run.detailColumns = columns.size();
  run.columnNumbers = columns;
  ComPtr<IUnknown> overlay;
  run.overlayInterface = SUCCEEDED(folder->QueryInterface(
      IID_IShellIconOverlay, reinterpret_cast<void**>(overlay.GetAddressOf())));
  // Measured after the list, so that whatever the shell caches favours the
  // raw figure, not ours.
  run.raw = TimeRawRowQueries(folder, folderPidl, run.rows.ids, columns);
  run.rawAgain = TimeRawRowQueries(folder, folderPidl, run.rows.ids, columns);
  run.dirwalker = TimeDirwalkerRowQueries(list.Dirwalker(), run.rows.ids, columns);
  auto start = Clock::now();
  list.SmallSystemImages().TempFolderIconIndex();
  run.parentIcon = SecondsSince(start);

  // The folder's own icon look-up, for comparison with SHGetFileInfoW.
  ComPtr<IShellIcon> shellIcon;
  if (SUCCEEDED(folder->QueryInterface(IID_IShellIcon,
                                       reinterpret_cast<void**>(shellIcon.GetAddressOf())))) {
    std::vector<int> indexes;
    start = Clock::now();
    for (PCUITEMID_CHILD id : run.rows.ids) {
      int index = -1;
      if (FAILED(shellIcon->GetIconOf(id, GIL_FORSHELL, &index))) index = -1;
      indexes.push_back(index);
    }
    run.iconOf = SecondsSince(start);
    AbsoluteIdList absolute(ILCombine(folderPidl, run.rows.ids.front()));
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute.get()), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    run.iconOfAgrees = indexes.front() == info.iIcon;
  }
  return run;
}

// ---- sorting

// The text sorts take milliseconds against the seconds their texts cost to
// fetch: each run repeats them from the same order and keeps the median.
constexpr int kTextSortRepeats = 7;

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

// A sort of the list's own rows through the control's sort message, which
// the list serves with its own sort, with a comparison the bench chooses.
// That sort is deterministic: the same input order
// and the same answers give the same sequence of comparisons, which is how
// the list's own sort is replayed and its comparisons recorded.
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

// Puts the rows back in the order the fill leaves them: by name, ascending.
void RestoreNameOrder(wf::TKivShellList& list) {
  ReplaySort byName;
  byName.folder = list.Dirwalker().ShellFolder();
  TimeReplay(list, byName);
  PumpPending();
}

struct SortRun {
  double list = kNotMeasured;     // the list's own sorts
  double floor = kNotMeasured;    // the list sorting with the bare comparison
  double raw = kNotMeasured;      // the comparisons alone
  double rawHandler = kNotMeasured;  // text comparisons with the compare handler's call
  double plain = kNotMeasured;       // the standard library's stable sort of the same texts
  std::uint64_t plainComparisons = 0;
  std::uint64_t comparisons = 0;  // made by the sort
  std::uint64_t calls = 0;        // of which reached CompareIDs or CompareText
};

// Two sorts by one column as the list does them, the second turning the
// direction back.
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

// For scale: the standard library's stable sort of the same rows' texts,
// from the fill's order, ascending then descending, each comparison
// followed by the handler as in the list. No list is involved; its own
// number of comparisons.
void TimePlainTextSorts(wf::TKivShellList& list, int textColumn,
                        const wf::TLVCompareEvent& handler, SortRun& run) {
  RestoreNameOrder(list);
  struct Entry {
    wf::TListItem* row;
    const std::wstring* text;
  };
  const size_t k = static_cast<size_t>(textColumn - 1);
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
        handler(&list, a.row, b.row, textColumn, result);
        return result < 0;
      });
    }
    passes.push_back(SecondsSince(start));
    run.plainComparisons = comparisons;
  }
  run.plain = Median(passes);
}

// The list's two sorts replayed from the same row orders: once recording
// the pairs that reach the comparison, once timing the sort with the
// bare comparison; then, for the name, those pairs compared alone.
// `textColumn` 0 sorts by CompareIDs of the name, else by that column's text.
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
  if (textColumn != 0) return run;
  std::vector<std::pair<PCUITEMID_CHILD, PCUITEMID_CHILD>> ids;
  ids.reserve(pairs.size());
  for (auto [a, b] : pairs)
    ids.emplace_back(RecordOfParam(a)->ItemId.get(), RecordOfParam(b)->ItemId.get());
  int sink = 0;
  const auto start = Clock::now();
  for (auto [a, b] : ids) sink += static_cast<short>(HRESULT_CODE(folder->CompareIDs(0, a, b)));
  run.raw = SecondsSince(start);
  if (sink == std::numeric_limits<int>::min()) std::printf(" ");  // keeps the loop
  return run;
}

SortRun MeasureNameSort(wf::TKivShellList& list) {
  if (list.SortColumn() != 0 || list.SortDescending())
    throw BenchError("the fill left the list sorted otherwise than by name, ascending");
  // The same column again: descending, then ascending.
  const double seconds = TimeListSorts(list, 0);
  SortRun run = ReplaySorts(list, 0, -1);
  run.list = seconds;
  return run;
}

constexpr int kTextSortColumn = 1;

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
double TimeTextPairs(wf::TKivShellList& list, const std::vector<TextPair>& pairs, int textColumn,
                     const wf::TLVCompareEvent* handler) {
  int sink = 0;
  const auto start = Clock::now();
  if (handler) {
    for (const TextPair& t : pairs) {
      int result = wf::CompareText(*t.a, *t.b);
      (*handler)(&list, t.rowA, t.rowB, textColumn, result);
      sink += result;
    }
  } else {
    for (const TextPair& t : pairs) sink += wf::CompareText(*t.a, *t.b);
  }
  const double seconds = SecondsSince(start);
  if (sink == std::numeric_limits<int>::min()) std::printf(" ");  // keeps the loop
  return seconds;
}

// The rows hold every detail text already. The pairs the list compares are
// recorded through its own compare handler, so the raw comparisons are
// exactly the sort's. Each repeat times the list's two sorts and, right
// after, the same comparisons alone: this machine's speed drifts by tens of
// per cent over seconds, and a ratio of times taken far apart measured the
// drift as much as the sort.
SortRun MeasureTextSort(wf::TKivShellList& list, std::vector<double>& pairedRatios) {
  if (list.ShellColumnCount() <= kTextSortColumn)
    throw BenchError("the list shows no detail column");
  const size_t k = static_cast<size_t>(kTextSortColumn - 1);
  std::vector<TextPair> pairs;
  std::uint64_t handlerCalls = 0;
  const wf::TLVCompareEvent counting = CountingCompareHandler(handlerCalls);
  std::vector<double> listTimes, rawHandlerTimes, rawTimes;
  try {
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
        throw BenchError("the list made " + std::to_string(handlerCalls) +
                         " text comparisons, " + std::to_string(pairs.size()) + " when recorded");
      rawHandlerTimes.push_back(TimeTextPairs(list, pairs, kTextSortColumn, &counting));
      rawTimes.push_back(TimeTextPairs(list, pairs, kTextSortColumn, nullptr));
      pairedRatios.push_back(listTimes.back() / rawHandlerTimes.back());
    }
  } catch (...) {
    list.OnCompare = nullptr;
    throw;
  }
  list.OnCompare = nullptr;
  SortRun run = ReplaySorts(list, kTextSortColumn, 1);
  TimePlainTextSorts(list, kTextSortColumn, counting, run);
  run.list = Median(listTimes);
  run.rawHandler = Median(rawHandlerTimes);
  run.raw = Median(rawTimes);
  run.comparisons = pairs.size();  // the parent entry takes no part in the list's sort
  run.calls = pairs.size();
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

struct ListWork {
  Measure paint{"shelllist_first_page", "first page paint (row updates)"};
  Measure paintRaw{"first_page_raw", "  raw shell queries, same rows"};
  Measure paintRawAgain{"first_page_raw_again", "  raw shell queries, asked again"};
  Measure repaint{"shelllist_page_repaint", "  same page painted again (drawing)"};
  Measure dirwalker{"first_page_dirwalker", "  same queries through TDirwalker"};
  Measure parentIcon{"parent_entry_icon", "  parent entry's icon (temp folder)"};
  Measure furtherPaint{"shelllist_further_page", "undrawn pages further down, paint"};
  Measure furtherRaw{"further_page_raw", "  raw shell queries, same rows"};
  Measure furtherDirwalker{"further_page_dirwalker", "  same queries through TDirwalker"};
  Measure furtherRepaint{"shelllist_further_repaint", "  same page painted again (drawing)"};
  size_t furtherRows = 0;
  Measure iconOf{"first_page_shellicon", "  IShellIcon::GetIconOf, same rows"};
  Measure nameSort{"shelllist_sort_name", "sort by name, shell mode"};
  Measure nameRaw{"sort_name_raw", "  raw CompareIDs, same pairs"};
  Measure nameFloor{"sort_name_control", "  sort message, bare CompareIDs"};
  Measure indexSearch{"row_index_search", "  Index() of the last row, undrawn"};
  Measure fetchAll{"shelllist_fetch_all_texts", "  every row's detail texts fetched"};
  Measure textSort{"shelllist_sort_text", "sort by detail column 1, text mode"};
  Measure textRawHandler{"sort_text_raw_handler", "  raw CompareText + OnCompare, same pairs"};
  Measure textRaw{"sort_text_raw", "  raw CompareText alone, same pairs"};
  Measure textFloor{"sort_text_control", "  sort message, bare CompareText"};
  Measure textPlain{"sort_text_std_stable_sort", "  std::stable_sort, same texts + OnCompare"};
  std::uint64_t textPlainComparisons = 0;
  std::vector<double> textPairedRatios;  // each repeat's sort over the raw time taken right after
  PageRows rows;
  std::vector<RawQueryTimes> rawBreakdown;
  std::vector<UINT> columnNumbers;
  size_t detailColumns = 0;
  bool overlayInterface = false;
  bool iconOfAgrees = false;
  std::uint64_t nameComparisons = 0, nameCalls = 0, textComparisons = 0, textCalls = 0;
};

// The text sort needs every row's data fetched first, seconds at 50,000
// rows, so it runs `textRuns` times.
void MeasureListWork(const std::wstring& folder, int pageRuns, int textRuns, ListWork& work) {
  auto add = [](Measure& m, double seconds) {
    m.samples.push_back(seconds);
    m.runs = static_cast<int>(m.samples.size());
  };
  for (int run = 0; run < std::max(pageRuns, textRuns); ++run) {
    // A fresh fill each time, so that no row on the page has been drawn.
    if (run < pageRuns) try {
        ListHost host;
        host.List().SetPath(folder);
        PageRun page = MeasurePage(host);
        if (page.rows.drawnBefore > 0)
          work.paint.note =
              std::to_string(page.rows.drawnBefore) + " rows fetched before the paint";
        add(work.paint, page.paint);
        add(work.paintRaw, page.raw.total);
        add(work.paintRawAgain, page.rawAgain.total);
        work.rawBreakdown.push_back(page.raw);
        add(work.repaint, page.repaint);
        add(work.dirwalker, page.dirwalker);
        add(work.parentIcon, page.parentIcon);
        if (!std::isnan(page.iconOf)) add(work.iconOf, page.iconOf);
        work.iconOfAgrees = page.iconOfAgrees;
        work.rows = page.rows;
        work.detailColumns = page.detailColumns;
        work.columnNumbers = page.columnNumbers;
        work.overlayInterface = page.overlayInterface;

        const int count = host.List().Items().Count();
        for (int further = 1; further <= kFurtherPages; ++further) {
          ScrollUndrawnRowIntoView(host.List(), count / (kFurtherPages + 1) * further);
          PageRun next = MeasurePage(host);
          if (next.rows.drawnBefore > 0)
            work.furtherPaint.note =
                std::to_string(next.rows.drawnBefore) + " rows fetched before the paint";
          add(work.furtherPaint, next.paint);
          add(work.furtherRaw, next.raw.total);
          add(work.furtherDirwalker, next.dirwalker);
          add(work.furtherRepaint, next.repaint);
          work.furtherRows = next.rows.ids.size();
        }

        SortRun sort = MeasureNameSort(host.List());
        add(work.nameSort, sort.list);
        add(work.nameRaw, sort.raw);
        add(work.nameFloor, sort.floor);
        work.nameComparisons = sort.comparisons;
        work.nameCalls = sort.calls;
      } catch (const std::exception& e) {
        work.paint.failure = e.what();
      }
    if (run < textRuns) try {
        ListHost host;
        wf::TKivShellList& list = host.List();
        list.SetPath(folder);
        PumpPending();
        // A row that has not been drawn knows its place all the same.
        wf::TListItem* last = list.Items()[list.Items().Count() - 1];
        auto start = Clock::now();
        last->Index();
        add(work.indexSearch, SecondsSince(start));
        const std::vector<UINT> columns =
            ShownDetailColumns(list, DetailsFolder(list.Dirwalker().ShellFolder()).Get());
        start = Clock::now();
        const int missing = FetchEveryRowsTexts(list, columns);
        add(work.fetchAll, SecondsSince(start));
        if (missing > 0)
          work.textSort.note = std::to_string(missing) + " rows without detail texts";
        SortRun sort = MeasureTextSort(host.List(), work.textPairedRatios);
        add(work.textSort, sort.list);
        add(work.textRaw, sort.raw);
        add(work.textRawHandler, sort.rawHandler);
        add(work.textFloor, sort.floor);
        add(work.textPlain, sort.plain);
        work.textPlainComparisons = sort.plainComparisons;
        work.textComparisons = sort.comparisons;
        work.textCalls = sort.calls;
      } catch (const std::exception& e) {
        work.textSort.failure = e.what();
      }
  }
}

void PrintListWork(int size, const ListWork& work) {
  auto ratioOf = [](const Measure& m, const Measure& raw) { return m.median() / raw.median(); };
  auto verdict = [](double ratio) {
    if (std::isnan(ratio)) return "";
    return ratio <= kListWorkTarget ? "within target" : "OVER target";
  };
  std::printf(
      "  our list against the same shell questions asked directly (target: ratio <= %.2f)\n"
      "  %-40s %5s %10s %10s %12s  %s\n",
      kListWorkTarget, "measure", "runs", "median s", "raw s", "ratio to raw", "note");
  // `paired`, when given, is the ratio of times taken side by side, which
  // then stands for the measure.
  auto line = [&](const Measure& m, const Measure* raw, const std::string& extra,
                  double paired = kNotMeasured) {
    std::string note = !m.failure.empty() ? m.failure : m.note;
    if (!extra.empty()) note = note.empty() ? extra : note + "; " + extra;
    const double ratio = !std::isnan(paired) ? paired : raw ? ratioOf(m, *raw) : kNotMeasured;
    if (raw && !std::isnan(ratio)) {
      char target[64];
      std::snprintf(target, sizeof target, "target <= %.2f, %s", kListWorkTarget, verdict(ratio));
      note = note.empty() ? target : std::string(target) + "; " + note;
    }
    std::printf("  %-40s %5d %10s %10s %12s  %s\n", m.label.c_str(), m.runs,
                Format(m.median(), "%.6f").c_str(),
                raw ? Format(raw->median(), "%.6f").c_str() : "",
                raw ? Format(ratio, "%.3f").c_str() : "", note.c_str());
  };
  auto perRow = [&](const Measure& m, double rows) {
    return Format(m.median() / rows * 1e6, "%.1f") + " us per row";
  };
  const double idRows = static_cast<double>(work.rows.ids.size());
  line(work.paint, &work.paintRaw,
       std::to_string(work.rows.updated) + " rows updated (" +
           std::to_string(work.rows.ids.size()) + " with an id" +
           (work.rows.parentEntry ? ", plus the parent entry" : "") + "), " +
           std::to_string(work.rows.perPage) + " per page; " + std::to_string(work.detailColumns) +
           " detail columns; overlay by " +
           (work.overlayInterface ? "IShellIconOverlay" : "attributes"));
  line(work.paintRaw, nullptr, perRow(work.paintRaw, idRows));
  line(work.paintRawAgain, nullptr, perRow(work.paintRawAgain, idRows));
  std::string breakdown;
  auto part = [&](const char* name, auto pick) {
    std::vector<double> values;
    for (const RawQueryTimes& t : work.rawBreakdown) values.push_back(pick(t));
    breakdown += std::string(breakdown.empty() ? "" : ", ") + name + " " +
                 Format(Median(values) / idRows * 1e6, "%.1f");
  };
  part("name", [](const RawQueryTimes& t) { return t.name; });
  part("icon", [](const RawQueryTimes& t) { return t.icon; });
  part("attributes", [](const RawQueryTimes& t) { return t.attributes; });
  for (size_t c = 0; c < work.detailColumns; ++c) {
    const std::string name = "column " + std::to_string(work.columnNumbers.at(c));
    part(name.c_str(), [c](const RawQueryTimes& t) { return t.details.at(c); });
  }
  std::printf("    raw queries, us per row (first asking): %s\n", breakdown.c_str());
  line(work.repaint, nullptr, "");
  line(work.dirwalker, &work.paintRaw, perRow(work.dirwalker, idRows));
  line(work.parentIcon, nullptr, "");
  line(work.iconOf, nullptr,
       work.iconOf.samples.empty()
           ? "the folder offers no IShellIcon"
           : perRow(work.iconOf, idRows) + (work.iconOfAgrees
                                                ? ", the same index as SHGetFileInfoW"
                                                : ", another index than SHGetFileInfoW"));
  const double furtherRows = static_cast<double>(work.furtherRows);
  line(work.furtherPaint, &work.furtherRaw,
       std::to_string(kFurtherPages) + " pages a fill, " + std::to_string(work.furtherRows) +
           " rows each");
  line(work.furtherRaw, nullptr, perRow(work.furtherRaw, furtherRows));
  line(work.furtherDirwalker, &work.furtherRaw, perRow(work.furtherDirwalker, furtherRows));
  line(work.furtherRepaint, nullptr, "");
  auto perCall = [](const Measure& m, std::uint64_t calls) {
    return Format(m.median() / static_cast<double>(calls) * 1e9, "%.0f") + " ns per call";
  };
  // What one layer adds to each comparison over the one below it.
  auto perComparison = [](const Measure& m, const Measure& below, std::uint64_t comparisons) {
    return Format((m.median() - below.median()) / static_cast<double>(comparisons) * 1e9, "%+.0f") +
           " ns per comparison";
  };
  line(work.nameSort, &work.nameRaw,
       "SortByColumn(0) twice (descending, ascending); " + std::to_string(work.nameCalls) +
           " CompareIDs calls of " + std::to_string(work.nameComparisons) + " comparisons");
  line(work.nameRaw, nullptr, perCall(work.nameRaw, work.nameCalls));
  line(work.nameFloor, &work.nameRaw,
       "LVM_SORTITEMS (served by the list), a plain callback; " +
           perComparison(work.nameFloor, work.nameRaw, work.nameComparisons) + "; ours " +
           perComparison(work.nameSort, work.nameFloor, work.nameComparisons));
  line(work.indexSearch, nullptr, "the row keeps its place; no search");
  line(work.fetchAll, nullptr,
       "before the text sort, untimed in it; " + perRow(work.fetchAll, static_cast<double>(size)));
  // The handler is called after every text comparison by contract, so the
  // comparison a text sort must make is CompareText and that call.
  const std::vector<double>& paired = work.textPairedRatios;
  const double pairedMedian = paired.empty() ? kNotMeasured : Median(paired);
  const std::string pairedRange =
      paired.empty() ? std::string("n/a")
                     : Format(*std::min_element(paired.begin(), paired.end()), "%.2f") + "-" +
                           Format(*std::max_element(paired.begin(), paired.end()), "%.2f");
  line(work.textSort, &work.textRawHandler,
       "ratio: median over " + std::to_string(paired.size()) +
           " repeats of each repeat's time over the same comparisons timed right after it (" +
           pairedRange + "); OnCompare assigned (leaves results), SortByColumn(1) twice "
           "(ascending, descending); texts fetched before timing; " +
           std::to_string(work.textCalls) + " CompareText calls, the sort's own pairs",
       pairedMedian);
  line(work.textRawHandler, nullptr, perCall(work.textRawHandler, work.textCalls));
  line(work.textRaw, nullptr,
       perCall(work.textRaw, work.textCalls) + "; the sort is " +
           Format(ratioOf(work.textSort, work.textRaw), "%.2f") + "x these");
  // Per comparison, since that sort makes its own number of them.
  auto perComparisonRatio = [&](const Measure& m, std::uint64_t comparisons) {
    const double each = m.median() / static_cast<double>(comparisons);
    const double raw = work.textRawHandler.median() / static_cast<double>(work.textCalls);
    return Format(each * 1e9, "%.0f") + " ns per comparison (" + std::to_string(comparisons) +
           "), " + Format(each / raw, "%.2f") + "x the raw one";
  };
  line(work.textPlain, nullptr,
       "no list; " + perComparisonRatio(work.textPlain, work.textPlainComparisons) +
           "; ours " + perComparisonRatio(work.textSort, work.textComparisons));
  line(work.textFloor, &work.textRaw,
       "LVM_SORTITEMS (served by the list), a plain callback; " +
           perComparison(work.textFloor, work.textRaw, work.textComparisons) + "; ours " +
           perComparison(work.textSort, work.textFloor, work.textComparisons));

  auto result = [&](const Measure& m, const Measure* raw, const std::string& extra) {
    std::printf("RESULT size=%d measure=%s runs=%zu seconds=%s", size, m.key.c_str(),
                m.samples.size(), Format(m.median(), "%.6f").c_str());
    if (raw)
      std::printf(" raw_seconds=%s ratio_to_raw=%s target_ratio=%.2f",
                  Format(raw->median(), "%.6f").c_str(), Format(ratioOf(m, *raw), "%.4f").c_str(),
                  kListWorkTarget);
    std::printf("%s\n", extra.c_str());
  };
  const std::string rows = " rows=" + std::to_string(work.rows.ids.size());
  result(work.paint, &work.paintRaw, rows);
  result(work.paintRaw, nullptr, rows);
  result(work.repaint, nullptr, rows);
  result(work.dirwalker, &work.paintRaw, rows);
  result(work.parentIcon, nullptr, "");
  result(work.iconOf, nullptr, rows);
  const std::string furtherRowCount = " rows=" + std::to_string(work.furtherRows);
  result(work.furtherPaint, &work.furtherRaw, furtherRowCount);
  result(work.furtherRaw, nullptr, furtherRowCount);
  result(work.furtherDirwalker, &work.furtherRaw, furtherRowCount);
  result(work.furtherRepaint, nullptr, furtherRowCount);
  const std::string nameCalls = " calls=" + std::to_string(work.nameCalls) +
                                " comparisons=" + std::to_string(work.nameComparisons);
  result(work.nameSort, &work.nameRaw, nameCalls);
  result(work.nameRaw, nullptr, nameCalls);
  result(work.nameFloor, &work.nameRaw, nameCalls);
  result(work.indexSearch, nullptr, " rows=" + std::to_string(size));
  result(work.fetchAll, nullptr, " rows=" + std::to_string(size));
  const std::string textCalls = " calls=" + std::to_string(work.textCalls) +
                                " comparisons=" + std::to_string(work.textComparisons);
  result(work.textSort, &work.textRawHandler,
         textCalls + " paired_ratio=" + Format(pairedMedian, "%.4f"));
  result(work.textRawHandler, nullptr, textCalls);
  result(work.textRaw, nullptr, textCalls);
  result(work.textFloor, &work.textRaw, textCalls);
  result(work.textPlain, nullptr,
         " comparisons=" + std::to_string(work.textPlainComparisons));
}
#endif

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

#ifdef WAYFOLD_BENCH_SHELL_LIST
  ListWork work;
  MeasureListWork(folder, options.runs, options.extraRuns, work);
#endif

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
#ifdef WAYFOLD_BENCH_SHELL_LIST
  PrintListWork(size, work);
#endif
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
