// The report step: what the list does when files were copied, moved,
// deleted or renamed through it; cutting, pasting and dragging.
#include "framework/Strings.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ShellUtils.h"
#include "shell/core/SpecialFolders.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

// From this many rows on, their folder is read once rather than each row's
// file looked up: a gone file's look-up can cost a read of its folder, but
// on Windows a few look-ups cost less than reading a large folder.
constexpr size_t kRowsWorthAFolderRead = 64;
// Key-state bits of the three mouse buttons.
constexpr DWORD kMouseButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

// The shell's drop target of the object `list` names, asked of its parent
// folder as the shell's own windows ask; none for the desktop itself.
Microsoft::WRL::ComPtr<IDropTarget> DropTargetOf(HWND window, PCIDLIST_ABSOLUTE list) {
  Microsoft::WRL::ComPtr<IDropTarget> target;
  Microsoft::WRL::ComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  if (!list || IdListCount(list) == 0 ||
      FAILED(SHBindToParent(list, IID_IShellFolder, OutVoid(parent), &child)) || !parent ||
      FAILED(parent->GetUIObjectOf(window, 1, &child, IID_IDropTarget, nullptr, OutVoid(target))))
    return nullptr;
  return target;
}

}  // namespace

void TKivShellList::ReportOperation(TKivShellOperations operations,
                                    std::unique_ptr<TStringList> files,
                                    const std::wstring& destination) {
  if (operations.Contains(sopDelete) && HandleAllocated()) {
    // A cancelled or partial delete leaves objects behind: only the rows of
    // those that went are removed. Rows without a file-system path cannot be
    // looked for, so the report's word stands for them.
    std::vector<TListItem*> gone;
    const std::vector<TListItem*> selected = SelectedRows();
    const bool many = selected.size() >= kRowsWorthAFolderRead;
    PathPresence presence;
    for (TListItem* item : selected) {
      TKivShellListItem* record = RecordOf(item);
      if (!record || record->IsParentEntry || item == parent_entry_) continue;
      // Asked of the rows' folder first: a row's path made by the shell from
      // its id looks the object up, slowly when it is gone.
      std::wstring path =
          row_query_ ? row_query_.FileSystemPath(record->ItemId.get()) : std::wstring();
      if (path.empty()) path = ItemPath(item);
      if (path.empty() || !(many ? presence.Exists(path) : PathExists(path))) gone.push_back(item);
    }
    RemoveRows(std::move(gone));
  }
  if (files && !files->Empty() && OnOperation) OnOperation(this, operations, *files, destination);
  parts_->link.AnnounceOperation(operations);
}

void TKivShellList::RemoveRows(std::vector<TListItem*> rows) {
  DeleteRows(std::move(rows));
}

void TKivShellList::MarkClipboardRows(const std::wstring& verb,
                                      const std::vector<std::wstring>& chosen) {
  const bool cut = SameVerb(verb, L"cut");
  if (!cut && !SameVerb(verb, L"copy")) return;
  // The clipboard holds only the latest cut or copy: rows cut before are
  // going nowhere now, and a merge must not report them as moved when they
  // go. A hidden object's row stays ghosted.
  const int count = Items().Count();
  for (int i = 0; i < count; ++i) {
    TListItem* row = Items()[i];
    TKivShellListItem* record = RecordOf(row);
    if (!record || !record->Cut) continue;
    record->Cut = false;
    row->SetCut(record->Hidden);
  }
  if (!cut) return;
  std::unique_ptr<TStringList> clipboard = ClipboardFiles();
  parts_->own_paste.NoteCut(clipboard ? clipboard->Items() : std::vector<std::wstring>{});
  for (TListItem* row : RowsOfIdentities(chosen)) {
    row->SetCut(true);
    if (TKivShellListItem* record = RecordOf(row)) record->Cut = true;
  }
}

