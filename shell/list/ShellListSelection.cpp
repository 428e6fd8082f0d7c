// Selection by name and by id, and row paths.
#include "shell/list/ShellControls.h"

#include <algorithm>

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

// By name, as SelectedNames has them, with the ids the rows hold: the folder
// object would otherwise parse each name back, a disk look-up each (seconds
// for thousands of rows under Wine). One pass over the selected rows alone,
// each row's name asked once.
void TKivShellList::AssignSelectionToDirwalker() {
  std::vector<std::wstring> names;
  std::vector<std::pair<std::wstring, ChildIdList>> known;
  const std::vector<TListItem*> selected = SelectedRows();
  names.reserve(selected.size());
  known.reserve(selected.size());
  for (TListItem* item : selected) {
    TKivShellListItem* record = RecordOf(item);
    if (!record || record->IsParentEntry) continue;
    std::wstring name = NameInFolder(record->ItemId.get());
    if (record->ItemId) known.emplace_back(name, CloneIdList(record->ItemId.get()));
    names.push_back(std::move(name));
  }
  dirwalker_->MultiObjects().Assign(std::move(names));
  dirwalker_->SetKnownObjectIds(rows_.FolderIdList(), std::move(known));
}

std::wstring TKivShellList::NameInFolder(PCUITEMID_CHILD id) {
  std::wstring name = rows_.ObjectName(id);
  return name.empty() ? rows_.DisplayName(id) : name;
}

void TKivShellList::ClearSelectedNames() {
  if (!selected_names_ || selected_names_->Empty()) return;
  const ScopedValue suppress(suppress_, true);
  selected_names_->Clear();
}

void TKivShellList::ReselectNames() {
  if (suppress_) return;
  const ScopedValue suppress(suppress_, true);
  ClearSelection();
  const std::vector<std::wstring> names = selected_names_->Items();
  for (const std::wstring& name : names) {
    dirwalker_->SetObjectName(name);  // raises for a name the folder lacks
    SelectItemById(dirwalker_->CurrentId());
  }
}

void TKivShellList::Change(TListItem* item, UINT changed) {
  if ((changed & (LVIF_TEXT | LVIF_STATE)) && !suppress_) ClearSelectedNames();
  TCustomListView::Change(item, changed);
}

void TKivShellList::Delete(TListItem* item) {
  // The platform reports no selection change for a deleted row: without
  // this a refill would keep the names of rows that are gone.
  if (!suppress_) ClearSelectedNames();
  std::unique_ptr<TKivShellListItem> record(RecordOf(item));
  item->SetData(nullptr);
  if (item == parent_entry_) parent_entry_ = nullptr;
  // The row no longer shows its record, but a deletion handler may still read
  // a caption that was never fetched: it must name the row's object.
  const ScopedValue deleting(deleting_, {item, record.get()});
  TCustomListView::Delete(item);
}

int TKivShellList::IndexOfItemId(PCUITEMID_CHILD id) {
  IShellFolder* folder = rows_.Folder();
  if (!id || !folder) return -1;
  for (int i = 0, n = Items().Count(); i < n; ++i) {
    TKivShellListItem* record = RecordOf(Items()[i]);
    if (!record || !record->ItemId) continue;
    const HRESULT hr = folder->CompareIDs(0, record->ItemId.get(), id);
    if (SUCCEEDED(hr) && HRESULT_CODE(hr) == 0) return i;
  }
  return -1;
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
  if (!rows_) rows_ = dirwalker_->ObjectQuery();
  return rows_.FolderIdList();
}

std::wstring TKivShellList::ItemPath(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record || !record->ItemId) return {};
  if (!rows_) rows_ = dirwalker_->ObjectQuery();
  return IdListToPath(rows_.AbsoluteIdList(record->ItemId.get()));
}

}  // namespace wf
