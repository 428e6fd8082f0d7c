#include "bench/PopulationTimers.h"

#include <shlwapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "framework/Handles.h"
#include "framework/StableSort.h"
#include "shell/list/ShellControls.h"

using Microsoft::WRL::ComPtr;

namespace bench {

Timed TimeFindFiles(const std::wstring& folder) {
  auto start = Clock::now();
  WIN32_FIND_DATAW data;
  wf::UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) Check(HRESULT_FROM_WIN32(GetLastError()), "FindFirstFileW");
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
  ForEachChild(items.Get(), [&](wf::ChildIdList) { ++count; });
  return {SecondsSince(start), count};
}

Timed TimeShellNames(const std::wstring& folder) {
  auto start = Clock::now();
  auto [shellFolder, items] = OpenFolder(folder);
  int count = 0;
  ForEachChild(items.Get(), [&](wf::ChildIdList child) {
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

ViewTimes TimeShellView(PCIDLIST_ABSOLUTE folder, int expected, double timeoutSeconds) {
  ShellViewBrowser view_browser;
  IExplorerBrowser* browser = view_browser.Get();

  ViewTimes times;
  auto start = Clock::now();
  Check(browser->BrowseToIDList(folder, SBSP_ABSOLUTE), "IExplorerBrowser::BrowseToIDList");
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

ListTimes TimeShellListPopulation(const std::wstring& folder) {
  ListHost host;
  ListTimes times;
  host.List().OnPopulated = [&](wf::TObject*) {};
  const auto start = Clock::now();
  host.List().SetPath(folder);  // the fill runs inside, up to OnPopulated
  times.seconds = SecondsSince(start);
  // The first page is drawn after the fill; it is not part of it.
  PumpPending();
  times.memoryWhileFull = SampleMemory();
  return times;
}

SortTime TimeCompareIdsSort(const FolderItems& items) {
  // The ids start in a fixed shuffled order so every run and every size
  // sorts comparable input.
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

SortTime TimeListOrderCompareIdsSort(const FolderItems& items) {
  std::vector<PCUITEMID_CHILD> order, buffer;
  order.reserve(items.children.size());
  for (const auto& child : items.children) order.push_back(child.get());
  IShellFolder* folder = items.folder.Get();
  std::uint64_t calls = 0;
  HRESULT firstFailure = S_OK;
  auto start = Clock::now();
  wf::StableSort(
      order,
      [&](PCUITEMID_CHILD a, PCUITEMID_CHILD b) {
        ++calls;
        const HRESULT hr = folder->CompareIDs(0, a, b);
        if (FAILED(hr)) {
          if (firstFailure == S_OK) firstFailure = hr;
          return 0;
        }
        return static_cast<int>(static_cast<short>(HRESULT_CODE(hr)));
      },
      buffer);
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

}  // namespace bench
