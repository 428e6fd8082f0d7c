// Following the shown folder's changes: the refresh timer, and the merge
// that brings the folder's present content into the rows without a refill.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/Handles.h"
#include "framework/ScopedValue.h"
#include "framework/Strings.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {

// Each object a merge meets is looked for by a scan over the rows, so above
// this many rows a refill costs less than the merge.
constexpr int kMergeLimit = 300;
// A burst of reports puts a merge off by no more than this, or four times
// the last merge's duration when that is longer, so that a folder written to
// all the time still shows its changes.
constexpr DWORD kMinBurstCapMs = 1000;
constexpr DWORD kBurstCapMergeFactor = 4;
// Paths this short are drive roots ("C:\"); their rows, and those of virtual
// objects without a path, are known by their captions.
constexpr size_t kRootPathLength = 3;

bool EndsWithText(const std::wstring& s, std::wstring_view suffix) {
  return s.size() >= suffix.size() &&
         SameText(std::wstring_view(s).substr(s.size() - suffix.size()), suffix);
}

std::wstring ParsingName(IShellFolder* folder, PCUITEMID_CHILD id);

// The rows present before a merge, each under its object's identity (see
// ShellItemQuery::Identity), so that a row meets its own object and no
// namesake's. Objects known only by their ids' bytes, which may change
// while the object stays, are met under their names too. Asking a row for
// its path costs the shell a question, so each row is asked once per
// merge, not once for every object met.
class RowsByIdentity {
 public:
  // `rows` is the query of the folder the rows' ids belong to.
  RowsByIdentity(TKivShellList& list, ShellItemQuery& rows) {
    // Filled last to first, so each name's rows stand in the order a search
    // from the end of the list meets them.
    for (int i = list.Items().Count() - 1; i >= 0; --i) {
      TListItem* row = list.Items()[i];
      TKivShellListItem* record = TKivShellList::RecordOf(row);
      if (!record || record->IsParentEntry || !record->ItemId) continue;
      const std::wstring identity = rows.Identity(record->ItemId.get());
      if (!identity.empty()) by_identity_.emplace(identity, Row{row, record});
      if (!KnownByBytes(identity)) continue;
      const std::wstring name = NameOf(list, rows.Folder(), row);
      if (name.empty()) continue;  // never found: an empty name is not looked for
      by_name_[AsciiUpperCase(name)].push_back({row, record});
    }
  }

  // The row of the walker's current object not yet met in this merge.
  TListItem* Find(TDirwalker& walker, ShellItemQuery& rows) const {
    const std::wstring identity = rows.Identity(walker.CurrentId());
    const auto it = by_identity_.find(identity);
    if (it != by_identity_.end() && it->second.record->Present == 0) return it->second.row;
    if (!KnownByBytes(identity)) return nullptr;
    TListItem* row = FindByName(walker.DisplayName());
    return row ? row : FindByName(walker.ObjectName());
  }

 private:
  struct Row {
    TListItem* row;
    TKivShellListItem* record;
  };

  static bool KnownByBytes(const std::wstring& identity) {
    return !identity.empty() && identity.front() == L'\0';
  }

  // The file name, without the extension a link's display name hides.
  static std::wstring NameOf(TKivShellList& list, IShellFolder* folder, TListItem* row) {
    std::wstring name = FileSystemName(folder, TKivShellList::RecordOf(row)->ItemId.get());
    if (!name.empty()) return WithoutLinkExtension(std::move(name));
    const std::wstring path = list.ItemPath(row);
    if (path.size() <= kRootPathLength) return row->Caption();
    return WithoutLinkExtension(ExtractFileName(path));
  }

  // A file-system object's file name is its parsing name in its folder,
  // which the shell answers at once, where the full path costs it about a
  // millisecond under Wine. Empty for other objects, and for names that
  // are not plain file names (drive roots, "::{...}" objects).
  static std::wstring FileSystemName(IShellFolder* folder, PCUITEMID_CHILD id) {
    if (!folder || !id) return {};
    SFGAOF attributes = SFGAO_FILESYSTEM;
    if (FAILED(folder->GetAttributesOf(1, &id, &attributes)) || !(attributes & SFGAO_FILESYSTEM))
      return {};
    std::wstring name = ParsingName(folder, id);
    if (name.find_first_of(L"\\/:") != std::wstring::npos) return {};
    return name;
  }

  static std::wstring WithoutLinkExtension(std::wstring name) {
    if (EndsWithText(name, L".lnk") || EndsWithText(name, L".url")) name.resize(name.size() - 4);
    return name;
  }