bool TKivShellList::PasteIntoFolder(const std::wstring& verb) {
  std::unique_ptr<TStringList> clipboard;
  const bool paste = SameVerb(verb, L"paste");
  if (paste) clipboard = ClipboardFiles();
  const std::wstring folder = Path();
  const bool done =
      paste && clipboard && !clipboard->Empty() && !folder.empty() && ShellPasteIsInert()
          ? parts_->own_paste.Run(Handle(), *clipboard, folder)
          : RunVerbOnFolder(verb);
  if (done && clipboard) ReportPaste(std::move(clipboard), Path());
  RestartRefreshTimer();
  return done;
}

bool TKivShellList::ShellPasteIsInert() {
  // Windows' paste may still be copying when its verb returns: it is never
  // done twice there.
  return RunningOnWine();
}

// The shown folder is the current object of a folder object of its own, one
// level up, so that the verb lands on the folder itself and not on its rows.
bool TKivShellList::RunVerbOnFolder(const std::wstring& verb) {
  TDirwalker walker(nullptr);
  walker.SetShowErrorMessages(ShowErrorMessages());
  // The rows' folder: the list's folder object may have been moved on.
  walker.SetFolderIDList(FolderIdList());
  walker.SelectFolderInParent();
  return walker.RunVerb(verb);
}

void TKivShellList::ReportPaste(std::unique_ptr<TStringList> clipboard,
                                const std::wstring& destination) {
  if (clipboard->Empty()) return;
  // A moved file is gone from where the clipboard named it.
  const bool copied = PathExists(clipboard->Items().front());
  const TKivShellOperations operations = copied ? TKivShellOperations{sopCopy, sopPaste, sopAdd}
                                                : TKivShellOperations{sopMove, sopPaste, sopAdd};
  ReportOperation(operations, std::move(clipboard), destination);
}

}  // namespace wf

namespace wf {

void TKivShellList::StartShellDrag(TMouseButton button) {
  parts_->drag.StartDrag(button);
}

IDropTarget* TKivShellList::DropTarget() {
  return &parts_->drag;
}

Microsoft::WRL::ComPtr<IDropTarget> TKivShellList::GetDropTarget(TListItem* item) {
  const HWND window = HandleAllocated() ? Handle() : nullptr;
  const PCIDLIST_ABSOLUTE folder = FolderIdList();
  TKivShellListItem* record = item ? RecordOf(item) : nullptr;
  if (item && !record) return nullptr;
  // " .. " is the shown folder's parent.
  if (record && record->IsParentEntry) return DropTargetOf(window, ParentIdList(folder).get());
  if (record) {
    IShellFolder* rows_folder = row_query_.Folder();
    PCUITEMID_CHILD id = record->ItemId.get();
    Microsoft::WRL::ComPtr<IDropTarget> target;
    if (!rows_folder || !id ||
        FAILED(
            rows_folder->GetUIObjectOf(window, 1, &id, IID_IDropTarget, nullptr, OutVoid(target))))
      return nullptr;
    return target;
  }
  // The desktop shows its folder's files: they land there.
  if (SpecialFolder() == SF_DESKTOP)
    return DropTargetOf(window, SpecialFolderIdList(SF_DESKTOPDIRECTORY).get());
  return DropTargetOf(window, folder);
}

HRESULT TKivShellList::QueryContinueDrag(BOOL escape, DWORD keys) {
  const DWORD button = parts_->drag.SourceButton();
  if (escape || (keys & kMouseButtons & ~button)) return DRAGDROP_S_CANCEL;
  return (keys & button) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT TKivShellList::GiveFeedback(DWORD) {
  return DRAGDROP_S_USEDEFAULTCURSORS;
}

bool TKivShellList::OnNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    // The platform's drag is the list's one drag: these never reach the
    // framework.
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
      if (ole_drag_drop_ && Selected())
        StartShellDrag(header->code == LVN_BEGINDRAG ? TMouseButton::mbLeft
                                                     : TMouseButton::mbRight);
      result = 0;
      return true;
  }
  return TCustomListView::OnNotify(header, result);
}

}  // namespace wf
