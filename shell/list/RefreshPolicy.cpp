// When a shell list merges: the shell's notices, the directory watch's
// reports and the timer that gathers them.
#include "shell/list/RefreshPolicy.h"

#include <algorithm>
#include <utility>

#include "framework/Handles.h"
#include "framework/Strings.h"
#include "framework/Timer.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

// A burst of reports puts a merge off by no more than this, or four times
// the last merge's duration when that is longer, so that a folder written to
// all the time still shows its changes.
constexpr DWORD kMinBurstCapMs = 1000;
constexpr DWORD kBurstCapMergeFactor = 4;

// Every kind but the association, attribute, free-space, server and image
// list changes, and the unknown ones.
constexpr TNotificationEvents kFollowedEvents{
    neFileChange,   neFileCreate,    neFileDelete,   neFileRename,  neDriveAdd,
    neDriveRemove,  neShellDriveAdd, neMediaInsert,  neMediaRemove, neFolderCreate,
    neFolderDelete, neFolderRename,  neFolderUpdate, neNetShare,    neNetUnShare};

}  // namespace

RefreshPolicy::RefreshPolicy(TKivShellList& list) : list_(list) {
  timer_ = new TTimer(&list);
  timer_->SetEnabled(false);
  timer_->SetInterval(kDelayMs);
  timer_->OnTimer = [this](TObject*) { TimerFired(); };

  directory_watch_ = new TKivDirectoryWatch(&list);
  directory_watch_->OnNames = [this](TObject*, const std::vector<TDirectoryChange>&) {
    DirectoryChanged();
  };
  directory_watch_->OnOverflow = [this](TObject*) { DirectoryChanged(); };
  directory_watch_->OnEnded = [this](TObject*) { DirectoryChanged(); };
  directory_watch_->OnModified = [this](TObject*, const std::wstring& name) {
    DirectoryFileModified(name);
  };

  notifier_ = new TKivShellChangeNotifier(&list);
  notifier_->SetEnabled(false);
  notifier_->SetEventFilter(kFollowedEvents);
  notifier_->NotifyHook = [this](TObject*, TNotificationEvent event, PCIDLIST_ABSOLUTE first,
                                 PCIDLIST_ABSOLUTE) { ChangeNotified(event, first); };
  notifier_->SetRecursive(false);
}

void RefreshPolicy::Stop() {
  stopped_ = true;
  // The notifier outlives the list's own part: it must not call in.
  notifier_->NotifyHook = nullptr;
  notifier_->SetEnabled(false);
  // So must the directory watch, whose reports name rows about to go.
  delete directory_watch_;
  directory_watch_ = nullptr;
}

void RefreshPolicy::SetAutomatic(bool value) {
  notifier_->SetEnabled(value);
  if (!value)
    Follow(nullptr);
  else if (list_.fills_started_ > 0 && !list_.IsLoading())
    WatchDirectory(list_.FolderIdList());
}

void RefreshPolicy::Follow(PCIDLIST_ABSOLUTE folder) {
  if (folder) notifier_->WatchIdList(folder);
  WatchDirectory(folder);
}

void RefreshPolicy::WatchDirectory(PCIDLIST_ABSOLUTE folder) {
  if (!directory_watch_) return;
  // Drive roots keep their backslash: "C:" is a drive's current folder.
  const std::wstring path = IdListToPath(folder);
  if (path.empty()) {
    directory_watch_->Stop();
    return;
  }
  // A refill of the watched folder keeps its watch, so that nothing that
  // changes between the fill's enumeration and its end goes unseen.
  if (directory_watch_->Active() && SameText(directory_watch_->Folder(), path)) return;
  // What the old folder's reports asked for is no business of the new one.
  if (directory_watch_->Active()) timer_->SetEnabled(false);
  directory_watch_->Watch(path);
}

void RefreshPolicy::FillEnded() {
  if (std::exchange(changed_in_fill_, false) && list_.automatic_refresh_) Restart();
}

bool RefreshPolicy::Filling() const {
  return list_.populating_ || list_.filling_;
}

void RefreshPolicy::TimerFired() {
  timer_->SetEnabled(false);
  bool still_there = true;
  if (ShownSpecialFolder() == SF_FILESYSTEMFOLDER) {
    const std::wstring path = list_.Path();
    // A folder on a removed disk or an absent network share is gone, and
    // the user is not to be asked to insert anything for finding that out.
    ErrorModeScope no_critical_error_boxes(SEM_FAILCRITICALERRORS);
    // Wine removes a folder a program deleted only when its last handle
    // closes, the watch's included: the watch lets go while the folder is
    // looked for, and starts again before the merge reads it.
    if (directory_watch_) directory_watch_->Stop();
    // A folder-like file (a zip folder, say) has its path without the
    // trailing backslash.
    still_there =
        path.empty() || DirectoryExists(path) || FileExists(ExcludeTrailingBackslash(path));
  }
  if (still_there) {
    if (list_.automatic_refresh_) WatchDirectory(list_.FolderIdList());
    list_.MergeRefresh();
  } else {
    list_.SetSpecialFolder(SF_DRIVES);
  }
}