  // The last row of that name not yet met: a row already matched is not
  // matched twice.
  TListItem* FindByName(const std::wstring& name) const {
    if (name.empty()) return nullptr;
    const auto it = by_name_.find(AsciiUpperCase(name));
    if (it == by_name_.end()) return nullptr;
    // Rows of one name are few; the marks change as the merge goes, so they
    // are read here rather than kept in the index.
    for (const Row& row : it->second)
      if (row.record->Present == 0) return row.row;
    return nullptr;
  }

  std::unordered_map<std::wstring, Row> by_identity_;
  // Keyed by the name folded the way SameText compares it.
  std::unordered_map<std::wstring, std::vector<Row>> by_name_;
};

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every kind but the association, attribute, free-space, server and image
// list changes, and the unknown ones.
constexpr TNotificationEvents kFollowedEvents{
    neFileChange,   neFileCreate,    neFileDelete,   neFileRename,  neDriveAdd,
    neDriveRemove,  neShellDriveAdd, neMediaInsert,  neMediaRemove, neFolderCreate,
    neFolderDelete, neFolderRename,  neFolderUpdate, neNetShare,    neNetUnShare};

// What the shell's find data say of an object; nothing when it has none
// (drives, virtual objects).
struct FindData {
  bool known = false;
  WIN32_FIND_DATAW data{};
};

FindData FindDataOf(IShellFolder* folder, PCUITEMID_CHILD id) {
  FindData found;
  found.known = folder && id &&
                SUCCEEDED(SHGetDataFromIDListW(folder, id, SHGDFIL_FINDDATA, &found.data,
                                               sizeof(found.data)));
  return found;
}

bool SameFindData(const FindData& a, const FindData& b) {
  if (!a.known || !b.known) return true;
  return a.data.nFileSizeLow == b.data.nFileSizeLow &&
         a.data.nFileSizeHigh == b.data.nFileSizeHigh &&
         CompareFileTime(&a.data.ftLastWriteTime, &b.data.ftLastWriteTime) == 0 &&
         a.data.dwFileAttributes == b.data.dwFileAttributes;
}

// The object's name as its folder parses it: the same for every id of the
// object, unlike an id's bytes, which carry its size and dates; and cheap,
// unlike the display name.
std::wstring ParsingName(IShellFolder* folder, PCUITEMID_CHILD id) {
  STRRET reply{};
  if (!folder || !id ||
      FAILED(folder->GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_FORPARSING, &reply)))
    return {};
  return StrRetToString(id, reply);
}

}  // namespace

void TKivShellList::RefreshTimerFired() {
  refresh_timer_->SetEnabled(false);
  bool still_there = true;
  if (ShownSpecialFolder() == SF_FILESYSTEMFOLDER) {
    const std::wstring path = Path();
    // A folder on a removed disk or an absent network share is gone, and
    // the user is not to be asked to insert anything for finding that out.
    ErrorModeScope no_critical_error_boxes(SEM_FAILCRITICALERRORS);
    // Wine removes a folder a program deleted only when its last handle
    // closes, the watch's included: the watch lets go while the folder is
    // looked for, and starts again before the merge reads it.
    directory_watch_->Stop();
    // A folder-like file (a zip folder, say) has its path without the
    // trailing backslash.
    still_there = path.empty() || IsDirectory(path) || IsFile(ExcludeTrailingBackslash(path));
  }
  if (still_there) {
    if (automatic_refresh_) WatchDirectory(FolderIdList());
    MergeRefresh();
  } else {
    SetSpecialFolder(SF_DRIVES);
  }
}

// Telling which special folder the shown one is asks the platform for
// dozens of folders, tens of milliseconds under Wine: the timer, which asks
// before each merge, keeps the answer while the same folder is shown.
TKivShellFolder TKivShellList::ShownSpecialFolder() {
  const PCIDLIST_ABSOLUTE folder = dirwalker_->FolderIdList();
  const UINT size = IdListSize(folder);
  const bool known = special_folder_of_ && IdListSize(special_folder_of_.get()) == size &&
                     std::memcmp(special_folder_of_.get(), folder, size) == 0;
  if (!known) {
    shown_special_folder_ = SpecialFolder();
    special_folder_of_ = CloneIdList(folder);
  }
  return shown_special_folder_;
}

