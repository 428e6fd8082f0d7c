#pragma once

#include <string>

namespace wf {

// A settings file over the platform's private-profile functions. Nothing is
// cached: every call reads or writes the file.
class TIniFile {
 public:
  explicit TIniFile(std::wstring file_name) : file_name_(std::move(file_name)) {}
  const std::wstring& FileName() const { return file_name_; }

  std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& fallback) const;
  int ReadInteger(const std::wstring& section, const std::wstring& key, int fallback) const;
  bool ValueExists(const std::wstring& section, const std::wstring& key) const;
  bool SectionExists(const std::wstring& section) const;
  // Writing reports failure by result: false when the file could not be written.
  bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  bool WriteInteger(const std::wstring& section, const std::wstring& key, int value);

 private:
  void PrepareForText(const std::wstring& text);
  std::wstring file_name_;
};

}  // namespace wf
