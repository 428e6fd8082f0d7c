// Filling the list from its folder, and the rows' late updates.
#include "shell/list/ShellControls.h"

#include <vector>

#include "framework/Cursor.h"
#include "framework/Strings.h"
#include "shell/core/ShellModule.h"

namespace wf {

namespace {

constexpr wchar_t kParentEntryCaption[] = L" .. ";

// Restores the folder object's current object when a row's question is
// answered in the middle of someone else's use of it.
class CurrentObjectScope {
 public:
  explicit CurrentObjectScope(TDirwalker& dirwalker) : dirwalker_(dirwalker), saved_(dirwalker.ObjectIdCopy()) {}
  ~CurrentObjectScope() { dirwalker_.SetCurrentId(saved_.get()); }
  CurrentObjectScope(const CurrentObjectScope&) = delete;
  CurrentObjectScope& operator=(const CurrentObjectScope&) = delete;

 private:
  TDirwalker& dirwalker_;
  ChildIdList saved_;
};

// The list's update bracket and the filling flag, closed on every way out.
class FillScope {
 public:
  FillScope(TListItems& items, bool& filling) : items_(items), filling_(filling) {
    filling_ = true;
    items_.BeginUpdate();
  }
  ~FillScope() {
    items_.EndUpdate();
    filling_ = false;
  }
  FillScope(const FillScope&) = delete;
  FillScope& operator=(const FillScope&) = delete;

 private:
  TListItems& items_;
  bool& filling_;
};

}  // namespace

TKivShellListItem* TKivShellList::RecordOf(TListItem* item) {
  return item ? static_cast<TKivShellListItem*>(item->Data()) : nullptr;
}

void TKivShellList::Populate() {
  if (IsLoading() || !Enabled()) return;
  CursorScope hour_glass(crHourGlass);
  try {
    FillScope fill(Items(), filling_);
    Items().Clear();
    sort_scratch_ = {};  // sized for the rows just gone
    population_tick_ = GetTickCount();
    rows_folder_ = dirwalker_->ShellFolder();
    rows_folder_id_list_ = dirwalker_->FolderIdListCopy();
    CreateColumns();
    Raise(OnCreateColumns, this);
    if (OnAddItem) {
      while (dirwalker_->NextObject()) AddObjectItem(details_);
    } else {
      AddAcceptedObjects();
    }
    if (show_parent_folder_) AddParentEntry();
    SortItems();
    UpdateSortArrows();
  } catch (...) {
    RestartEnumeration();
    throw;
  }
  Raise(OnPopulated, this);
  Raise(OnPathChanged, this);
}

// An enumeration abandoned half-way would otherwise be continued by the next
// fill, which would then miss the objects already passed. Binding the folder
// object again is the one way to have it start from the first object.
void TKivShellList::RestartEnumeration() noexcept {
  try {
    const AbsoluteIdList folder = dirwalker_->FolderIdListCopy();
    if (folder) dirwalker_->SetFolderIDList(folder.get());
  } catch (const std::exception&) {
    // The folder has gone: the next fill binds elsewhere or fails on its own.
  }
}

bool TKivShellList::AcceptObject() {
  if (!ShowHidden() && dirwalker_->IsHidden()) return false;
  if (!ShowNethood()) {
    const TKivShellFolder special = dirwalker_->ObjectSpecialFolder();
    if (special == SF_NETHOOD || special == SF_NETWORK) return false;
  }
  if (!ShowRecycleBin()) {
    if (dirwalker_->ObjectSpecialFolder() == SF_BITBUCKET) return false;
    if (StartsWithText(dirwalker_->ObjectName(), L"RECYCL") && dirwalker_->IsHidden()) return false;
  }
  return ShowFiles() || dirwalker_->IsFolder();
}

// The current object gets a row: folders are shown or it is none, and the
// object filter takes it.
bool TKivShellList::ObjectWanted() { return (show_folders_ || !dirwalker_->IsFolder()) && AcceptObject(); }

// With no add handler to see each object as it is met, the objects are
// gathered first and their rows added in one run, the count known: the
// control can then make room for them at once. Added one by one between
// the shell's own allocations, the rows cost Wine's list view a growing
// copy of its row array, quadratic in a large folder.
void TKivShellList::AddAcceptedObjects() {
  std::vector<ChildIdList> ids;
  while (dirwalker_->NextObject())
    if (ObjectWanted()) ids.push_back(dirwalker_->ObjectIdCopy());
  Items().Reserve(static_cast<int>(ids.size()) + (show_parent_folder_ ? 1 : 0));
  for (ChildIdList& id : ids) AddRow(std::move(id));
}

TListItem* TKivShellList::AddRow(ChildIdList id) {
  TListItem* item = Items().Add();
  if (!item) return nullptr;
  // The display name is the one costly question per object, so it is asked
  // when the caption is first read (by the control when it draws the row,
  // by the sort, or by anyone else) rather than for every object here.
  item->SetCaptionPending();
  auto record = std::make_unique<TKivShellListItem>();
  record->ItemId = std::move(id);
  item->SetData(record.release());
  return item;
}

void TKivShellList::AddObjectItem(bool details) {
  if (!ObjectWanted()) return;
  TListItem* item = AddRow(dirwalker_->ObjectIdCopy());
  if (!item || !OnAddItem) return;
  bool can_add = true;
  if (details) GatherDetailTexts(item);
  OnAddItem(item, can_add);
  if (!can_add) item->Delete();
}

void TKivShellList::AddParentEntry() {
  if (ShowsDesktop()) return;
  TListItem* item = Items().Add();
  if (!item) return;
  item->SetCaption(kParentEntryCaption);
  item->SetStateIndex(1);
  auto record = std::make_unique<TKivShellListItem>();
  record->IsParentEntry = true;
  item->SetData(record.release());
  parent_entry_ = item;
}

// The same answer as asking whether SpecialFolder is SF_DESKTOP: no special
// folder of a lower rank can be the desktop. The full look-up asks the
// platform for up to 36 folders, a price every fill would pay.
bool TKivShellList::ShowsDesktop() const {
  IShellFolder* desktop = ShellModule::DesktopFolder();
  PCIDLIST_ABSOLUTE shown = dirwalker_->FolderIdList();
  if (!desktop || !shown) return false;
  const HRESULT hr = desktop->CompareIDs(0, shown, ShellModule::EmptyIdList());
  return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

std::wstring TKivShellList::ResolveCaption(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record && item == deleting_.first) record = deleting_.second;
  if (!record || !record->ItemId) return {};
  if (dirwalker_->ShellFolder() == rows_folder_.Get()) {
    CurrentObjectScope keep(*dirwalker_);
    dirwalker_->SetCurrentId(record->ItemId.get());
    return dirwalker_->DisplayName();
  }
  // The folder object has been bound elsewhere since the fill: ask a
  // folder object of the rows' own folder.
  try {
    TDirwalker rows_folder(nullptr);
    rows_folder.SetShowErrorMessages(false);
    rows_folder.SetFolderIDList(rows_folder_id_list_.get());
    rows_folder.SetCurrentId(record->ItemId.get());
    return rows_folder.DisplayName();
  } catch (const EDirwalkerError&) {
    return {};  // the folder is gone: the row is about to go too
  }
}

void TKivShellList::GatherDetailTexts(TListItem* item) {
  std::vector<std::wstring> texts;
  texts.reserve(shell_column_count_ > 1 ? shell_column_count_ - 1 : 0);
  for (int column = 1; column < shell_column_count_; ++column)
    texts.push_back(dirwalker_->DetailText(column_map_[column], false));
  item->SetSubItems(std::move(texts));
}

// A text sort needs a row's detail texts, not its icon: under Wine the icon
// is by far the dearest question (tens of milliseconds a row in a large
// folder), and the row asks for it anyway when it is drawn.
void TKivShellList::GatherRowDetailTexts(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!details_ || !record || record->IsParentEntry || !record->ItemId) return;
  if (dirwalker_->ShellFolder() != rows_folder_.Get()) return;
  dirwalker_->SetCurrentId(record->ItemId.get());
  GatherDetailTexts(item);
}