void TKivShellList::MergeRefresh() {
  if (IsLoading() || !HandleAllocated() || filling_ || populating_) return;
  // Asked for by a handler of the running merge, or by a message a shell
  // call of it let through: it follows, rather than continuing the running
  // merge's enumeration.
  if (merging_) {
    merge_again_ = true;
    return;
  }
  const DWORD start = GetTickCount();
  if (Items().Count() > kMergeLimit) {
    RefillKeepingSelection();
  } else {
    {
      const ScopedValue merging(merging_, true);
      MergeRows();
    }
    RunWorkPutOffByMerge();
  }
  last_merge_ms_ = GetTickCount() - start;
}

void TKivShellList::RunWorkPutOffByMerge() {
  if (std::exchange(refill_after_merge_, false)) {
    // The refill brings every change the waiting work would have.
    deletions_after_merge_.clear();
    merge_again_ = false;
    Populate();
    return;
  }
  for (const ChildIdList& id : std::exchange(deletions_after_merge_, {}))
    if (TListItem* row = FindItemById(id.get())) RemoveRows({row});
  if (std::exchange(merge_again_, false)) RestartRefreshTimer();
}

// The rows the user was at are found again by their objects' parsing names,
// in one pass over the new rows.
void TKivShellList::RefillKeepingSelection() {
  // The refill would end the edit and lose what was typed: it waits for the
  // edit's end.
  if (IsEditing()) {
    refresh_after_edit_ = true;
    return;
  }
  enum Role : unsigned { kSelected = 1, kFocused = 2, kTop = 4 };
  std::unordered_map<std::wstring, unsigned> kept;
  bool parent_entry_selected = false;
  const auto keep = [&](TListItem* row, unsigned role) {
    TKivShellListItem* record = RecordOf(row);
    if (!record) return;
    if (record->IsParentEntry) {
      if (role & kSelected) parent_entry_selected = true;
      return;
    }
    const std::wstring name = ParsingName(rows_.Folder(), record->ItemId.get());
    if (!name.empty()) kept[name] |= role;
  };
  // The control is asked only as many times as it has selected rows.
  const HWND list = Handle();
  auto selected = SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0);
  for (int i = -1; selected > 0; --selected) {
    i = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED));
    if (i < 0) break;
    keep(Items()[i], kSelected);
  }
  keep(ItemFocused(), kFocused);
  keep(TopItem(), kTop);

  // Drawing waits for the place to be found: the fill, the kept selection
  // and the scroll are drawn once, and the list's drawing is switched off
  // and on once (tens of milliseconds each time under Wine).
  ListUpdateScope draw_once(Items());
  Populate();

  TListItem* top = nullptr;
  TListItem* first_selected = nullptr;
  IShellFolder* folder = rows_.Folder();
  for (int i = 0, n = Items().Count(); i < n && (!kept.empty() || parent_entry_selected); ++i) {
    TListItem* row = Items()[i];
    TKivShellListItem* record = RecordOf(row);
    if (!record) continue;
    unsigned role = 0;
    if (record->IsParentEntry) {
      role = std::exchange(parent_entry_selected, false) ? unsigned{kSelected} : 0u;
    } else {
      const auto found = kept.find(ParsingName(folder, record->ItemId.get()));
      if (found == kept.end()) continue;
      role = found->second;
      kept.erase(found);
    }
    if (role & kSelected) {
      row->SetSelected(true);
      if (!first_selected) first_selected = row;
    }
    if (role & kFocused) row->SetFocused(true);
    if (role & kTop) top = row;
  }
  if (top) ScrollToTop(top);
  if (first_selected) first_selected->MakeVisible(false);
}

// In report view the kept top row is reached in one scroll from where the
// fill left the view; the general way scrolls to the last row and back.
void TKivShellList::ScrollToTop(TListItem* row) {
  const int index = row->Index();
  if (index < 0) return;
  const HWND list = Handle();
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  if (index == top) return;
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (ViewStyle() != TViewStyle::vsReport ||
      !SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(top),
                    reinterpret_cast<LPARAM>(&bounds)) ||
      bounds.bottom <= bounds.top) {
    SetTopItem(row);
    return;
  }
  SendMessageW(list, LVM_SCROLL, 0, (index - top) * (bounds.bottom - bounds.top));
}

