#pragma once

// A Wayfold process started from a copy of the executable, with a settings
// file of the test's own beside it, looked at from outside.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/IniFile.h"
#include "tests/support/TempFolder.h"

namespace wf::test {

inline constexpr wchar_t kFormClass[] = L"TfrmMain_Wayfold";
inline constexpr wchar_t kListClass[] = L"TKivShellList";
inline constexpr DWORD kTimeoutMs = 30000;

// The build gives the executable's host path; under Wine the host's root is Z:.
inline std::wstring BuiltExecutable() {
  std::wstring path = L"" WAYFOLD_EXE;
  if (!path.empty() && path[0] == L'/') {
    for (auto& c : path)
      if (c == L'/') c = L'\\';
    path = L"Z:" + path;
  }
  return path;
}

struct WindowSearch {
  DWORD process_id;
  const wchar_t* class_name;
  HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (pid == search->process_id && wcscmp(name, search->class_name) == 0 && IsWindowVisible(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A Wayfold process started from a copy of the executable in a folder of
// its own, so that its settings file is the test's.
class WayfoldProcess {
 public:
  explicit WayfoldProcess(const std::wstring& folder) : exe_(folder + L"Wayfold.exe") {
    EXPECT_TRUE(CopyFileW(BuiltExecutable().c_str(), exe_.c_str(), FALSE)) << GetLastError();
  }
  ~WayfoldProcess() {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  bool Start() {
    STARTUPINFOW si{sizeof(si)};
    std::wstring command = L"\"" + exe_ + L"\"";
    return CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &process_);
  }

  HWND WaitForWindow(const wchar_t* class_name) const {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kTimeoutMs) {
      WindowSearch search{process_.dwProcessId, class_name, nullptr};
      EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found) return search.found;
      if (WaitForSingleObject(process_.hProcess, 50) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
  }

  // The list's row count once it has held still for a moment.
  static int SettledRowCount(HWND form) {
    HWND list = FindWindowExW(form, nullptr, kListClass, nullptr);
    if (!list) return -1;
    int last = -1;
    for (int stable = 0, round = 0; stable < 4 && round < 200; ++round) {
      const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
      stable = rows == last ? stable + 1 : 0;
      last = rows;
      Sleep(50);
    }
    return last;
  }

  bool CloseAndWait(HWND form) const {
    PostMessageW(form, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.hProcess, kTimeoutMs) == WAIT_OBJECT_0;
  }

  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  const std::wstring& Executable() const { return exe_; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  HANDLE Handle() const { return process_.hProcess; }

 private:
  std::wstring exe_;
  PROCESS_INFORMATION process_{};
};

inline std::wstring Settings(const TempFolder& folder) {
  return folder.Path() + L"Wayfold.ini";
}

// The root folder a started Wayfold is to show.
inline void WriteRootFolder(const TempFolder& home, const std::wstring& root) {
  TIniFile ini(Settings(home));
  ini.WriteString(L"Folder", L"RootFolder", root);
}

}  // namespace wf::test
