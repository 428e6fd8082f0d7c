// The settings file: reading and writing sections and keys, in the
// encoding the file was written in.
#include "framework/IniFile.h"

#include <windows.h>

#include <optional>
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

bool IsUtf16(const std::vector<char>& data) {
  return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF &&
         static_cast<unsigned char>(data[1]) == 0xFE;
}

// The file's bytes; none when it is there but cannot be read, with the
// platform's reason in GetLastError. A file that is not there yet reads as
// empty: the write makes it.
std::optional<std::vector<char>> ReadAll(const std::wstring& file) {
  UniqueFile h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  if (!h) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<char>{};
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h.get(), &size)) return std::nullopt;
  std::vector<char> data(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!data.empty() &&
      !ReadFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr))
    return std::nullopt;
  data.resize(read);
  return data;
}

bool WriteAll(const std::wstring& file, const std::vector<char>& data) {
  UniqueFile h(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  DWORD written = 0;
  if (data.empty()) return true;
  if (!WriteFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr))
    return false;
  if (written == data.size()) return true;
  SetLastError(ERROR_WRITE_FAULT);
  return false;
}

// The platform keeps a file in the encoding it finds. A value that the ANSI
// code page cannot hold (a folder with a Greek or Japanese name) would be
// written as question marks, so such a file is turned into UTF-16 first,
// keeping every section and key it had.
std::vector<char> InEncodingFor(std::vector<char> data, const std::wstring& text_to_write) {
  if (FitsAnsiCodePage(text_to_write) || IsUtf16(data)) return data;
  std::wstring text;
  if (!data.empty()) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, data.data(), static_cast<int>(data.size()), nullptr, 0);
    text.resize(n);
    MultiByteToWideChar(CP_ACP, 0, data.data(), static_cast<int>(data.size()), text.data(), n);
  }
  text.insert(text.begin(), wchar_t{0xFEFF});
  const auto* bytes = reinterpret_cast<const char*>(text.data());
  return std::vector<char>(bytes, bytes + text.size() * sizeof(wchar_t));
}

// A file of a name of its own in the settings' folder, where the write
// happens; it goes away unless it took the settings' place.
class Replacement {
 public:
  explicit Replacement(const std::wstring& file) {
    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(ExtractFilePath(file).c_str(), L"wfs", 0, name)) name_ = name;
  }
  ~Replacement() {
    if (!name_.empty()) DeleteFileW(name_.c_str());
  }
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  bool Made() const { return !name_.empty(); }
  const std::wstring& Name() const { return name_; }
  // One step for readers: they find the old file or the new one, never a
  // file half written.
  bool Replace(const std::wstring& file) {
    if (!MoveFileExW(name_.c_str(), file.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return false;
    name_.clear();
    return true;
  }

 private:
  std::wstring name_;
};

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

bool TIniFile::Fail(unsigned long error) {
  // A failure the platform gave no code for is still a failed write.
  write_error_ = error ? error : ERROR_WRITE_FAULT;
  return false;
}

bool TIniFile::WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) {
  std::optional<std::vector<char>> data = ReadAll(file_name_);
  if (!data) return Fail(GetLastError());
  // Section and key names are written as text too.
  *data = InEncodingFor(std::move(*data), section + key + value);
  Replacement copy(file_name_);
  if (!copy.Made() || !WriteAll(copy.Name(), *data) ||
      !WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                  copy.Name().c_str()) ||
      !copy.Replace(file_name_))
    return Fail(GetLastError());
  return true;
}

bool TIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int value) {
  return WriteString(section, key, IntToStr(value));
}

}  // namespace wf