// The shell calls of a merge (the enumeration, names, an add handler) may
// let messages through: rows found before such a call are found again by
// their objects after it, and a merge that another's work disturbed stops
// without taking any row away.
void TKivShellList::MergeRows() {
  auto moved_away = std::make_unique<TStringList>();
  {
    // However many rows come and go, the list is drawn once.
    ListUpdateScope update(Items());
    rows_.ForgetObject();  // what it kept of an object may be out of date
    // The merge reads the rows' own folder from its first object on.
    if (!SameIdListBytes(dirwalker_->FolderIdList(), rows_.FolderIdList())) return;
    dirwalker_->RestartEnumeration();
    uint64_t deletions = rows_deleted_;
    auto rows = std::make_unique<RowsByIdentity>(*this, rows_);
    for (int i = 0, n = Items().Count(); i < n; ++i)
      if (TKivShellListItem* record = RecordOf(Items()[i]); record && !record->IsParentEntry)
        record->Present = 0;

    const auto disturbed = [&] {
      return refill_after_merge_ ||
             !SameIdListBytes(dirwalker_->FolderIdList(), rows_.FolderIdList());
    };
    try {
      while (dirwalker_->NextObject()) {
        if (disturbed()) break;
        if (!AcceptObject()) continue;
        if (rows_deleted_ != deletions) {
          deletions = rows_deleted_;
          rows = std::make_unique<RowsByIdentity>(*this, rows_);
        }
        TListItem* row = rows->Find(*dirwalker_, rows_);
        if (!row) {
          AddObjectItem(details_);
          continue;
        }
        RecordOf(row)->Present = 1;
        const PCUITEMID_CHILD fresh = dirwalker_->CurrentId();
        if (!SameFindData(FindDataOf(rows_.Folder(), RecordOf(row)->ItemId.get()),
                          FindDataOf(rows_.Folder(), fresh)))
          RefreshChangedRow(row, fresh);
        if (thumbnails_) RefreshRowPicture(row);
      }
    } catch (...) {
      dirwalker_->RestartEnumeration();
      throw;
    }
    // Objects not met are gone only when the folder's whole content was read.
    if (dirwalker_->EnumerationFailed() || disturbed()) {
      dirwalker_->RestartEnumeration();
      return;
    }

    std::vector<TListItem*> gone;
    for (int i = 0, n = Items().Count(); i < n; ++i) {
      TListItem* row = Items()[i];
      TKivShellListItem* record = RecordOf(row);
      if (!record || record->IsParentEntry) continue;
      RefreshRowCheckState(row);
      if (record->Present != 0) continue;
      // The row's own path: a caption may hide the extension, or a link's.
      if (record->Cut) moved_away->Add(ItemPath(row));
      gone.push_back(row);
    }
    RemoveRows(std::move(gone));
  }
  if (!moved_away->Empty()) ReportOperation({sopCut, sopRemove}, std::move(moved_away), L"");
}

void TKivShellList::RefreshChangedRow(TListItem* item, PCUITEMID_CHILD fresh) {
  RecordOf(item)->ItemId = CloneIdList(fresh);
  item->SetSubItems({});
  item->SetImageIndex(-1);
  item->SetOverlayIndex(-1);
  Change(item, LVIF_TEXT);
}

void TKivShellList::MarkCut(TListItem* item) {
  item->SetCut(true);
  if (TKivShellListItem* record = RecordOf(item)) record->Cut = true;
}

// Thumbnails are not made yet: a row keeps the picture it has.
void TKivShellList::RefreshRowPicture(TListItem*) {}

// Check boxes are not shown yet: no row has a check state to follow.
void TKivShellList::RefreshRowCheckState(TListItem*) {}

void TKivShellList::MakeChangeNotifier() {
  MakeDirectoryWatch();
  notifier_ = new TKivShellChangeNotifier(this);
  notifier_->SetEnabled(false);
  notifier_->SetEventFilter(kFollowedEvents);
  notifier_->NotifyHook = [this](TObject*, TNotificationEvent event, PCIDLIST_ABSOLUTE first,
                                 PCIDLIST_ABSOLUTE) { ChangeNotified(event, first); };
  notifier_->SetRecursive(false);
  SetAutomaticRefresh(true);
}

void TKivShellList::SetAutomaticRefresh(bool value) {
  notifier_->SetEnabled(value);
  automatic_refresh_ = value;
  if (!value)
    WatchFolder(nullptr);
  else if (fills_started_ > 0 && !IsLoading())
    WatchDirectory(FolderIdList());
}

void TKivShellList::WatchFolder(PCIDLIST_ABSOLUTE folder) {
  if (folder) notifier_->WatchIdList(folder);
  WatchDirectory(folder);
}

