// Filling the list from its folder: when a fill runs and what it tells; and
// what the rows show, fetched when first drawn.
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

#include <utility>
#include <vector>

#include "framework/Cursor.h"
#include "framework/ScopedValue.h"
#include "framework/Strings.h"
#include "shell/core/ShellModule.h"

namespace wf {

namespace {

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
  if (parts_->merge.Running()) {
    parts_->merge.RefillAfter();
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
  const NotifierPause notifier_paused(parts_->refresh.Notifier(), automatic_refresh_);
  // The directory watch starts before the folder is read, so that whatever
  // changes while the fill runs is merged after it.
  if (automatic_refresh_) parts_->refresh.WatchDirectory(dirwalker_->FolderIdList());
  do {
    refill_requested_ = false;
    {
      // What the change handlers do to the list (a form trimming its
      // columns, say) reaches the screen with the rows, in one redraw: each
      // column removed from a shown list costs a redraw of its own.
      ListUpdateScope one_redraw(Items());
      parts_->fill.Fill();
      if (refill_requested_) continue;
      // Rows filled lazily may reach the control without a single change
      // notice: whoever follows the list (a caption showing its path) hears
      // of the fill once, with no row, as a change of the whole list.
      Raise(OnChange, this, nullptr, TItemChange::ctText);
    }
    Raise(OnPopulated, this);
    Raise(OnPathChanged, this);
  } while (refill_requested_);
  if (automatic_refresh_) parts_->refresh.Follow(FolderIdList());
  parts_->refresh.FillEnded();
}

std::wstring TKivShellList::ResolveCaption(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (!record && item == deleting_.first) record = deleting_.second;
  if (!record || !record->ItemId) return {};
  return row_query_.DisplayName(record->ItemId.get());
}

void TKivShellList::GatherDetailTexts(TListItem* item, PCUITEMID_CHILD id) {
  std::vector<std::wstring> texts;
  texts.reserve(parts_->columns.ShellCount() > 1 ? parts_->columns.ShellCount() - 1 : 0);
  for (int column = 1; column < parts_->columns.ShellCount(); ++column)
    texts.push_back(row_query_.DetailText(id, parts_->columns.ShellColumnOf(column)));
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
  const bool shows_picture = ViewStyle() == TViewStyle::vsIcon && thumbnails_;
  const auto show_icon = [&](int icon) {
    if (shows_picture)
      parts_->thumbnails.MakePicture(item, *record, icon);
    else
      item->SetImageIndex(icon);
  };
  if (record->IsParentEntry) {
    show_icon(small_image_list_->TempFolderIconIndex());
    return;
  }
  if (!record->ItemId) return;
  PCUITEMID_CHILD id = record->ItemId.get();
  if (details_ && item->SubItems().empty()) GatherDetailTexts(item, id);
  show_icon(row_query_.SmallIconIndex(id));
  RefreshRowCheckState(item);
  ErrorModeScope no_critical_error_boxes(SEM_FAILCRITICALERRORS);
  // One question for every attribute the row shows, the overlay's included.
  const SFGAOF asked = SFGAO_HIDDEN | (ColorCompressed() ? SFGAO_COMPRESSED : 0) |
                       (ColorEncrypted() ? SFGAO_ENCRYPTED : 0);
  SFGAOF attributes = 0;
  item->SetOverlayIndex(row_query_.OverlayIndex(id, asked, attributes));
  record->Hidden = (attributes & SFGAO_HIDDEN) != 0;
  if (record->Hidden) item->SetCut(true);
  record->Compressed = (attributes & asked & SFGAO_COMPRESSED) != 0;
  record->Encrypted = (attributes & asked & SFGAO_ENCRYPTED) != 0;
}

bool TKivShellList::CustomDrawItem(TListItem* item, UINT state, TCustomDrawStage stage) {
  TKivShellListItem* record = RecordOf(item);
  if (stage == TCustomDrawStage::cdPrePaint && record) {
    // The control may draw a row before it asks for the row's image, which
    // is when the row learns what it is.
    if (item->ImageIndex() < 0) UpdateItem(item);
    // A colour the font refuses leaves the row in the list's own.
    try {
      if (ColorCompressed() && record->Compressed) Canvas().Font().SetColor(clBlue);
      if (ColorEncrypted() && record->Encrypted) Canvas().Font().SetColor(clGreen);
    } catch (const std::exception&) {
    }
  }
  return TCustomListView::CustomDrawItem(item, state, stage);
}

void TKivShellList::RefreshChangedRow(TListItem* item, PCUITEMID_CHILD fresh) {
  RecordOf(item)->ItemId = CloneIdList(fresh);
  item->SetSubItems({});
  item->SetImageIndex(-1);
  item->SetOverlayIndex(-1);
  Change(item, LVIF_TEXT);
}

}  // namespace wf
