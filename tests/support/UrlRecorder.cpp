// Stands in for a browser in the tests: writes the address it was asked to
// open (its first argument) to the file that WAYFOLD_URL_RECORD names.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "framework/Handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t record[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"WAYFOLD_URL_RECORD", record, MAX_PATH)) return 1;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 2) return 1;
  const std::wstring address = args[1];
  LocalFree(args);
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, address.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, address.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  // Written under another name first, so the test never reads half of it.
  const std::wstring partial = std::wstring(record) + L".part";
  {
    const wf::UniqueFile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      return 1;
  }
  return MoveFileW(partial.c_str(), record) ? 0 : 1;
}
