#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace wf::test {

// A fresh folder C:\wftest-<pid>-<counter>\ for one test, removed with all
// its content (hidden and read-only files included) when the object ends.
// Relative names given to the helpers are below it; each helper answers the
// full path it made (folders without a trailing backslash).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // With a trailing backslash.
  const std::wstring& Path() const { return path_; }
  // Path() + relative.
  std::wstring operator/(std::wstring_view relative) const;

  std::wstring MakeFile(std::wstring_view relative, uint64_t size = 0, DWORD attributes = 0);
  std::wstring MakeHiddenFile(std::wstring_view relative, uint64_t size = 0);
  std::wstring MakeFolder(std::wstring_view relative);
  // Folders one inside another below this one until the innermost one's
  // path (without a trailing backslash) is `length` characters long.
  std::wstring MakeFolderOfLength(size_t length);
  // A shell link (.lnk, the extension is added when missing) to `target`.
  std::wstring MakeLink(std::wstring_view relative, std::wstring_view target);

  // A name outside every ANSI code page: Greek and Japanese letters.
  static std::wstring NonAnsiName(std::wstring_view suffix = L".txt");

 private:
  std::wstring path_;
};

// Removes a folder and everything below it; false when anything remained.
bool RemoveFolderTree(const std::wstring& folder);

}  // namespace wf::test
