// Selection by name and by id, and row paths.
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

#include <algorithm>
#include <unordered_set>

#include "framework/ScopedValue.h"

namespace wf {

TStringList& TKivShellList::SelectedNames() {
  if (!selected_names_) selected_names_ = std::make_unique<TStringList>();
  TStringList& names = *selected_names_;
  if (names.Empty()) {
    names.OnChange = nullptr;
    for (TListItem* item : SelectedRows()) {
      TKivShellListItem* record = RecordOf(item);
      if (!record || record->IsParentEntry) continue;
      names.Add(NameInFolder(record->ItemId.get()));
    }
  }
  names.OnChange = [this](TObject*) { ReselectNames(); };
  return names;
}

// The rows' own ids, with their names: the folder object would otherwise
// parse each name back, a disk look-up each (seconds for thousands of rows
// under Wine), and a name two objects share would find one of them twice.
// One pass over the rows, each row's name asked once.
void TKivShellList::AssignRowsToDirwalker(const std::vector<TListItem*>& rows) {
  std::vector<std::wstring> names;
  std::vector<ChildIdList> ids;
  names.reserve(rows.size());
  ids.reserve(rows.size());
  for (TListItem* item : rows) {
    TKivShellListItem* record = RecordOf(item);
    if (!record || record->IsParentEntry) continue;
    names.push_back(NameInFolder(record->ItemId.get()));
    ids.push_back(CloneIdList(record->ItemId.get()));
  }
  dirwalker_->MultiObjects().Assign(std::move(names));
  dirwalker_->SetObjectIds(row_query_.FolderIdList(), std::move(ids));
}

std::wstring TKivShellList::NameInFolder(PCUITEMID_CHILD id) {
  std::wstring name = row_query_.ObjectName(id);
  return name.empty() ? row_query_.DisplayName(id) : name;
}

void TKivShellList::ClearSelectedNames() {
  if (!selected_names_ || selected_names_->Empty()) return;
  const ScopedValue keeping(keeping_selected_names_, true);
  selected_names_->Clear();
}

void TKivShellList::ReselectNames() {
  if (keeping_selected_names_) return;
  const ScopedValue keeping(keeping_selected_names_, true);
  ClearSelection();
  const std::vector<std::wstring> names = selected_names_->Items();
  for (const std::wstring& name : names) {
    dirwalker_->SetObjectName(name);  // raises for a name the folder lacks
    SelectItemById(dirwalker_->CurrentId());
  }
}

void TKivShellList::Change(TListItem* item, UINT changed) {
  if ((changed & (LVIF_TEXT | LVIF_STATE)) && !keeping_selected_names_) {
    ClearSelectedNames();
    parts_->link.AnnounceSelection(item, changed);
  }
  TCustomListView::Change(item, changed);
}

void TKivShellList::Delete(TListItem* item) {
  ++rows_deleted_;
  // A drag resting on the row drops onto nothing rather than onto whatever
  // takes its place.
  parts_->drag.RowGoing(item);
  parts_->thumbnails.Forget(item);
  // The platform reports no selection change for a deleted row: without
  // this a refill would keep the names of rows that are gone.
  if (!keeping_selected_names_) ClearSelectedNames();
  std::unique_ptr<TKivShellListItem> record(RecordOf(item));
  item->SetData(nullptr);
  if (item == parent_entry_) parent_entry_ = nullptr;
  // The row no longer shows its record, but a deletion handler may still read
  // a caption that was never fetched: it must name the row's object.
  const ScopedValue deleting(deleting_, {item, record.get()});
  TCustomListView::Delete(item);
}

// Rows of the list's objects (never the parent entry) that are selected now.
std::vector<TListItem*> TKivShellList::SelectedObjectRows() {
  std::vector<TListItem*> rows;
  for (TListItem* item : SelectedRows()) {
    TKivShellListItem* record = RecordOf(item);
    if (record && !record->IsParentEntry) rows.push_back(item);
  }
  return rows;
}

int TKivShellList::IndexOfItemId(PCUITEMID_CHILD id) {
  if (!id || !row_query_) return -1;
  TListItem* row = RowOfIdentity(row_query_.Identity(id));
  return row ? row->Index() : -1;
}

TListItem* TKivShellList::RowOfIdentity(const std::wstring& identity) {
  const std::vector<TListItem*> rows = RowsOfIdentities({identity});
  return rows.empty() ? nullptr : rows.front();
}

// One pass over the rows, each row's identity asked once, however many
// rows are looked for: a cut of thousands of rows finds them all so.
std::vector<TListItem*> TKivShellList::RowsOfIdentities(
    const std::vector<std::wstring>& identities) {
  std::vector<TListItem*> found;
  std::unordered_set<std::wstring> wanted(identities.begin(), identities.end());
  wanted.erase(std::wstring());
  if (wanted.empty() || !row_query_) return found;
  for (int i = 0, n = Items().Count(); i < n && found.size() < wanted.size(); ++i) {
    TListItem* row = Items()[i];
    TKivShellListItem* record = RecordOf(row);
    if (record && record->ItemId && wanted.count(row_query_.Identity(record->ItemId.get())))
      found.push_back(row);
  }
  return found;
}

TListItem* TKivShellList::FindItemById(PCUITEMID_CHILD id) {
  const int index = IndexOfItemId(id);
  return index < 0 ? nullptr : Items()[index];
}

int TKivShellList::SelectItemById(PCUITEMID_CHILD id) {
  const int index = IndexOfItemId(id);
  if (index < 0) return -1;
  TListItem* item = Items()[index];
  item->SetSelected(true);
  item->SetFocused(true);
  item->MakeVisible(false);
  if (CanFocus()) SetFocus();
  return index;
}

PCIDLIST_ABSOLUTE TKivShellList::FolderIdList() {
  // The rows' own folder, taken at the fill: a row's path stays right even
  // after the folder object has been bound elsewhere.
  if (!row_query_) row_query_ = dirwalker_->ObjectQuery();
  return row_query_.FolderIdList();
}

std::wstring TKivShellList::ItemPath(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record || !record->ItemId) return {};
  if (!row_query_) row_query_ = dirwalker_->ObjectQuery();
  return IdListToPath(row_query_.AbsoluteIdList(record->ItemId.get()));
}

}  // namespace wf
