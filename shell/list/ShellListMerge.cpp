// The merge that brings the shown folder's present content into the rows,
// and the refill that keeps the user's place where a merge costs too much.
#include "shell/list/ShellListMerge.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "framework/ScopedValue.h"
#include "framework/Strings.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

// Each object a merge meets is looked for by a scan over the rows, so above
// this many rows a refill costs less than the merge.
constexpr int kMergeLimit = 300;
// Paths this short are drive roots ("C:\"); their rows, and those of virtual
// objects without a path, are known by their captions.
constexpr size_t kRootPathLength = 3;

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
      const std::wstring name = NameOf(list, rows, row);
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
  static std::wstring NameOf(TKivShellList& list, ShellItemQuery& rows, TListItem* row) {
    std::wstring name = FileSystemName(rows, TKivShellList::RecordOf(row)->ItemId.get());
    if (!name.empty()) return WithoutLinkExtension(std::move(name));
    const std::wstring path = list.ItemPath(row);
    if (path.size() <= kRootPathLength) return row->Caption();
    return WithoutLinkExtension(ExtractFileName(path));
  }

  // A file-system object's file name is its parsing name in its folder,
  // which the shell answers at once, where the full path costs it about a
  // millisecond under Wine. Empty for other objects, and for names that
  // are not plain file names (drive roots, "::{...}" objects).
  static std::wstring FileSystemName(ShellItemQuery& rows, PCUITEMID_CHILD id) {
    IShellFolder* folder = rows.Folder();
    if (!folder || !id) return {};
    SFGAOF attributes = SFGAO_FILESYSTEM;
    if (FAILED(folder->GetAttributesOf(1, &id, &attributes)) || !(attributes & SFGAO_FILESYSTEM))
      return {};
    std::wstring name = rows.ParsingName(id);
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
  // Keyed by the name with its ASCII letters upper-cased.
  std::unordered_map<std::wstring, std::vector<Row>> by_name_;
};

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

}  // namespace

void FolderMerge::Run() {
  // Asked for by a handler of the running merge, or by a message a shell
  // call of it let through: it follows, rather than continuing the running
  // merge's enumeration.
  if (merging_) {
    again_after_ = true;
    return;
  }
  const DWORD start = GetTickCount();
  if (list_.Items().Count() > kMergeLimit) {
    RefillKeepingSelection();
  } else {
    {
      const ScopedValue merging(merging_, true);
      MergeRows();
    }
    RunWorkPutOff();
  }
  last_duration_ms_ = GetTickCount() - start;
}

void FolderMerge::RunWorkPutOff() {
  if (std::exchange(refill_after_, false)) {
    // The refill brings every change the waiting work would have.
    deletions_after_.clear();
    again_after_ = false;
    list_.Populate();
    return;
  }
  for (const ChildIdList& id : std::exchange(deletions_after_, {}))
    if (TListItem* row = list_.FindItemById(id.get())) list_.RemoveRows({row});
  if (std::exchange(again_after_, false)) list_.RestartRefreshTimer();
}