void TKivShellList::GetImageIndex(TListItem* item) {
  if (item->ImageIndex() < 0) UpdateItem(item);
  Raise(OnGetImageIndex, this, item);
}

// The shell's data of a row, fetched once, when the list first draws it.
void TKivShellList::UpdateItem(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record) return;
  const bool parent_entry = record->IsParentEntry;
  if (!parent_entry) {
    // Rows of a folder the folder object has left are about to go.
    if (!record->ItemId || dirwalker_->ShellFolder() != rows_folder_.Get()) return;
    dirwalker_->SetCurrentId(record->ItemId.get());
    if (details_ && item->SubItems().empty()) GatherDetailTexts(item);
  }
  if (ViewStyle() != TViewStyle::vsIcon || !thumbnails_)
    item->SetImageIndex(parent_entry ? small_image_list_->TempFolderIconIndex() : dirwalker_->SmallIconIndex());
  if (parent_entry) return;
  ErrorModeScope no_critical_error_boxes(SEM_FAILCRITICALERRORS);
  item->SetOverlayIndex(dirwalker_->OverlayIndex());
  if (dirwalker_->Attributes(SFGAO_HIDDEN) & SFGAO_HIDDEN) item->SetCut(true);
  record->Compressed = ColorCompressed() && (dirwalker_->Attributes(SFGAO_COMPRESSED) & SFGAO_COMPRESSED);
  record->Encrypted = ColorEncrypted() && (dirwalker_->Attributes(SFGAO_ENCRYPTED) & SFGAO_ENCRYPTED);
}

}  // namespace wf
