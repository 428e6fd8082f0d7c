#include "bench/ClipboardMeasure.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/BenchFolders.h"
#include "bench/Hosting.h"
#include "bench/RatioReport.h"
#include "shell/list/ShellControls.h"
#include "tests/support/HeldKeys.h"

using Microsoft::WRL::ComPtr;

namespace bench {
namespace {

// Wine's clipboard manager, another process, may hold the clipboard open
// for a moment after it changes.
constexpr double kClipboardOpenTimeoutSeconds = 5;
constexpr UINT kAllFiles = 0xFFFFFFFF;

class OpenedClipboard {
 public:
  OpenedClipboard() {
    const auto start = Clock::now();
    while (!OpenClipboard(nullptr)) {
      if (SecondsSince(start) > kClipboardOpenTimeoutSeconds) CheckWin32(FALSE, "OpenClipboard");
      Sleep(1);
    }
  }
  ~OpenedClipboard() { CloseClipboard(); }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

// Nothing of an earlier copy may answer for the next one.
void EmptyTheClipboard() {
  Check(OleSetClipboard(nullptr), "OleSetClipboard");
  OpenedClipboard open;
  CheckWin32(EmptyClipboard(), "EmptyClipboard");
}

// How many files the clipboard's file list names, 0 without one; with
// `names`, their paths too. The shell's copy renders the list only when it
// is asked for, so the first call includes making it.
size_t ClipboardFileCount(std::vector<std::wstring>* names) {
  OpenedClipboard open;
  auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
  if (!drop) return 0;
  const UINT count = DragQueryFileW(drop, kAllFiles, nullptr, 0);
  if (names) {
    names->clear();
    for (UINT i = 0; i < count; ++i) {
      const UINT length = DragQueryFileW(drop, i, nullptr, 0);
      std::wstring name(length + 1, L'\0');
      DragQueryFileW(drop, i, name.data(), length + 1);
      name.resize(length);
      names->push_back(std::move(name));
    }
  }
  return count;
}

// The clipboard must name exactly the folder's files.
void CheckClipboardNames(const std::vector<std::wstring>& expected, const char* who) {
  std::vector<std::wstring> names;
  ClipboardFileCount(&names);
  std::sort(names.begin(), names.end());
  if (names.size() != expected.size())
    throw BenchError(std::string(who) + " put " + std::to_string(names.size()) +
                     " files on the clipboard, not " + std::to_string(expected.size()));
  auto [theirs, ours] = std::mismatch(names.begin(), names.end(), expected.begin());
  if (theirs != names.end())
    throw BenchError(std::string(who) + " put " + ToUtf8(*theirs) + " on the clipboard, not " +
                     ToUtf8(*ours));
}

void CopyThroughList(wf::TKivShellList& list, const std::vector<std::wstring>& expected,
                     ClipboardReport& r) {
  list.ClearSelection();
  EmptyTheClipboard();
  PumpPending();
  const HWND window = list.Handle();
  const auto start = Clock::now();
  double selected = 0, copied = 0;
  {
    wf::test::HeldKeys ctrl{VK_CONTROL};
    SendMessageW(window, WM_KEYDOWN, 'A', 1);
    selected = SecondsSince(start);
    SendMessageW(window, WM_KEYDOWN, 'C', 1);
    copied = SecondsSince(start);
  }
  r.listFiles = ClipboardFileCount(nullptr);
  const double total = SecondsSince(start);
  if (list.SelCount() != list.Items().Count())
    throw BenchError("Ctrl+A selected " + std::to_string(list.SelCount()) + " of " +
                     std::to_string(list.Items().Count()) + " rows");
  CheckClipboardNames(expected, "our list");
  r.list.Add(total);
  r.select.Add(selected);
  r.copy.Add(copied - selected);
  r.read.Add(total - copied);
}

// What selecting every row costs the platform's list view alone, made as
// ours is (a virtual list of as many rows, drawing held while it selects).
double SelectAllInBareList(int rows) {
  wf::UniqueWindow host = CreateViewHost();
  const wf::UniqueWindow bare = CreateBareVirtualList(host.get(), rows);
  UpdateWindow(bare.get());
  PumpPending();
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  const auto start = Clock::now();
  SendMessageW(bare.get(), WM_SETREDRAW, FALSE, 0);
  SendMessageW(bare.get(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&state));
  SendMessageW(bare.get(), WM_SETREDRAW, TRUE, 0);
  const double seconds = SecondsSince(start);
  if (SendMessageW(bare.get(), LVM_GETSELECTEDCOUNT, 0, 0) != rows)
    throw BenchError("the bare list did not select every row");
  PumpPending();
  return seconds;
}

// The steps of Ctrl+C through public calls, and what selecting every row
// costs a plain list view, for where the time goes.
void TimeCopySteps(wf::TKivShellList& list, ClipboardReport& r) {
  list.ClearSelection();
  list.SelectAll();
  PumpPending();
  auto start = Clock::now();
  const std::vector<std::wstring> names = list.SelectedNames().Items();
  r.names.Add(SecondsSince(start));
  start = Clock::now();
  wf::TDirwalker& walker = list.Dirwalker();
  walker.MultiObjects().Assign(names);
  ComPtr<IContextMenu> menu = walker.GetUIObject<IContextMenu>();
  r.uiObject.Add(SecondsSince(start));
  if (!menu) throw BenchError("TDirwalker::GetUIObject gave no context menu");

  r.selectBare.Add(SelectAllInBareList(list.Items().Count()));
}

void CopyRaw(const FolderItems& items, const std::vector<std::wstring>& expected,
             ClipboardReport& r) {
  std::vector<PCUITEMID_CHILD> ids;
  ids.reserve(items.children.size());
  for (const wf::ChildIdList& child : items.children) ids.push_back(child.get());
  EmptyTheClipboard();
  PumpPending();
  const auto start = Clock::now();
  ComPtr<IContextMenu> menu;
  Check(items.folder->GetUIObjectOf(nullptr, static_cast<UINT>(ids.size()), ids.data(),
                                    IID_IContextMenu, nullptr,
                                    reinterpret_cast<void**>(menu.GetAddressOf())),
        "IShellFolder::GetUIObjectOf(IContextMenu)");
  const double made = SecondsSince(start);
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.lpVerb = "copy";
  info.nShow = SW_SHOWNORMAL;
  Check(menu->InvokeCommand(&info), "IContextMenu::InvokeCommand(copy)");
  const double invoked = SecondsSince(start);
  r.rawFiles = ClipboardFileCount(nullptr);
  const double total = SecondsSince(start);
  CheckClipboardNames(expected, "the raw copy");
  // What the menu's making costs, which a verb run through the folder object
  // asks before invoking: apart, since the raw copy does without it.
  ComPtr<IContextMenu> again;
  Check(items.folder->GetUIObjectOf(nullptr, static_cast<UINT>(ids.size()), ids.data(),
                                    IID_IContextMenu, nullptr,
                                    reinterpret_cast<void**>(again.GetAddressOf())),
        "IShellFolder::GetUIObjectOf(IContextMenu)");
  const wf::UniqueMenu popup(CreatePopupMenu());
  const auto queried = Clock::now();
  again->QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_EXPLORE);
  r.rawQuery.Add(SecondsSince(queried));
  r.raw.Add(total);
  r.rawMenu.Add(made);
  r.rawInvoke.Add(invoked - made);
  r.rawRead.Add(total - invoked);
}

}  // namespace

ClipboardReport MeasureClipboard(const std::wstring& folder, int size, int runs) {
  ClipboardReport report;
  if (runs <= 0) {
    report.list.failure = report.raw.failure = "skipped (--extra-runs 0)";
    return report;
  }
  std::vector<std::wstring> expected;
  for (const BenchFile& file : BenchFolderFiles(size))
    expected.push_back(folder + L"\\" + file.name);
  std::sort(expected.begin(), expected.end());
  try {
    ListHost host;
    wf::TKivShellList& list = host.List();
    list.SetPath(folder);
    PumpPending();
    const FolderItems items = LoadFolderItems(folder);
    for (int run = 0; run < runs; ++run) {
      if (report.list.failure.empty()) try {
          CopyThroughList(list, expected, report);
          TimeCopySteps(list, report);
        } catch (const std::exception& e) {
          report.list.failure = e.what();
        }
      if (report.raw.failure.empty()) try {
          CopyRaw(items, expected, report);
        } catch (const std::exception& e) {
          report.raw.failure = e.what();
        }
      if (report.selectBare.samples.size() == report.raw.samples.size() &&
          !report.raw.samples.empty())
        report.floor.Add(report.selectBare.samples.back() + report.raw.samples.back());
    }
    EmptyTheClipboard();
  } catch (const std::exception& e) {
    report.list.failure = e.what();
  }
  return report;
}

void PrintClipboard(int size, const ClipboardReport& r) {
  PrintRatioHeader("a whole folder copied to the clipboard: our list against the shell's copy",
                   kClipboardTarget);
  const std::string files = std::to_string(r.listFiles) + " files on the clipboard";
  PrintRatioLine(r.list, &r.raw, kClipboardTarget, files + ", checked by name");
  PrintRatioLine(r.select, nullptr, kClipboardTarget, "LVM_SETITEMSTATE on every row");
  PrintRatioLine(r.copy, nullptr, kClipboardTarget, "the selection's names to the \"copy\" verb");
  PrintRatioLine(r.read, nullptr, kClipboardTarget, "CF_HDROP rendered and counted");
  PrintRatioLine(r.selectBare, nullptr, kClipboardTarget,
                 "LVM_SETITEMSTATE(-1) in the platform's virtual list alone");
  PrintRatioLine(r.list, &r.floor, kClipboardTarget,
                 "ours against the floor: bare select-all, then the raw copy");
  PrintRatioLine(r.names, nullptr, kClipboardTarget, "");
  PrintRatioLine(r.uiObject, nullptr, kClipboardTarget,
                 "TDirwalker::GetUIObject given names alone: each parsed back to its id");
  PrintRatioLine(r.raw, nullptr, kClipboardTarget,
                 std::to_string(r.rawFiles) + " files on the clipboard, checked by name");
  PrintRatioLine(r.rawMenu, nullptr, kClipboardTarget, "");
  PrintRatioLine(r.rawInvoke, nullptr, kClipboardTarget, "");
  PrintRatioLine(r.rawRead, nullptr, kClipboardTarget, "CF_HDROP rendered and counted");
  PrintRatioLine(r.rawQuery, nullptr, kClipboardTarget,
                 "QueryContextMenu(CMF_EXPLORE) of the same menu, which our verb asks first");
  const std::string counts =
      " files=" + std::to_string(r.listFiles) + " raw_files=" + std::to_string(r.rawFiles);
  PrintRatioResult(size, r.list, &r.raw, kClipboardTarget, counts);
  for (const Measure* m : {&r.select, &r.copy, &r.read, &r.selectBare, &r.floor, &r.names,
                           &r.uiObject, &r.raw, &r.rawMenu, &r.rawInvoke, &r.rawRead, &r.rawQuery})
    PrintRatioResult(size, *m, nullptr, kClipboardTarget, "");
}

}  // namespace bench
