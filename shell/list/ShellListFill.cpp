// A fill of the shell list: which objects get rows, and how they are made.
#include "shell/list/ShellListFill.h"

#include <memory>
#include <utility>
#include <vector>

#include "framework/Strings.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

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

}  // namespace

void FolderFill::Fill() {
  TKivShellList& list = list_;
  ++list.fills_started_;
  try {
    FillScope fill(list.Items(), list.filling_);
    list.parts_->thumbnails.NewPopulation();
    list.Items().Clear();
    // Deletion handlers run before this fill reads its folder and options:
    // a fill they ask for is this one.
    list.refill_requested_ = false;
    list.parts_->sorter.Forget();
    list.row_query_ = list.dirwalker_->ObjectQuery();
    list.CreateColumns();
    Raise(list.OnCreateColumns, &list);
    if (list.refill_requested_) return;
    if (list.OnAddItem) {
      while (!list.refill_requested_ && list.dirwalker_->NextObject()) AddObjectItem(list.details_);
      if (list.refill_requested_) {
        RestartEnumeration();
        return;
      }
    } else {
      AddAcceptedObjects();
    }
    if (list.show_parent_folder_ && list.parts_->link.ParentNavigation()) AddParentEntry();
    list.SortItems();
    list.UpdateSortArrows();
  } catch (...) {
    RestartEnumeration();
    throw;
  }
}

// Binding the folder object again is the one way to have it start from the
// first object.
void FolderFill::RestartEnumeration() noexcept {
  try {
    const AbsoluteIdList folder = list_.dirwalker_->FolderIdListCopy();
    if (folder) list_.dirwalker_->SetFolderIDList(folder.get());
  } catch (const std::exception&) {
    // The folder has gone: the next fill binds elsewhere or fails on its own.
  }
}

bool FolderFill::AcceptObject() {
  const TKivShellList& list = list_;
  TDirwalker& walker = *list.dirwalker_;
  if (!list.ShowHidden() && walker.IsHidden()) return false;
  if (!list.ShowNethood()) {
    const TKivShellFolder special = walker.ObjectSpecialFolder();
    if (special == SF_NETHOOD || special == SF_NETWORK) return false;
  }
  if (!list.ShowRecycleBin()) {
    if (walker.ObjectSpecialFolder() == SF_BITBUCKET) return false;
    if (StartsWithText(walker.ObjectName(), L"RECYCL") && walker.IsHidden()) return false;
  }
  return list.ShowFiles() || walker.IsFolder();
}

// The current object gets a row: folders are shown or it is none, and the
// object filter takes it.
bool FolderFill::ObjectWanted() {
  return (list_.show_folders_ || !list_.dirwalker_->IsFolder()) && AcceptObject();
}

// With no add handler to see each object as it is met, the objects are
// gathered first and their rows added in one run, the count known: the
// control can then make room for them at once. Added one by one between
// the shell's own allocations, the rows cost Wine's list view a growing
// copy of its row array, quadratic in a large folder.
void FolderFill::AddAcceptedObjects() {
  TDirwalker& walker = *list_.dirwalker_;
  std::vector<ChildIdList> ids;
  while (walker.NextObject())
    if (ObjectWanted()) ids.push_back(walker.TakeObjectId());
  list_.Items().Reserve(static_cast<int>(ids.size()) + (list_.show_parent_folder_ ? 1 : 0));
  for (ChildIdList& id : ids) AddRow(std::move(id));
}

TListItem* FolderFill::AddRow(ChildIdList id) {
  TListItem* item = list_.Items().Add();
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

void FolderFill::AddObjectItem(bool details) {
  if (!ObjectWanted()) return;
  TListItem* item = AddRow(list_.dirwalker_->ObjectIdCopy());
  if (!item || !list_.OnAddItem) return;
  bool can_add = true;
  if (details) list_.GatherDetailTexts(item, TKivShellList::RecordOf(item)->ItemId.get());
  Raise(list_.OnAddItem, item, can_add);
  if (!can_add) item->Delete();
}

// Not on the desktop, which has no parent. Asking whether the folder is
// the desktop's id list answers as asking whether SpecialFolder is
// SF_DESKTOP would, without the platform's look-up of up to 36 folders
// that every fill would pay.
void FolderFill::AddParentEntry() {
  if (IsDesktopIdList(list_.dirwalker_->FolderIdList())) return;
  TListItem* item = list_.Items().Add();
  if (!item) return;
  item->SetCaption(kParentEntryCaption);
  item->SetStateIndex(1);
  auto record = std::make_unique<TKivShellListItem>();
  record->IsParentEntry = true;
  item->SetData(record.release());
  list_.parent_entry_ = item;
}

}  // namespace wf
