// Looks at a running Wayfold from outside, for the run script:
//   wayfold_probe wait-filled [timeout-ms]  waits until the list shows rows
//   wayfold_probe close [timeout-ms]        closes the window and waits for it to go
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kFormClass[] = L"TfrmMain_Wayfold";
constexpr wchar_t kListClass[] = L"TKivShellList";

int RowCount(HWND form) {
  HWND list = FindWindowExW(form, nullptr, kListClass, nullptr);
  if (!list) return -1;
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count)) return -1;
  return static_cast<int>(count);
}

int WaitFilled(DWORD timeout) {
  const DWORD start = GetTickCount();
  int last = -1;
  DWORD stable_since = 0;
  while (GetTickCount() - start < timeout) {
    HWND form = FindWindowW(kFormClass, nullptr);
    const int rows = form && IsWindowVisible(form) ? RowCount(form) : -1;
    if (rows > 0 && rows == last) {
      // The list fills in one go; a count that holds for a moment is final.
      if (GetTickCount() - stable_since > 300) {
        std::printf("rows: %d\n", rows);
        return 0;
      }
    } else {
      last = rows;
      stable_since = GetTickCount();
    }
    Sleep(50);
  }
  std::fprintf(stderr, "Wayfold's list did not fill within %lu ms\n", timeout);
  return 1;
}

int Close(DWORD timeout) {
  HWND form = FindWindowW(kFormClass, nullptr);
  if (!form) return 0;
  PostMessageW(form, WM_CLOSE, 0, 0);
  const DWORD start = GetTickCount();
  while (IsWindow(form)) {
    if (GetTickCount() - start > timeout) {
      std::fprintf(stderr, "Wayfold did not close within %lu ms\n", timeout);
      return 1;
    }
    Sleep(50);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: wayfold_probe wait-filled|close [timeout-ms]\n");
    return 2;
  }
  const DWORD timeout = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 30000;
  const std::wstring command = argv[1];
  if (command == L"wait-filled") return WaitFilled(timeout);
  if (command == L"close") return Close(timeout);
  std::fprintf(stderr, "unknown command\n");
  return 2;
}
