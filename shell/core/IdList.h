#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shtypes.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wf {

// Owns one item id list allocated with the task allocator. Borrowed lists
// travel as PC*IDLIST pointers; whoever holds one of these frees it.
template <class T>
class BasicIdList {
 public:
  BasicIdList() noexcept = default;
  explicit BasicIdList(T* list) noexcept : list_(list) {}
  BasicIdList(BasicIdList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  BasicIdList& operator=(BasicIdList&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~BasicIdList() { reset(); }
  BasicIdList(const BasicIdList&) = delete;
  BasicIdList& operator=(const BasicIdList&) = delete;

  const T* get() const noexcept { return list_; }
  explicit operator bool() const noexcept { return list_ != nullptr; }
  T* release() noexcept { return std::exchange(list_, nullptr); }
  void reset(T* list = nullptr) noexcept {
    if (list_ != list) CoTaskMemFree(list_);
    list_ = list;
  }
  // For the out parameter of a platform call: frees the held list first.
  T** put() noexcept {
    reset();
    return &list_;
  }

 private:
  T* list_ = nullptr;
};

using AbsoluteIdList = BasicIdList<ITEMIDLIST_ABSOLUTE>;
using ChildIdList = BasicIdList<ITEMID_CHILD>;
using RelativeIdList = BasicIdList<ITEMIDLIST_RELATIVE>;

// 0 for no list; otherwise the bytes of all items plus the 2-byte terminator.
UINT IdListSize(PCUIDLIST_RELATIVE list) noexcept;
// Number of items; 0 for no list and for the empty list (the desktop).
UINT IdListCount(PCUIDLIST_RELATIVE list) noexcept;

// Copies; no list in, no list out.
AbsoluteIdList CloneIdList(PCIDLIST_ABSOLUTE list);
ChildIdList CloneIdList(PCUITEMID_CHILD list);
RelativeIdList CloneIdList(PCUIDLIST_RELATIVE list);

// `folder` without its terminator followed by `relative`; either may be absent.
AbsoluteIdList ConcatIdLists(PCIDLIST_ABSOLUTE folder, PCUIDLIST_RELATIVE relative);

// A one-item list holding item n (from 0); no list when there is no item n.
ChildIdList CopyNthId(PCUIDLIST_RELATIVE list, UINT n);
ChildIdList LastId(PCUIDLIST_RELATIVE list);

// A copy cut after the first n items.
AbsoluteIdList TruncateIdList(PCIDLIST_ABSOLUTE list, UINT n);
RelativeIdList TruncateIdList(PCUIDLIST_RELATIVE list, UINT n);
// The list of the folder that holds `list`'s object; none for the desktop.
AbsoluteIdList ParentIdList(PCIDLIST_ABSOLUTE list);

// The desktop's parse of a path: an absolute list. An empty path yields My
// Computer. On failure the thread's last error holds the shell's HRESULT and
// the answer is no list.
AbsoluteIdList PathToIdList(std::wstring_view path);
// The same asked of `folder` (the desktop when null): a list relative to it.
// An empty path below a given folder is the folder itself: the empty list.
RelativeIdList PathToIdList(IShellFolder* folder, std::wstring_view path);

// Whether the desktop folder takes both lists for the same object: equal
// bytes, or a comparison whose answer is "equal". No list names no object.
bool IsSameObject(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b);
// Whether both lists hold the same bytes (both none counts as the same):
// asks nothing of the shell.
bool SameIdListBytes(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b);
// Whether the list is the desktop: the empty list, or any list that the
// desktop folder compares equal to it. No list is not the desktop.
bool IsDesktopIdList(PCIDLIST_ABSOLUTE list);

// The error to tell of a path the desktop could not parse: "too long" for
// one that names something on disk yet is longer than the shell parses
// (Wine's parses no path of MAX_PATH characters or more), else "not found".
DWORD UnparsedPathError(std::wstring_view path);

// The file-system path of an absolute list, whole however long; empty when
// there is none. A path that the shell cannot give whole is made from the
// parent's path and the object's name in it; when that cannot be done
// either, the answer is empty, never a cut path.
std::wstring IdListToPath(PCIDLIST_ABSOLUTE list);
// Whether a path that the shell answered may be cut: Wine's shell keeps
// paths in MAX_PATH buffers and reports success with the first MAX_PATH - 1
// characters of a longer one. An empty answer may be the failure of a
// shell that gives no such path at all.
bool ShellPathMayBeCut(const std::wstring& path);
// The path of `child` of `folder` made of the folder's whole path and the
// child's parsing name in it; empty unless the child is a file-system
// object with a plain name.
std::wstring ChildFileSystemPath(IShellFolder* folder, PCUITEMID_CHILD child,
                                 const std::wstring& folder_path);
// Whether the shell would name each of these children of `folder` (whose
// id list is `folder_list`) by its whole path. A shell that cuts long paths
// (Wine's, at MAX_PATH - 1) hands whatever it acts on the cut path, which
// may name another object: a request for such objects must be refused.
// Asks the shell for a path only for children whose whole path is that
// long.
bool ShellNamesWhole(IShellFolder* folder, PCIDLIST_ABSOLUTE folder_list,
                     const std::vector<PCUITEMID_CHILD>& children);

// The text of a shell name reply. A wide-string reply is freed and cleared.
std::wstring StrRetToString(PCUIDLIST_RELATIVE base, STRRET& reply);

// The platform's message for an error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);

}  // namespace wf
