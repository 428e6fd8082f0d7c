#pragma once

#include <windows.h>
#include <objidl.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "framework/Graphics.h"
#include "framework/StringList.h"
#include "shell/core/FolderNames.h"

namespace wf {

// Path tests. Drive parts compare exactly: "C:" or "\\server\share".
bool IsRootPath(const std::wstring& path);
bool IsUncWithShare(const std::wstring& path);
std::wstring UncServerName(const std::wstring& path);
bool PathExists(const std::wstring& path);
bool IsDotName(const std::wstring& name);
// Whether a folder, or a file that is no folder, stands at the path: asked
// of the file system, at any length; false for an empty path.
bool DirectoryExists(const std::wstring& path);
bool FileExists(const std::wstring& path);
// A drive path or a share path; anything else names something below a
// folder the caller knows.
bool IsFullPath(std::wstring_view name);

// Shell verbs ("open", "delete") are ASCII command names that compare
// ignoring case.
bool SameVerb(std::wstring_view a, std::wstring_view b);

// PathExists for many paths that share a few folders. Under Wine a look-up
// of a name that is gone reads its whole folder, to rule out a name that
// differs only in case (about 10 ms a name among 10,000 files), so checking
// thousands of rows one by one took minutes; here each folder's names are
// read once (FolderNames), when the first of its paths is asked about, and
// its later changes are not seen. Names compare ignoring case, as the file
// system compares them. What a folder's names cannot answer is looked up
// one by one: a path that ends in a backslash, a pattern, a folder that
// cannot be read, and a name not found that may be a short name.
class PathPresence {
 public:
  bool Exists(const std::wstring& path);

 private:
  // By upper-cased folder path.
  std::unordered_map<std::wstring, FolderNames> folders_;
  // The folder of the path asked about last, which the next path (a row of
  // the same folder, mostly) is compared with before any key is made.
  std::wstring last_folder_;
  FolderNames* last_names_ = nullptr;
};

// Whether the path's drive answers, without the platform's drive-not-ready box.
bool DriveReady(const std::wstring& path);
// The whole 64-bit size; -1 when nothing is found.
int64_t FileSize(const std::wstring& path);
// The whole 64-bit size of what a find reports.
inline int64_t FindDataSize(const WIN32_FIND_DATAW& data) {
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) + data.nFileSizeLow;
}
// The platform's temporary folder, ending in a backslash.
std::wstring TempPath();

// File lists of drag and drop and the clipboard; the caller owns the list.
std::unique_ptr<TStringList> DropFilesToList(HDROP drop);
// An empty list, never none, when the object carries no file list.
std::unique_ptr<TStringList> DataObjectFiles(IDataObject* data);
// The clipboard, open for the length of a scope; `owner` may be none.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardScope() {
    if (open_) CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

// None when the clipboard holds no files.
std::unique_ptr<TStringList> ClipboardFiles();
// What the clipboard's "Preferred DropEffect" says a paste should do, as a
// cut in any program's shell window sets it; 0 when it says nothing.
DWORD ClipboardPreferredEffect();
// Copies (or moves) the files into the folder through the platform's file
// operation, which asks about names already there itself, owned by
// `window`; true when it ran to its end.
bool TransferFiles(HWND window, const TStringList& files, const std::wstring& folder, bool move);

// Under Wine, whose shell differs from Windows' in places we work around.
bool RunningOnWine();

// The target of a shell link file, with the target's find data, spelled
// exactly in UTF-16 while the target exists; empty on any failure.
std::wstring ResolveLinkW(const std::wstring& link_path, WIN32_FIND_DATAW& find_data);
std::wstring ResolveLink(const std::wstring& link_path);

// The main form's window, else the application's; none without application.
HWND MainWindowHandle();
// Makes the font the platform's icon-title font at the font's density; false
// when that is unknown.
bool UseIconTitleFont(TFont& font);

}  // namespace wf
