#pragma once

#include <windows.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>

#include "framework/Handles.h"

namespace wf::test {

// The Linux name of a Windows path under Wine; empty elsewhere.
inline std::wstring HostName(const std::wstring& path) {
  using UnixNameFunction = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unix_name ? unix_name(path.c_str()) : nullptr;
  if (!name) return {};
  std::wstring host;
  for (const char* c = name; *c; ++c) host += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  HeapFree(GetProcessHeap(), 0, name);
  return host;
}

// Starts a Linux program under Wine. Wine's handle of a Linux process tells
// neither when it ends nor how: the caller waits for what it does. The
// test's folders have plain ASCII names without spaces.
inline bool StartHostCommand(std::wstring command) {
  STARTUPINFOW startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  UniqueHandle process_handle(process.hProcess);
  UniqueHandle thread_handle(process.hThread);
  return true;
}

// Removes an empty folder as its file system sees it. Wine keeps a folder
// that a Windows program removes until its last handle closes, and reports
// nothing before: there, only a removal from Linux, which is also how the
// host's own programs remove it, reaches the watch. The watch's report is
// what the test waits for. On Windows the watch's read ends when the
// removal is asked.
inline bool StartRemovingFolder(const std::wstring& folder) {
  const std::wstring host = HostName(folder);
  if (host.empty()) return RemoveDirectoryW(folder.c_str()) != FALSE;
  return StartHostCommand(L"/bin/rmdir " + host);
}

// Makes empty files of these names in `folder` from Linux, where names that
// differ only in case are different files, as on a case-sensitive drive:
// Windows programs under Wine open one for the other. True once the folder
// shows them all, within five seconds.
inline bool MakeHostFiles(const std::wstring& folder, std::initializer_list<std::wstring> names) {
  const std::wstring host = HostName(folder);
  if (host.empty()) return false;
  std::wstring command = L"/usr/bin/touch";
  for (const std::wstring& name : names) command += L" " + host + L"/" + name;
  if (!StartHostCommand(command)) return false;
  const auto shows_all = [&] {
    size_t found = 0;
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    for (bool more = !!find; more; more = FindNextFileW(find.get(), &data))
      for (const std::wstring& name : names) found += name == data.cFileName;
    return found == names.size();
  };
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!shows_all()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace wf::test
