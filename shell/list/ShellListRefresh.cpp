// Following the shown folder's changes: the refresh timer, and the merge
// that brings the folder's present content into the rows without a refill.
#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {

// Each object a merge meets is looked for by a scan over the rows, so above
// this many rows a refill costs less than the merge.
constexpr int kMergeLimit = 300;
// Paths this short are drive roots ("C:\"); their rows, and those of virtual
// objects without a path, are known by their captions.
constexpr size_t kRootPathLength = 3;

bool EndsWithText(const std::wstring& s, std::wstring_view suffix) {
  return s.size() >= suffix.size() &&
         SameText(std::wstring_view(s).substr(s.size() - suffix.size()), suffix);
}

// The rows present before a merge, each under the name the shell's display
// name or object name of its object will be compared with. Asking a row for
// its path costs the shell a question, so each row is asked once per merge,
// not once for every object met.
class RowsByName {
 public:
  explicit RowsByName(TKivShellList& list) {
    for (int i = 0, n = list.Items().Count(); i < n; ++i) {
      TListItem* row = list.Items()[i];
      TKivShellListItem* record = TKivShellList::RecordOf(row);
      if (!record || record->IsParentEntry) continue;
      rows_.push_back({row, record, NameOf(list, row)});
    }
  }

  // The file name, without the extension a link's display name hides.
  static std::wstring NameOf(TKivShellList& list, TListItem* row) {
    const std::wstring path = list.ItemPath(row);
    if (path.size() <= kRootPathLength) return row->Caption();
    std::wstring name = ExtractFileName(path);
    if (EndsWithText(name, L".lnk") || EndsWithText(name, L".url")) name.resize(name.size() - 4);
    return name;
  }

  // The last row of that name whose present mark is `mark`. A merge looks
  // with 0, so that a row already matched is not matched twice; a refill
  // with 1, the mark of every new row.
  TListItem* Find(const std::wstring& name, int32_t mark) const {
    if (name.empty()) return nullptr;
    for (auto it = rows_.rbegin(); it != rows_.rend(); ++it)
      if (it->record->Present == mark && SameText(it->name, name)) return it->row;
    return nullptr;
  }

 private:
  struct Row {
    TListItem* row;
    TKivShellListItem* record;
    std::wstring name;
  };
  std::vector<Row> rows_;
};

// The list's update bracket, closed on every way out.
class UpdateScope {
 public:
  explicit UpdateScope(TListItems& items) : items_(items) { items_.BeginUpdate(); }
  ~UpdateScope() { items_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TListItems& items_;
};

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void TKivShellList::RefreshTimerFired() {
  refresh_timer_->SetEnabled(false);
  bool still_there = true;
  if (SpecialFolder() == SF_FILESYSTEMFOLDER) {
    const std::wstring path = Path();
    // A folder on a removed disk or an absent network share is gone, and
    // the user is not to be asked to insert anything for finding that out.
    ErrorModeScope no_critical_error_boxes(SEM_FAILCRITICALERRORS);
    // A folder-like file (a zip folder, say) has its path without the
    // trailing backslash.
    still_there = path.empty() || IsDirectory(path) || IsFile(ExcludeTrailingBackslash(path));
  }
  if (still_there)
    MergeRefresh();
  else
    SetSpecialFolder(SF_DRIVES);
}

void TKivShellList::MergeRefresh() {
  if (IsLoading() || !HandleAllocated() || filling_) return;
  if (Items().Count() > kMergeLimit)
    RefillKeepingSelection();
  else
    MergeRows();
}

void TKivShellList::RefillKeepingSelection() {
  // The refill would end the edit and lose what was typed.
  if (IsEditing()) return;
  // Kept by the name the lookup knows the row by: a caption may lack the
  // extension the file name has.
  std::wstring name;
  if (TListItem* selected = Selected();
      selected && RecordOf(selected) && !RecordOf(selected)->IsParentEntry)
    name = RowsByName::NameOf(*this, selected);
  Populate();
  if (name.empty()) return;
  if (TListItem* row = RowsByName(*this).Find(name, 1)) {
    row->SetSelected(true);
    row->MakeVisible(false);
  }
}

void TKivShellList::MergeRows() {
  auto moved_away = std::make_unique<TStringList>();
  {
    // However many rows come and go, the list is drawn once.
    UpdateScope update(Items());
    rows_.ForgetObject();  // what it kept of an object may be out of date
    RowsByName rows(*this);
    for (int i = 0, n = Items().Count(); i < n; ++i)
      if (TKivShellListItem* record = RecordOf(Items()[i]); record && !record->IsParentEntry)
        record->Present = 0;

    try {
      while (dirwalker_->NextObject()) {
        if (!AcceptObject()) continue;
        TListItem* row = rows.Find(dirwalker_->DisplayName(), 0);
        if (!row) row = rows.Find(dirwalker_->ObjectName(), 0);
        if (!row) {
          AddObjectItem(details_);
          continue;
        }
        RecordOf(row)->Present = 1;
        if (thumbnails_) RefreshRowPicture(row);
      }
    } catch (...) {
      RestartEnumeration();
      throw;
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

void TKivShellList::MarkCut(TListItem* item) {
  item->SetCut(true);
  if (TKivShellListItem* record = RecordOf(item)) record->Cut = true;
}

// Thumbnails are not made yet: a row keeps the picture it has.
void TKivShellList::RefreshRowPicture(TListItem*) {}

// Check boxes are not shown yet: no row has a check state to follow.
void TKivShellList::RefreshRowCheckState(TListItem*) {}

}  // namespace wf
