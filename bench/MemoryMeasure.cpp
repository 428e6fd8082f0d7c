#include "bench/MemoryMeasure.h"

#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/BenchFolders.h"
#include "bench/Hosting.h"
#include "bench/Memory.h"
#include "framework/Handles.h"
#include "shell/list/ShellControls.h"

using Microsoft::WRL::ComPtr;

namespace bench {
namespace {

// The platform's view of a million files would take many minutes under
// Wine and tells nothing the smaller folders do not.
constexpr int kLargestShellViewSize = 100000;

// What a child measures. Besides the two lists, the parts a row of ours is
// made of are measured alone, so that the list's own share can be told
// from the control's and the id lists'.
struct ChildKind {
  const wchar_t* name;
  const char* label;
};
constexpr ChildKind kChildKinds[] = {
    {L"ours", "our list"},
    {L"shellview", "platform shell view"},
    {L"control", "  of ours: the bare control, made as ours (a virtual list of as many rows)"},
    {L"ids", "  of ours: the child id lists alone"},
};

std::string Utf8(const wchar_t* text) {
  return ToUtf8(text);
}

// A sample with the heaps' bytes in use beside it.
struct Sampled {
  MemorySample memory;
  SIZE_T heapInUse = 0;
};

Sampled Take() {
  Sampled s;
  s.heapInUse = HeapBytesInUse();
  s.memory = SampleMemory();
  return s;
}

double PerRow(double before, double after, int rows) {
  return rows > 0 ? (after - before) / rows : kNotMeasured;
}

void PrintChildResult(const wchar_t* kind, const char* stage, int size, const Sampled& before,
                      const Sampled& after, int rows) {
  std::printf(
      "RESULT size=%d measure=memory_%s_%s heap_in_use_bytes_per_row=%s "
      "committed_private_bytes_per_row=%s\n",
      size, Utf8(kind).c_str(), stage,
      Format(
          PerRow(static_cast<double>(before.heapInUse), static_cast<double>(after.heapInUse), rows),
          "%.1f")
          .c_str(),
      Format(PerRow(static_cast<double>(before.memory.committedPrivate),
                    static_cast<double>(after.memory.committedPrivate), rows),
             "%.1f")
          .c_str());
}

void Redraw(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  PumpPending();
}

int MeasureOurList(const Options& options, int size) {
  ListHost host;
  wf::TKivShellList& list = host.List();
  list.SetPath(EmptyBenchFolderPath(options.root));
  Redraw(list.Handle());
  const Sampled empty = Take();
  const int emptyRows = list.Items().Count();

  // Where the fill's memory goes: its columns made (the folder bound, the
  // enumeration not begun) and its rows in place, sorted.
  std::optional<Sampled> columnsMade, populated;
  list.OnCreateColumns = [&](wf::TObject*) { columnsMade = Take(); };
  list.OnPopulated = [&](wf::TObject*) { populated = Take(); };
  list.SetPath(BenchFolderPath(options.root, size));
  list.OnCreateColumns = nullptr;
  list.OnPopulated = nullptr;
  PumpPendingExceptPaint();
  const Sampled filled = Take();
  const int rows = list.Items().Count() - emptyRows;
  Redraw(list.Handle());
  const Sampled drawn = Take();
  if (rows != size) std::printf("  our list showed %d rows, expected %d\n", rows, size);
  if (columnsMade && populated) {
    PrintChildResult(L"ours", "to_columns", size, empty, *columnsMade, rows);
    PrintChildResult(L"ours", "columns_to_populated", size, *columnsMade, *populated, rows);
    PrintChildResult(L"ours", "populated_to_filled", size, *populated, filled, rows);
  }
  PrintChildResult(L"ours", "undrawn", size, empty, filled, rows);
  PrintChildResult(L"ours", "drawn", size, empty, drawn, rows);
  return 0;
}

// Browses and waits until the view holds at least `expected` items, then
// until its queue is drained (the first page painted).
void BrowseAndWait(IExplorerBrowser* browser, PCIDLIST_ABSOLUTE folder, int expected,
                   double timeoutSeconds) {
  const auto start = Clock::now();
  Check(browser->BrowseToIDList(folder, SBSP_ABSOLUTE), "IExplorerBrowser::BrowseToIDList");
  for (;;) {
    ComPtr<IShellView> view;
    ComPtr<IFolderView> folderView;
    int count = -1;
    if (SUCCEEDED(browser->GetCurrentView(IID_PPV_ARGS(&view))) &&
        SUCCEEDED(view.As(&folderView)) &&
        SUCCEEDED(folderView->ItemCount(SVGIO_ALLVIEW, &count)) && count >= expected)
      break;
    if (SecondsSince(start) > timeoutSeconds)
      throw BenchError("the shell view showed " + std::to_string(count) + " of " +
                       std::to_string(expected) + " items in time");
    if (!PumpPending()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  while (PumpPending() && SecondsSince(start) <= timeoutSeconds) {
  }
}

int MeasureShellView(const Options& options, int size) {
  auto desktop = Desktop();
  const wf::AbsoluteIdList empty = ParseFolder(desktop.Get(), EmptyBenchFolderPath(options.root));
  const wf::AbsoluteIdList full = ParseFolder(desktop.Get(), BenchFolderPath(options.root, size));
  ShellViewBrowser view_browser;
  IExplorerBrowser* browser = view_browser.Get();

  BrowseAndWait(browser, empty.get(), 0, options.viewTimeoutSeconds);
  const Sampled before = Take();
  BrowseAndWait(browser, full.get(), size, options.viewTimeoutSeconds);
  const Sampled drawn = Take();
  PrintChildResult(L"shellview", "drawn", size, before, drawn, size);
  return 0;
}

// The platform's list view alone, made as ours is: a virtual list that holds
// no rows, told how many it shows.
int MeasureBareControl(int size) {
  wf::UniqueWindow host = CreateViewHost();
  const Sampled before = Take();
  const wf::UniqueWindow list = CreateBareVirtualList(host.get(), size);
  PumpPending();
  const Sampled after = Take();
  const int rows = static_cast<int>(SendMessageW(list.get(), LVM_GETITEMCOUNT, 0, 0));
  PrintChildResult(L"control", "undrawn", size, before, after, rows);
  return 0;
}

// The ids the enumeration hands out, kept as a list keeps them.
int MeasureIds(const Options& options, int size) {
  // Before the folder is opened: the enumeration may gather its ids then.
  const Sampled before = Take();
  auto [folder, items] = OpenFolder(BenchFolderPath(options.root, size));
  std::vector<wf::ChildIdList> ids;
  ForEachChild(items.Get(), [&](wf::ChildIdList id) { ids.push_back(std::move(id)); });
  items.Reset();
  std::vector<wf::ChildIdList>(std::make_move_iterator(ids.begin()),
                               std::make_move_iterator(ids.end()))
      .swap(ids);
  const Sampled after = Take();
  const int rows = static_cast<int>(ids.size());
  double idBytes = 0;
  for (const auto& id : ids)
    idBytes += wf::IdListSize(reinterpret_cast<PCUIDLIST_RELATIVE>(id.get()));
  PrintChildResult(L"ids", "undrawn", size, before, after, rows);
  std::printf("RESULT size=%d measure=memory_id_list_bytes average=%s\n", size,
              Format(rows ? idBytes / rows : kNotMeasured, "%.1f").c_str());
  return 0;
}

std::wstring ThisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw BenchError("GetModuleFileNameW failed");
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// Starts the benchmark again for one kind and size, passes its output on,
// and answers the figures of its RESULT lines by measure name.
std::map<std::string, double> RunChild(const Options& options, const wchar_t* kind, int size) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readRaw = nullptr, writeRaw = nullptr;
  CheckWin32(CreatePipe(&readRaw, &writeRaw, &inherit, 0), "CreatePipe");
  wf::UniqueHandle readEnd(readRaw), writeEnd(writeRaw);
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  std::wstring command = L"\"" + ThisProgram() + L"\" --memory-child " + kind + L" --sizes " +
                         std::to_wstring(size) + L" --root \"" + options.root +
                         L"\" --view-timeout " +
                         std::to_wstring(static_cast<int>(options.viewTimeoutSeconds));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  PROCESS_INFORMATION process{};
  CheckWin32(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process),
             "CreateProcessW");
  wf::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  writeEnd.reset();

  std::string output;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
    output.append(buffer, read);
  WaitForSingleObject(processHandle.get(), INFINITE);

  std::map<std::string, double> figures;
  size_t pos = 0;
  while (pos < output.size()) {
    size_t end = output.find('\n', pos);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::printf("  %s\n", line.c_str());
    const size_t measure = line.find(" measure=");
    if (line.rfind("RESULT ", 0) != 0 || measure == std::string::npos) continue;
    const size_t nameStart = measure + std::strlen(" measure=");
    size_t token = line.find(' ', nameStart);
    const std::string name = line.substr(nameStart, token - nameStart);
    // Every "key=value" after the name, as name/key.
    while (token != std::string::npos) {
      const size_t start = token + 1;
      token = line.find(' ', start);
      const std::string pair =
          line.substr(start, token == std::string::npos ? token : token - start);
      const size_t equals = pair.find('=');
      if (equals != std::string::npos)
        figures[name + "/" + pair.substr(0, equals)] = std::atof(pair.c_str() + equals + 1);
    }
  }
  std::fflush(stdout);
  return figures;
}

double Figure(const std::map<std::string, double>& figures, const std::string& name) {
  auto it = figures.find(name);
  return it == figures.end() ? kNotMeasured : it->second;
}

void EnsureEmptyFolder(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw BenchError("cannot make " + ToUtf8(path));
  WIN32_FIND_DATAW data;
  wf::UniqueFindHandle find(FindFirstFileW((path + L"\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..")
      throw BenchError(ToUtf8(path) + " is not empty: the baseline needs an empty folder");
  } while (FindNextFileW(find.get(), &data));
}

}  // namespace

std::wstring EmptyBenchFolderPath(const std::wstring& root) {
  return root + L"\\empty";
}

void RunMemoryMeasure(const Options& options) {
  std::printf(
      "\n== committed private bytes per row, each list in a fresh process, over an empty "
      "folder ==\n");
  try {
    EnsureEmptyFolder(EmptyBenchFolderPath(options.root));
  } catch (const std::exception& e) {
    std::printf("  not measured: %s\n", e.what());
    return;
  }
  for (int size : options.sizes) {
    const std::string problem = CheckBenchFolder(BenchFolderPath(options.root, size), size);
    if (!problem.empty()) {
      std::printf("  %d files: the folder is not ready: %s\n", size, problem.c_str());
      continue;
    }
    std::printf("\n  -- %d files --\n", size);
    std::map<std::string, double> figures;
    for (const ChildKind& kind : kChildKinds) {
      if (std::wstring(kind.name) == L"shellview" && size > kLargestShellViewSize) {
        std::printf("  %s: not measured above %d files\n", kind.label, kLargestShellViewSize);
        continue;
      }
      for (const auto& [name, value] : RunChild(options, kind.name, size)) figures[name] = value;
    }
    auto committed = [&](const char* name) {
      return Figure(figures, std::string(name) + "/committed_private_bytes_per_row");
    };
    auto inUse = [&](const char* name) {
      return Figure(figures, std::string(name) + "/heap_in_use_bytes_per_row");
    };
    const double ours = committed("memory_ours_drawn");
    const double oursUndrawn = committed("memory_ours_undrawn");
    const double view = committed("memory_shellview_drawn");
    std::printf(
        "  committed private bytes per row: ours %s first page drawn, %s no row drawn; shell "
        "view %s\n"
        "  heap bytes in use per row: ours %s drawn, %s undrawn; shell view %s; of ours: the "
        "bare control %s, the id lists %s, the rest (our rows and records, what the fill "
        "keeps) %s\n",
        Format(ours, "%.0f").c_str(), Format(oursUndrawn, "%.0f").c_str(),
        Format(view, "%.0f").c_str(), Format(inUse("memory_ours_drawn"), "%.0f").c_str(),
        Format(inUse("memory_ours_undrawn"), "%.0f").c_str(),
        Format(inUse("memory_shellview_drawn"), "%.0f").c_str(),
        Format(inUse("memory_control_undrawn"), "%.0f").c_str(),
        Format(inUse("memory_ids_undrawn"), "%.0f").c_str(),
        Format(inUse("memory_ours_undrawn") - inUse("memory_control_undrawn") -
                   inUse("memory_ids_undrawn"),
               "%.0f")
            .c_str());
    std::printf("  targets (committed): ours <= shell view: %s (%s x); no row drawn <= 600: %s\n",
                std::isnan(view) ? "n/a" : (ours <= view ? "met" : "missed"),
                Format(ours / view, "%.2f").c_str(), oursUndrawn <= 600 ? "met" : "missed");
    std::printf(
        "RESULT size=%d measure=memory_per_row ours=%s ours_undrawn=%s shellview=%s "
        "ratio_to_shellview=%s\n",
        size, Format(ours, "%.1f").c_str(), Format(oursUndrawn, "%.1f").c_str(),
        Format(view, "%.1f").c_str(), Format(ours / view, "%.3f").c_str());
    std::fflush(stdout);
  }
}

int RunMemoryChild(const Options& options) {
  const int size = options.sizes.front();
  const std::wstring& kind = options.memoryChild;
  if (kind == L"ours") return MeasureOurList(options, size);
  if (kind == L"shellview") return MeasureShellView(options, size);
  if (kind == L"control") return MeasureBareControl(size);
  if (kind == L"ids") return MeasureIds(options, size);
  std::printf("population_bench: no memory measure %s\n", ToUtf8(kind).c_str());
  return 2;
}

}  // namespace bench
