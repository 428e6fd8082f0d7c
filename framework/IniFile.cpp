#include "framework/IniFile.h"

#include <windows.h>

#include <fstream>
#include <vector>

#include "framework/Handles.h"
#include "framework/Strings.h"

namespace wf {
namespace {

// Lists the names of a section (or the sections when section is null).
std::vector<std::wstring> ReadNames(const wchar_t* section, const std::wstring& file) {
  std::vector<wchar_t> buffer(4096);
  for (;;) {
    const DWORD n = GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
    if (n < buffer.size() - 2) {
      std::vector<std::wstring> names;
      for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) names.emplace_back(p);
      return names;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool FitsAnsiCodePage(const std::wstring& text) {
  if (text.empty()) return true;
  BOOL used_default = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                      nullptr, 0, nullptr, &used_default);
  return !used_default;
}

std::vector<char> ReadAll(const std::wstring& file) {
  UniqueFile h(
      CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h) return {};
  LARGE_INTEGER size{};
  GetFileSizeEx(h.get(), &size);
  std::vector<char> data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!data.empty())
    ReadFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  data.resize(read);
  return data;
}

bool WriteAll(const std::wstring& file, const void* data, size_t size) {
  UniqueFile h(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  DWORD written = 0;
  return WriteFile(h.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

}  // namespace

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& fallback) const {
  std::vector<wchar_t> buffer(2048);
  for (;;) {
    const DWORD n =
        GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                 static_cast<DWORD>(buffer.size()), file_name_.c_str());
    if (n < buffer.size() - 1) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

int TIniFile::ReadInteger(const std::wstring& section, const std::wstring& key,
                          int fallback) const {
  const std::wstring text = ReadString(section, key, L"");
  return text.empty() ? fallback : StrToIntDef(text, fallback);
}

bool TIniFile::ValueExists(const std::wstring& section, const std::wstring& key) const {
  for (const auto& name : ReadNames(section.c_str(), file_name_))
    if (SameText(name, key)) return true;
  return false;
}

bool TIniFile::SectionExists(const std::wstring& section) const {
  for (const auto& name : ReadNames(nullptr, file_name_))
    if (SameText(name, section)) return true;
  return false;
}

// The platform keeps a file in the encoding it finds. A value that the ANSI
// code page cannot hold (a folder with a Greek or Japanese name) would be
// written as question marks, so such a file is turned into UTF-16 first,
// keeping every section and key it had.
void TIniFile::PrepareForText(const std::wstring& text_to_write) {
  if (FitsAnsiCodePage(text_to_write)) return;
  const std::vector<char> data = ReadAll(file_name_);
  if (data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF &&
      static_cast<unsigned char>(data[1]) == 0xFE)
    return;  // already UTF-16
  std::wstring text;
  if (!data.empty()) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, data.data(), static_cast<int>(data.size()), nullptr, 0);
    text.resize(n);
    MultiByteToWideChar(CP_ACP, 0, data.data(), static_cast<int>(data.size()), text.data(), n);
  }
  text.insert(text.begin(), wchar_t{0xFEFF});
  WriteAll(file_name_, text.data(), text.size() * sizeof(wchar_t));
}

bool TIniFile::WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) {
  // Section and key names are written as text too.
  PrepareForText(section + key + value);
  return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                    file_name_.c_str()) != 0;
}

bool TIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int value) {
  return WriteString(section, key, IntToStr(value));
}

}  // namespace wf
