// The report step: what the list does when files were copied, moved,
// deleted or renamed through it.
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

namespace wf {

void TKivShellList::ReportOperation(TKivShellOperations operations,
                                    std::unique_ptr<TStringList> files,
                                    const std::wstring& destination) {
  if (operations.Contains(sopDelete) && HandleAllocated()) {
    // A cancelled or partial delete leaves objects behind: only the rows of
    // those that went are removed. Rows without a file-system path cannot be
    // looked for, so the report's word stands for them.
    std::vector<TListItem*> gone;
    // The control is asked only as many times as it has selected rows.
    const HWND list = Handle();
    auto selected = SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0);
    for (int i = -1; selected > 0; --selected) {
      i = static_cast<int>(
          SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED));
      TListItem* item = Items()[i];
      if (!item) break;
      TKivShellListItem* record = RecordOf(item);
      if (!record || record->IsParentEntry || item == parent_entry_) continue;
      const std::wstring path = ItemPath(item);
      if (path.empty() || !PathExists(path)) gone.push_back(item);
    }
    RemoveRows(std::move(gone));
  }
  if (files && !files->Empty() && OnOperation) OnOperation(this, operations, *files, destination);
}

void TKivShellList::RemoveRows(std::vector<TListItem*> rows) {
  DeleteRows(std::move(rows));
}

}  // namespace wf
