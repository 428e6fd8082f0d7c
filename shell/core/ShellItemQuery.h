#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/Alignment.h"
#include "shell/core/IdList.h"

namespace wf {

// The shell's answers about the objects of one folder, each object named by
// its child id: names, attributes, detail texts, icon and overlay. It asks
// the folder interface it was made from, whatever a folder object bound to
// the same folder does since, and has no current object to move: rows,
// sorts and selections ask it about any of their objects in any order.
//
// The details interfaces are acquired once. The find data and the absolute
// id of the last object asked about are kept, so that the questions a row
// asks one after the other cost the shell one answer each.
//
// Failures answer "nothing": empty text, 0, -1. Used on one thread; a
// ShellModule must be running.
class ShellItemQuery {
 public:
  // A query of no folder: every answer is "nothing".
  ShellItemQuery() = default;
  ShellItemQuery(Microsoft::WRL::ComPtr<IShellFolder> folder, wf::AbsoluteIdList folder_id_list);
  ShellItemQuery(ShellItemQuery&&) noexcept = default;
  ShellItemQuery& operator=(ShellItemQuery&&) noexcept = default;
  ShellItemQuery(const ShellItemQuery&) = delete;
  ShellItemQuery& operator=(const ShellItemQuery&) = delete;

  explicit operator bool() const { return folder_ != nullptr; }
  IShellFolder* Folder() const { return folder_.Get(); }
  PCIDLIST_ABSOLUTE FolderIdList() const { return folder_id_list_.get(); }
  // A query of the same folder with the details interfaces acquired so far
  // and nothing cached about objects.
  ShellItemQuery Copy() const;

  // Names and attributes. The object name is the file name (from the find
  // data, in full UTF-16), else the last part of the path, else for a
  // network object its remote name; empty for My Computer and its kind.
  std::wstring DisplayName(PCUITEMID_CHILD id);
  std::wstring ObjectName(PCUITEMID_CHILD id);
  std::wstring NetworkName(PCUITEMID_CHILD id);
  SFGAOF Attributes(PCUITEMID_CHILD id, SFGAOF mask);
  // The object's file-system path as the folder names it for parsing, whole
  // however long; empty for an object outside the file system. IdListToPath
  // answers the same, but looks the object up on disk: under Wine
  // milliseconds for one that is gone, which a report of thousands of
  // deleted rows paid each.
  std::wstring FileSystemPath(PCUITEMID_CHILD id);
  // What tells the object from every other of the folder, to be compared
  // exactly: its name in the folder for parsing, which keeps namesakes that
  // differ only in case apart (as on a case-sensitive drive), or, for an
  // object without one, its id's bytes. Unlike the folder's CompareIDs,
  // which ignores case, and unlike an id's bytes, which carry its size and
  // dates, it is the same for every id of one object and for no other.
  std::wstring Identity(PCUITEMID_CHILD id);
  // The object's name in the folder for parsing: the same for every id of
  // the object, and cheap, unlike the display name. Empty when it has none.
  std::wstring ParsingName(PCUITEMID_CHILD id);
  // The folder's list followed by `id` (no id: the folder's own list).
  // Owned by the query, valid until it is asked about another object.
  PCIDLIST_ABSOLUTE AbsoluteIdList(PCUITEMID_CHILD id);