void TKivShellList::MakeDirectoryWatch() {
  directory_watch_ = new TKivDirectoryWatch(this);
  directory_watch_->OnNames = [this](TObject*, const std::vector<TDirectoryChange>&) {
    DirectoryChanged();
  };
  directory_watch_->OnOverflow = [this](TObject*) { DirectoryChanged(); };
  directory_watch_->OnEnded = [this](TObject*) { DirectoryChanged(); };
  directory_watch_->OnModified = [this](TObject*, const std::wstring& name) {
    DirectoryFileModified(name);
  };
}

void TKivShellList::WatchDirectory(PCIDLIST_ABSOLUTE folder) {
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
  if (directory_watch_->Active()) refresh_timer_->SetEnabled(false);
  directory_watch_->Watch(path);
}

// Removals restart the timer too: whichever of the watch and the notifier
// tells first, the merge reports a cut row whose object went.
void TKivShellList::DirectoryChanged() {
  if (suppress_) return;
  if (populating_ || filling_) {
    directory_changed_in_fill_ = true;
    return;
  }
  RestartRefreshTimerCapped();
}

// A changed file changes its row alone; one without a row (new, or not
// shown) is for a merge to sort out.
void TKivShellList::DirectoryFileModified(const std::wstring& name) {
  if (suppress_) return;
  if (merging_) {
    merge_again_ = true;
    return;
  }
  if (populating_ || filling_) {
    directory_changed_in_fill_ = true;
    return;
  }
  IShellFolder* folder = rows_.Folder();
  TListItem* row = nullptr;
  for (int i = 0, n = Items().Count(); i < n && !row; ++i) {
    TKivShellListItem* record = RecordOf(Items()[i]);
    if (record && !record->IsParentEntry && record->ItemId &&
        SameText(ParsingName(folder, record->ItemId.get()), name))
      row = Items()[i];
  }
  if (!row) {
    RestartRefreshTimerCapped();
    return;
  }
  // A fresh id, since the row's carries the size and dates it was made with.
  const RelativeIdList fresh = PathToIdList(folder, name);
  if (IdListCount(fresh.get()) == 1)
    RefreshChangedRow(row, reinterpret_cast<PCUITEMID_CHILD>(fresh.get()));
}

void TKivShellList::RestartRefreshTimerCapped() {
  const DWORD now = GetTickCount();
  if (!refresh_timer_->Enabled()) {
    burst_start_tick_ = now;
  } else if (now - burst_start_tick_ >=
             std::max(kMinBurstCapMs, kBurstCapMergeFactor * last_merge_ms_)) {
    return;
  }
  RestartRefreshTimerAfter(kWatchSettleMs);
}

void TKivShellList::RestartRefreshTimer() {
  RestartRefreshTimerAfter(kRefreshDelayMs);
}

void TKivShellList::RestartRefreshTimerAfter(UINT delay_ms) {
  if (!refresh_timer_) return;
  refresh_timer_->SetEnabled(false);
  refresh_timer_->SetInterval(delay_ms);
  refresh_timer_->SetEnabled(true);
}

// Deletions show at once, sharing changes refill at once, and the rest is
// gathered by the timer, which restarts with each event of a burst.
void TKivShellList::ChangeNotified(TNotificationEvent event, PCIDLIST_ABSOLUTE first) {
  if (suppress_) return;
  switch (event) {
    case neNetShare:
    case neNetUnShare:
      refresh_timer_->SetEnabled(false);
      Populate();
      return;
    case neFileDelete:
    case neFolderDelete:
      // Only a child of the shown folder can have a row. The shown folder
      // itself, or one of its parents, gone is for the timer to notice.
      if (InShownFolder(first)) {
        ChildIdList id = LastId(first);
        // A merge holds rows while it reads the folder: the row goes after.
        if (merging_)
          deletions_after_merge_.push_back(std::move(id));
        else if (TListItem* row = FindItemById(id.get()))
          RemoveRows({row});
        return;
      }
      break;
    default:
      break;
  }
  RestartRefreshTimer();
}

bool TKivShellList::InShownFolder(PCIDLIST_ABSOLUTE object) {
  const UINT count = IdListCount(object);
  if (count == 0) return false;
  const AbsoluteIdList parent = TruncateIdList(object, count - 1);
  return IsSameObject(parent.get(), FolderIdList());
}

void TKivShellList::RunRefreshPutOffByEdit() {
  if (std::exchange(refresh_after_edit_, false)) RestartRefreshTimer();
}

}  // namespace wf
