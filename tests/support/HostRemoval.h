#pragma once

#include <windows.h>

#include <string>

#include "framework/Handles.h"

namespace wf::test {

// Removes an empty folder as its file system sees it. Wine keeps a folder
// that a Windows program removes until its last handle closes, and reports
// nothing before: there, only a removal from Linux, which is also how the
// host's own programs remove it, reaches the watch. Wine's handle of a Linux
// process tells neither when it ends nor how: the watch's report is what the
// test waits for. On Windows the watch's read ends when the removal is asked.
inline bool StartRemovingFolder(const std::wstring& folder) {
  using UnixNameFunction = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_name) return RemoveDirectoryW(folder.c_str()) != FALSE;
  char* name = unix_name(folder.c_str());
  if (!name) return false;
  // The test's folders have plain ASCII names without spaces.
  std::wstring command = L"/bin/rmdir ";
  for (const char* c = name; *c; ++c)
    command += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  HeapFree(GetProcessHeap(), 0, name);
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

}  // namespace wf::test
