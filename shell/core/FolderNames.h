#pragma once

#include <optional>
#include <string>
#include <unordered_set>

namespace wf {

// Whether paths directly in one folder exist, for many paths at once: the
// folder is read once, when the first of them is asked about, and its later
// changes are not seen. Under Wine a look-up of a name that is gone reads
// the whole folder, so thousands of one-by-one look-ups took minutes. Only
// the entries' long names are read (the platform then need not make up
// short ones); names compare ignoring case, as the file system compares
// them.
class FolderNames {
 public:
  // `folder` ends in a backslash.
  explicit FolderNames(std::wstring folder);

  // Empty when the answer is not to be had here: the path is not directly
  // in the folder, names a pattern or a dot entry, or the folder cannot be
  // read. The caller then looks the path up itself.
  std::optional<bool> Contains(const std::wstring& path);

 private:
  std::wstring folder_;
  bool read_ = false;
  std::optional<std::unordered_set<std::wstring>> names_;
};

}  // namespace wf