  // Details. `owner` parents the windows a folder without IShellFolder2 may
  // show while making its IShellDetails; questions that acquire the
  // interfaces themselves pass none.
  bool AcquireDetails(HWND owner = nullptr);
  bool HasDetails() const { return folder2_ || details_; }
  // Until this query is replaced, answers as a folder without details
  // interfaces: the built-in columns and texts.
  void SetDetailsUnavailable();
  // Shell column `column` of the object; column 0 is its display name. A
  // file's size shows whole in the shell's size column, whatever the
  // shell's own text says.
  std::wstring DetailText(PCUITEMID_CHILD id, int column);
  std::wstring ColumnTitle(int column);
  // A width of 0 marks a column that is not shown by default.
  void ColumnInfo(int column, TAlignment& alignment, int& width);
  // The last-write time in local time as a date-time value; 0 when unknown.
  double ModifiedTime(PCUITEMID_CHILD id);
  // What a sort by a column's value reads of each object once. The find
  // data, valid until the query is asked about another object; none for an
  // object outside the file system.
  const WIN32_FIND_DATAW* FindData(PCUITEMID_CHILD id);
  // A file's whole size; nothing for folders and for objects outside the
  // file system. Where ids may keep only 32 bits of a size (Wine), a size
  // below 4 GB costs a look-up on disk.
  std::optional<uint64_t> FileSize(PCUITEMID_CHILD id) { return WholeFileSize(id); }
  // Which of a file's properties a shell column shows, as far as a sort
  // needs to know; kOther when the folder cannot tell. Folders without
  // details interfaces answer for the built-in columns.
  enum class ColumnValue { kOther, kName, kSize, kWriteTime };
  ColumnValue ValueOfColumn(int column);
  // The object's index in the system image list (small and large icons
  // share it); with no id, the folder's own.
  int SmallIconIndex(PCUITEMID_CHILD id);
  // A 0-based overlay slot of the system image list (0 shared, 1 link) or -1.
  int OverlayIndex(PCUITEMID_CHILD id);
  // The same, and in `attributes` the object's attributes asked with `mask`:
  // a folder without an overlay interface has the overlay read from two
  // attribute bits, asked in the same question.
  int OverlayIndex(PCUITEMID_CHILD id, SFGAOF mask, SFGAOF& attributes);

  // Drops what is kept about the last object, so that the next question
  // asks the shell again.
  void ForgetObject();

 private:
  // What is kept about the last object asked about.
  struct ObjectCache {
    bool valid = false;
    std::vector<BYTE> id;  // the id's bytes: no allocation once grown
    wf::AbsoluteIdList absolute;
    bool find_data_asked = false;
    bool has_find_data = false;
    WIN32_FIND_DATAW find_data{};
    // What the file system answered for the size, asked at most once.
    bool disk_size_asked = false;
    std::optional<uint64_t> disk_size;
  };

  ObjectCache& Select(PCUITEMID_CHILD id);
  bool FetchFindData(PCUITEMID_CHILD id);
  std::wstring FallbackDetailText(PCUITEMID_CHILD id, int column);
  std::wstring DetailsOf(PCUITEMID_CHILD id, int column);
  std::wstring SizeText(PCUITEMID_CHILD id);
  std::optional<uint64_t> WholeFileSize(PCUITEMID_CHILD id);
  std::optional<uint64_t> DiskFileSize(PCUITEMID_CHILD id);
  bool IsSizeColumn(int column);

  Microsoft::WRL::ComPtr<IShellFolder> folder_;
  wf::AbsoluteIdList folder_id_list_;
  // IShellDetails for older folders, IShellFolder2 else.
  Microsoft::WRL::ComPtr<IShellFolder2> folder2_;
  Microsoft::WRL::ComPtr<IShellDetails> details_;
  bool details_unavailable_ = false;
  // Per shell column, whether it shows the storage size: 0 not asked yet,
  // 1 yes, -1 no.
  std::vector<signed char> size_columns_;
  IShellIconOverlay* OverlayInterface();
  IShellIcon* IconInterface();

  Microsoft::WRL::ComPtr<IShellIconOverlay> overlay_;
  bool overlay_asked_ = false;
  Microsoft::WRL::ComPtr<IShellIcon> icon_;
  bool icon_asked_ = false;
  ObjectCache object_;
};

// Date-time values count days since 1899-12-30, the fraction being the time
// of day (before that day the fraction still counts forward from midnight).
double SystemTimeToDateTime(const SYSTEMTIME& time);
// The user's short date format, a blank and the user's short time format.
std::wstring DateTimeToText(double date_time);

}  // namespace wf
