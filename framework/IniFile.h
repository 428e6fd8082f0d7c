#pragma once

#include <string>

namespace wf {

// A settings file over the platform's private-profile functions. Nothing is
// cached: every call reads or writes the file. A write changes a copy of the
// file beside it, which then takes the file's place: a write that fails
// half-way (a full disk) leaves every setting as it was.
class TIniFile {
 public:
  explicit TIniFile(std::wstring file_name) : file_name_(std::move(file_name)) {}
  const std::wstring& FileName() const { return file_name_; }

  std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                          const std::wstring& fallback) const;
  int ReadInteger(const std::wstring& section, const std::wstring& key, int fallback) const;
  bool ValueExists(const std::wstring& section, const std::wstring& key) const;
  bool SectionExists(const std::wstring& section) const;
  // Writing reports failure by result: false when the file could not be
  // written, and WriteError then tells the platform's reason.
  bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  bool WriteInteger(const std::wstring& section, const std::wstring& key, int value);
  // The platform's error code of the last write that failed; 0 while none has.
  unsigned long WriteError() const { return write_error_; }

 private:
  bool Fail(unsigned long error);
  std::wstring file_name_;
  unsigned long write_error_ = 0;
};

}  // namespace wf
