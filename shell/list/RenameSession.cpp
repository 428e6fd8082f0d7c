// Renaming in place: which rows may be edited, and what an edit that ended
// does to the object, the row and the operation report.
#include "shell/list/RenameSession.h"

#include <utility>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "shell/list/ShellControls.h"

namespace wf {

bool RenameSession::CanEdit(TListItem* item) {
  TKivShellListItem* record = TKivShellList::RecordOf(item);
  if (!record || record->IsParentEntry || !record->ItemId) return false;
  list_.dirwalker_->SetCurrentId(record->ItemId.get());
  if (!list_.dirwalker_->CanRename()) return false;
  identity_ = list_.row_query_.Identity(record->ItemId.get());
  return true;
}

void RenameSession::EditAlone(TListItem* row) {
  if (!row) return;
  list_.ClearSelection();
  row->SetSelected(true);
  row->SetFocused(true);
  row->MakeVisible(false);
  row->EditCaption();
}

void RenameSession::Ended(TListItem* item, std::wstring* text) {
  TKivShellList& list = list_;
  const std::wstring identity = std::exchange(identity_, {});
  if (std::exchange(refresh_after_edit_, false)) list.RestartRefreshTimer();
  TKivShellListItem* record = TKivShellList::RecordOf(item);
  if (!record || !record->ItemId || list.row_query_.Identity(record->ItemId.get()) != identity)
    return;
  TDirwalker& walker = *list.dirwalker_;
  // The folder object may have moved on while the editor was open.
  walker.SetCurrentId(record->ItemId.get());
  const std::wstring old_caption = item->Caption();
  list.TCustomListView::EditEnded(item, text);
  if (!text) return;
  std::wstring name = item->Caption();
  // Enter on the untouched name asks for nothing; the shell would refuse a
  // rename onto the object itself.
  if (name == old_caption) return;
  const std::wstring old_path = list.ItemPath(item);
  const bool renamed = walker.RenameObject(name);
  const DWORD error = GetLastError();
  item->SetCaption(name);
  if (!renamed) {
    // The shell answers ERROR_CANCELLED when it has told the user itself;
    // otherwise (Wine's never does, nor any without an owner window) the
    // user would see the old name come back without a word.
    if (static_cast<HRESULT>(error) != HRESULT_FROM_WIN32(ERROR_CANCELLED) && Application)
      Application->ShowException(Exception(L"Cannot rename \"" + old_caption + L"\" to \"" + *text +
                                           L"\": " + SystemErrorText(error)));
    return;
  }
  record->ItemId = CloneIdList(walker.CurrentId());
  // What the row showed of its object was fetched for the old name, and a
  // new extension brings a new type and icon: fetched again when drawn.
  item->SetSubItems({});
  item->SetImageIndex(-1);
  list.Change(item, LVIF_TEXT);
  auto files = std::make_unique<TStringList>();
  files->Add(old_path);
  list.ReportOperation({sopRename}, std::move(files), list.ItemPath(item));
  if (list.ViewStyle() == TViewStyle::vsIcon) list.Populate();
}

}  // namespace wf
