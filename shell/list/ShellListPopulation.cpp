// Filling the list from its folder, and the rows' late updates.
#include "shell/list/ShellControls.h"

#include <utility>
#include <vector>

#include "framework/Cursor.h"
#include "framework/ScopedValue.h"
#include "framework/Strings.h"
#include "shell/core/ShellModule.h"

namespace wf {

namespace {

constexpr wchar_t kParentEntryCaption[] = L" .. ";

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

// The notifier is off while a fill runs, and on again afterwards when the
// list follows its folder, however the fill ends.
class NotifierPause {
 public:
  NotifierPause(TKivShellChangeNotifier& notifier, const bool& automatic_refresh)
      : notifier_(notifier), automatic_refresh_(automatic_refresh) {
    notifier_.SetEnabled(false);
  }
  ~NotifierPause() { notifier_.SetEnabled(automatic_refresh_); }
  NotifierPause(const NotifierPause&) = delete;
  NotifierPause& operator=(const NotifierPause&) = delete;

 private:
  TKivShellChangeNotifier& notifier_;
  const bool& automatic_refresh_;
};

}  // namespace

TKivShellListItem* TKivShellList::RecordOf(TListItem* item) {
  return item ? static_cast<TKivShellListItem*>(item->Data()) : nullptr;
}

// A fill asked for by a handler of the running fill (a changed option, a new
// path) would clear the rows under the running one and continue its
// enumeration: it is noted instead, and runs once the running fill is done
// with its rows. Asked for before the closing events, it replaces them; asked
// for by them, it follows them with its own.
void TKivShellList::Populate() {
  if (IsLoading() || !Enabled()) return;
  // A merge holds rows while it reads the folder: the fill follows it.
  if (merge_.Running()) {
    merge_.RefillAfter();
    return;
  }
  if (populating_) {
    refill_requested_ = true;
    return;
  }
  const ScopedValue populating(populating_, true);
  CursorScope hour_glass(crHourGlass);
  // Nothing the fill does is news to the list. Should it fail, the notifier
  // goes on watching the folder it watched.
  const NotifierPause notifier_paused(refresh_.Notifier(), automatic_refresh_);
  // The directory watch starts before the folder is read, so that whatever
  // changes while the fill runs is merged after it.
  if (automatic_refresh_) refresh_.WatchDirectory(dirwalker_->FolderIdList());
  do {
    refill_requested_ = false;
    {
      // What the change handlers do to the list (a form trimming its
      // columns, say) reaches the screen with the rows, in one redraw: each
      // column removed from a shown list costs a redraw of its own.
      ListUpdateScope one_redraw(Items());
      FillRows();
      if (refill_requested_) continue;
      // Rows filled lazily may reach the control without a single change
      // notice: whoever follows the list (a caption showing its path) hears
      // of the fill once, with no row, as a change of the whole list.
      Raise(OnChange, this, nullptr, TItemChange::ctText);
    }
    Raise(OnPopulated, this);
    Raise(OnPathChanged, this);
  } while (refill_requested_);
  if (automatic_refresh_) refresh_.Follow(FolderIdList());
  refresh_.FillEnded();
}

void TKivShellList::FillRows() {
  ++fills_started_;
  try {
    FillScope fill(Items(), filling_);
    Items().Clear();
    // Deletion handlers run before this fill reads its folder and options:
    // a fill they ask for is this one.
    refill_requested_ = false;
    sorter_.Forget();
    row_query_ = dirwalker_->ObjectQuery();
    CreateColumns();
    Raise(OnCreateColumns, this);
    if (refill_requested_) return;
    if (OnAddItem) {
      while (!refill_requested_ && dirwalker_->NextObject()) AddObjectItem(details_);
      if (refill_requested_) {
        RestartEnumeration();
        return;
      }
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
bool TKivShellList::ObjectWanted() {
  return (show_folders_ || !dirwalker_->IsFolder()) && AcceptObject();
}

// With no add handler to see each object as it is met, the objects are
// gathered first and their rows added in one run, the count known: the
// control can then make room for them at once. Added one by one between
// the shell's own allocations, the rows cost Wine's list view a growing
// copy of its row array, quadratic in a large folder.
void TKivShellList::AddAcceptedObjects() {
  std::vector<ChildIdList> ids;
  while (dirwalker_->NextObject())
    if (ObjectWanted()) ids.push_back(dirwalker_->TakeObjectId());
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
  if (details) GatherDetailTexts(item, RecordOf(item)->ItemId.get());
  Raise(OnAddItem, item, can_add);
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
  return IsDesktopIdList(dirwalker_->FolderIdList());
}

std::wstring TKivShellList::ResolveCaption(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record && item == deleting_.first) record = deleting_.second;
  if (!record || !record->ItemId) return {};
  return row_query_.DisplayName(record->ItemId.get());
}

void TKivShellList::GatherDetailTexts(TListItem* item, PCUITEMID_CHILD id) {
  std::vector<std::wstring> texts;
  texts.reserve(columns_.ShellCount() > 1 ? columns_.ShellCount() - 1 : 0);
  for (int column = 1; column < columns_.ShellCount(); ++column)
    texts.push_back(row_query_.DetailText(id, columns_.ShellColumnOf(column)));
  item->SetSubItems(std::move(texts));
}

// A text sort needs a row's detail texts, not its icon: under Wine the icon
// is by far the dearest question (tens of milliseconds a row in a large
// folder), and the row asks for it anyway when it is drawn.
void TKivShellList::GatherRowDetailTexts(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!details_ || !record || record->IsParentEntry || !record->ItemId) return;
  GatherDetailTexts(item, record->ItemId.get());
}

void TKivShellList::GetImageIndex(TListItem* item) {
  if (item->ImageIndex() < 0) UpdateItem(item);
  Raise(OnGetImageIndex, this, item);
}

// The shell's data of a row, fetched once, when the list first draws it.
void TKivShellList::UpdateItem(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record) return;
  const bool shows_icon = ViewStyle() != TViewStyle::vsIcon || !thumbnails_;
  if (record->IsParentEntry) {
    if (shows_icon) item->SetImageIndex(small_image_list_->TempFolderIconIndex());
    return;
  }
  if (!record->ItemId) return;
  PCUITEMID_CHILD id = record->ItemId.get();
  if (details_ && item->SubItems().empty()) GatherDetailTexts(item, id);
  if (shows_icon) item->SetImageIndex(row_query_.SmallIconIndex(id));
  ErrorModeScope no_critical_error_boxes(SEM_FAILCRITICALERRORS);
  // One question for every attribute the row shows, the overlay's included.
  const SFGAOF asked = SFGAO_HIDDEN | (ColorCompressed() ? SFGAO_COMPRESSED : 0) |
                       (ColorEncrypted() ? SFGAO_ENCRYPTED : 0);
  SFGAOF attributes = 0;
  item->SetOverlayIndex(row_query_.OverlayIndex(id, asked, attributes));
  if (attributes & SFGAO_HIDDEN) item->SetCut(true);
  record->Compressed = (attributes & asked & SFGAO_COMPRESSED) != 0;
  record->Encrypted = (attributes & asked & SFGAO_ENCRYPTED) != 0;
}

void TKivShellList::RefreshChangedRow(TListItem* item, PCUITEMID_CHILD fresh) {
  RecordOf(item)->ItemId = CloneIdList(fresh);
  item->SetSubItems({});
  item->SetImageIndex(-1);
  item->SetOverlayIndex(-1);
  Change(item, LVIF_TEXT);
}

}  // namespace wf