// The rows the user was at are found again by their objects' parsing names,
// in one pass over the new rows.
void FolderMerge::RefillKeepingSelection() {
  TKivShellList& list = list_;
  // The refill would end the edit and lose what was typed: it waits for the
  // edit's end.
  if (list.IsEditing()) {
    list.parts_->renaming.RefreshAfterEdit();
    return;
  }
  enum Role : unsigned { kSelected = 1, kFocused = 2, kTop = 4 };
  std::unordered_map<std::wstring, unsigned> kept;
  bool parent_entry_selected = false;
  const auto keep = [&](TListItem* row, unsigned role) {
    TKivShellListItem* record = TKivShellList::RecordOf(row);
    if (!record) return;
    if (record->IsParentEntry) {
      if (role & kSelected) parent_entry_selected = true;
      return;
    }
    const std::wstring name = list.row_query_.ParsingName(record->ItemId.get());
    if (!name.empty()) kept[name] |= role;
  };
  for (TListItem* row : list.SelectedRows()) keep(row, kSelected);
  keep(list.ItemFocused(), kFocused);
  keep(list.TopItem(), kTop);

  // Drawing waits for the place to be found: the fill, the kept selection
  // and the scroll are drawn once, and the list's drawing is switched off
  // and on once (tens of milliseconds each time under Wine).
  ListUpdateScope draw_once(list.Items());
  list.Populate();

  TListItem* top = nullptr;
  TListItem* first_selected = nullptr;
  for (int i = 0, n = list.Items().Count(); i < n && (!kept.empty() || parent_entry_selected);
       ++i) {
    TListItem* row = list.Items()[i];
    TKivShellListItem* record = TKivShellList::RecordOf(row);
    if (!record) continue;
    unsigned role = 0;
    if (record->IsParentEntry) {
      role = std::exchange(parent_entry_selected, false) ? unsigned{kSelected} : 0u;
    } else {
      const auto found = kept.find(list.row_query_.ParsingName(record->ItemId.get()));
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
void FolderMerge::ScrollToTop(TListItem* row) {
  const int index = row->Index();
  if (index < 0) return;
  const HWND list = list_.Handle();
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  if (index == top) return;
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (list_.ViewStyle() != TViewStyle::vsReport ||
      !SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(top),
                    reinterpret_cast<LPARAM>(&bounds)) ||
      bounds.bottom <= bounds.top) {
    list_.SetTopItem(row);
    return;
  }
  SendMessageW(list, LVM_SCROLL, 0, (index - top) * (bounds.bottom - bounds.top));
}

// The shell calls of a merge (the enumeration, names, an add handler) may
// let messages through: rows found before such a call are found again by
// their objects after it, and a merge that another's work disturbed stops
// without taking any row away.
void FolderMerge::MergeRows() {
  TKivShellList& list = list_;
  TDirwalker& walker = *list.dirwalker_;
  ShellItemQuery& query = list.row_query_;
  auto moved_away = std::make_unique<TStringList>();
  {
    // However many rows come and go, the list is drawn once.
    ListUpdateScope update(list.Items());
    query.ForgetObject();  // what it kept of an object may be out of date
    // The merge reads the rows' own folder from its first object on.
    if (!SameIdListBytes(walker.FolderIdList(), query.FolderIdList())) return;
    walker.RestartEnumeration();
    uint64_t deletions = list.rows_deleted_;
    auto rows = std::make_unique<RowsByIdentity>(list, query);
    for (int i = 0, n = list.Items().Count(); i < n; ++i)
      if (TKivShellListItem* record = TKivShellList::RecordOf(list.Items()[i]);
          record && !record->IsParentEntry)
        record->Present = 0;

    const auto disturbed = [&] {
      return refill_after_ || !SameIdListBytes(walker.FolderIdList(), query.FolderIdList());
    };
    try {
      while (walker.NextObject()) {
        if (disturbed()) break;
        if (!list.parts_->fill.AcceptObject()) continue;
        if (list.rows_deleted_ != deletions) {
          deletions = list.rows_deleted_;
          rows = std::make_unique<RowsByIdentity>(list, query);
        }
        TListItem* row = rows->Find(walker, query);
        if (!row) {
          list.parts_->fill.AddObjectItem(list.details_);
          continue;
        }
        TKivShellListItem* record = TKivShellList::RecordOf(row);
        record->Present = 1;
        const PCUITEMID_CHILD fresh = walker.CurrentId();
        if (!SameFindData(FindDataOf(query.Folder(), record->ItemId.get()),
                          FindDataOf(query.Folder(), fresh)))
          list.RefreshChangedRow(row, fresh);
        if (list.thumbnails_) list.RefreshRowPicture(row);
      }
    } catch (...) {
      walker.RestartEnumeration();
      throw;
    }
    // Objects not met are gone only when the folder's whole content was read.
    if (walker.EnumerationFailed() || disturbed()) {
      walker.RestartEnumeration();
      return;
    }

    std::vector<TListItem*> gone;
    for (int i = 0, n = list.Items().Count(); i < n; ++i) {
      TListItem* row = list.Items()[i];
      TKivShellListItem* record = TKivShellList::RecordOf(row);
      if (!record || record->IsParentEntry) continue;
      list.RefreshRowCheckState(row);
      if (record->Present != 0) continue;
      // The row's own path: a caption may hide the extension, or a link's.
      if (record->Cut) moved_away->Add(list.ItemPath(row));
      gone.push_back(row);
    }
    list.RemoveRows(std::move(gone));
  }
  if (!moved_away->Empty()) list.ReportOperation({sopCut, sopRemove}, std::move(moved_away), L"");
}

}  // namespace wf