// Telling which special folder the shown one is asks the platform for
// dozens of folders, tens of milliseconds under Wine: the timer, which asks
// before each merge, keeps the answer while the same folder is shown.
TKivShellFolder RefreshPolicy::ShownSpecialFolder() {
  const PCIDLIST_ABSOLUTE folder = list_.dirwalker_->FolderIdList();
  if (!special_folder_of_ || !SameIdListBytes(special_folder_of_.get(), folder)) {
    shown_special_folder_ = list_.SpecialFolder();
    special_folder_of_ = CloneIdList(folder);
  }
  return shown_special_folder_;
}

// Removals restart the timer too: whichever of the watch and the notifier
// tells first, the merge reports a cut row whose object went.
void RefreshPolicy::DirectoryChanged() {
  if (stopped_) return;
  if (Filling()) {
    changed_in_fill_ = true;
    return;
  }
  RestartCapped();
}

// A changed file changes its row alone; one without a row (new, or not
// shown) is for a merge to sort out.
void RefreshPolicy::DirectoryFileModified(const std::wstring& name) {
  if (stopped_) return;
  if (list_.parts_->merge.Running()) {
    list_.parts_->merge.MergeAgainAfter();
    return;
  }
  if (Filling()) {
    changed_in_fill_ = true;
    return;
  }
  ShellItemQuery& rows = list_.row_query_;
  TListItem* row = nullptr;
  for (int i = 0, n = list_.Items().Count(); i < n && !row; ++i) {
    TKivShellListItem* record = TKivShellList::RecordOf(list_.Items()[i]);
    if (record && !record->IsParentEntry && record->ItemId &&
        SameText(rows.ParsingName(record->ItemId.get()), name))
      row = list_.Items()[i];
  }
  if (!row) {
    RestartCapped();
    return;
  }
  // A fresh id, since the row's carries the size and dates it was made with.
  const RelativeIdList fresh = PathToIdList(rows.Folder(), name);
  if (IdListCount(fresh.get()) == 1)
    list_.RefreshChangedRow(row, reinterpret_cast<PCUITEMID_CHILD>(fresh.get()));
}

void RefreshPolicy::RestartCapped() {
  const DWORD now = GetTickCount();
  if (!timer_->Enabled()) {
    burst_start_tick_ = now;
  } else if (now - burst_start_tick_ >=
             std::max(kMinBurstCapMs,
                      kBurstCapMergeFactor * list_.parts_->merge.LastDurationMs())) {
    return;
  }
  RestartAfter(kWatchSettleMs);
}

void RefreshPolicy::RestartAfter(UINT delay_ms) {
  timer_->SetEnabled(false);
  timer_->SetInterval(delay_ms);
  timer_->SetEnabled(true);
}

// Deletions show at once, sharing changes refill at once, and the rest is
// gathered by the timer, which restarts with each event of a burst.
void RefreshPolicy::ChangeNotified(TNotificationEvent event, PCIDLIST_ABSOLUTE first) {
  if (stopped_) return;
  switch (event) {
    case neNetShare:
    case neNetUnShare:
      timer_->SetEnabled(false);
      list_.Populate();
      return;
    case neFileDelete:
    case neFolderDelete:
      // Only a child of the shown folder can have a row. The shown folder
      // itself, or one of its parents, gone is for the timer to notice.
      if (InShownFolder(first)) {
        ChildIdList id = LastId(first);
        // A merge holds rows while it reads the folder: the row goes after.
        if (list_.parts_->merge.Running())
          list_.parts_->merge.DeleteAfter(std::move(id));
        else if (TListItem* row = list_.FindItemById(id.get()))
          list_.RemoveRows({row});
        return;
      }
      break;
    default:
      break;
  }
  Restart();
}

bool RefreshPolicy::InShownFolder(PCIDLIST_ABSOLUTE object) {
  const UINT count = IdListCount(object);
  if (count == 0) return false;
  const AbsoluteIdList parent = TruncateIdList(object, count - 1);
  return IsSameObject(parent.get(), list_.FolderIdList());
}

}  // namespace wf
