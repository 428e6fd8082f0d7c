// The report step: what the list does when files were copied, moved,
// deleted or renamed through it; cutting and pasting.
#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {

// From this many rows on, their folder is read once rather than each row's
// file looked up: a gone file's look-up can cost a read of its folder, but
// on Windows a few look-ups cost less than reading a large folder.
constexpr size_t kRowsWorthAFolderRead = 64;

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
}

void TKivShellList::RemoveRows(std::vector<TListItem*> rows) {
  DeleteRows(std::move(rows));
}

void TKivShellList::MarkCut(TListItem* item) {
  item->SetCut(true);
  if (TKivShellListItem* record = RecordOf(item)) record->Cut = true;
}

bool TKivShellList::PasteIntoFolder(const std::wstring& verb) {
  std::unique_ptr<TStringList> clipboard;
  if (SameVerb(verb, L"paste")) clipboard = ClipboardFiles();
  const bool done = RunVerbOnFolder(verb);
  if (done && clipboard) ReportPaste(std::move(clipboard), Path());
  RestartRefreshTimer();
  return done;
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
