#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "framework/Handles.h"

namespace wf::test {

// A document type ".<extension>" whose open command leaves
// "<document>.opened" beside the document, so that opening can be seen from
// the test, whichever process opened it. Wine's shell reads types from the
// machine's classes only, not the user's.
class MarkerDocumentType {
 public:
  explicit MarkerDocumentType(std::wstring extension)
      : extension_key_(L"." + extension), type_key_(extension + L"file") {
    SetKey(extension_key_, type_key_);
    SetKey(type_key_ + L"\\shell\\open\\command", L"cmd /c echo opened> \"%1.opened\"");
  }
  ~MarkerDocumentType() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, extension_key_.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, type_key_.c_str());
  }
  MarkerDocumentType(const MarkerDocumentType&) = delete;
  MarkerDocumentType& operator=(const MarkerDocumentType&) = delete;

 private:
  static void SetKey(const std::wstring& key, const std::wstring& value) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &opened, nullptr),
              ERROR_SUCCESS);
    const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)> handle(opened,
                                                                                      &RegCloseKey);
    RegSetValueExW(handle.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

  std::wstring extension_key_;
  std::wstring type_key_;
};

// Waits for a file that another process writes, until the writer has
// closed it (it opens with no sharing); false after thirty seconds. A file
// still open when the test ends could not be removed, nor its folder.
inline bool MarkerAppears(const std::wstring& path) {
  for (int i = 0; i < 3000; ++i) {
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return true;
    Sleep(10);
  }
  return false;
}

}  // namespace wf::test
