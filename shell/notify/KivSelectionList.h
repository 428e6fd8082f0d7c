#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/Component.h"
#include "framework/StringList.h"
#include "shell/core/IdList.h"
#include "shell/notify/ThreadPool.h"

namespace wf {

enum TKivSelectionState { ssUnused, ssNone, ssChecked, ssUnChecked, ssGrayed };

// What is ticked, as a short list of paths, with the running total of the
// size and number of its files. Sizes of folders are found by pool jobs,
// so the totals settle a moment after a folder is ticked.
class TKivBaseSelectionList : public TComponent {
 public:
  explicit TKivBaseSelectionList(TComponent* owner);
  // The pool goes first: its jobs report into the totals.
  ~TKivBaseSelectionList() override;

  const TStringList& Paths() const { return paths_; }
  virtual void SetPaths(const TStringList& paths) = 0;
  int64_t TotalSize() const { return total_size_; }
  int32_t FileCount() const { return file_count_; }
  // Folder sizes are still being found: the totals are not settled.
  bool SizesPending() const { return pool_->Count() > 0; }

 protected:
  // Adds what a folder-size job found, times its sign, unless it was told
  // to stop: then what it found is only part of the folder.
  void Accumulate(TKivThread* job);

  TStringList paths_;
  int64_t total_size_ = 0;
  int32_t file_count_ = 0;
  std::unique_ptr<TThreadPool> pool_;
};

// The check states of file-system items that the controls of a shell link
// share. A ticked file is stored as its path ("C:\Data\a.txt"), a ticked
// folder as its path and "\*" ("C:\Data\*"), standing for everything below
// it; the list is kept minimal as paths are ticked and unticked. Paths
// compare ignoring case, every letter's, as the file system compares them.
class TKivSelectionList : public TKivBaseSelectionList {
 public:
  explicit TKivSelectionList(TComponent* owner);

  // A folder holding a "target.lnk" stands for that link's target.
  bool ResolveFolderShortcuts() const { return resolve_folder_shortcuts_; }
  void SetResolveFolderShortcuts(bool value) { resolve_folder_shortcuts_ = value; }
  bool TrackSizes() const { return track_sizes_; }
  void SetTrackSizes(bool value) { track_sizes_ = value; }

  // Paths that do not exist, lie on a drive that is not ready, or are
  // empty, "." or "..", have no state (ssNone) and change nothing.
  virtual void CheckPath(const std::wstring& path);
  void UncheckPath(const std::wstring& path);
  // `implicit`: ticked only through a ticked folder above it.
  TKivSelectionState GetPathState(const std::wstring& path, bool* implicit = nullptr);
  TKivSelectionState GetIdListState(PCIDLIST_ABSOLUTE list);
  void CheckIdList(PCIDLIST_ABSOLUTE list);
  void UncheckIdList(PCIDLIST_ABSOLUTE list);
  // The highest folder that ticking the item would leave wholly ticked (the
  // item itself when none); null when there is none to name.
  AbsoluteIdList CollapsedIdList(PCIDLIST_ABSOLUTE list);

  // Changes inside raise one change, at the outermost EndUpdate.
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  bool Updating() const { return update_count_ > 0; }
  // Both stop the folder-size jobs under way: what they would add is gone.
  void Clear();
  void SetPaths(const TStringList& paths) override;
  void Assign(const TKivSelectionList& source) { SetPaths(source.Paths()); }

  // After every change outside an update; the owning shell link then has
  // its controls' check boxes follow.
  TNotifyEvent OnChange;

 private:
  // A folder holding a "target.lnk"; `link` gets that file's path.
  static bool IsFolderShortcut(const std::wstring& path, std::wstring* link);
  std::wstring ResolvedShortcut(const std::wstring& path) const;
  int IndexOf(const std::wstring& entry) const;
  bool CoveredByAncestor(std::wstring entry) const;
  bool WhollyTicked(const std::wstring& path, bool directory, int depth) const;
  std::wstring CollapsedPath(const std::wstring& item) const;
  // Replaces the ticked folder entry above `item` by entries for everything
  // else below it; answers that entry, or empty.
  std::wstring SplitCoveringEntry(const std::wstring& item);
  void RemoveBelow(const std::wstring& entry);
  void DeleteEntry(int index);
  void AddSize(const std::wstring& entry, int sign);
  void Changed();

  bool resolve_folder_shortcuts_ = true;
  bool track_sizes_ = true;
  int update_count_ = 0;
  // Asked of every row while check boxes show: made once.
  AbsoluteIdList network_, computer_;
};

}  // namespace wf
