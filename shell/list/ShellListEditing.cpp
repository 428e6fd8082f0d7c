// New folders and renaming in place: the list's side of its edits.
#include "shell/core/IdList.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

constexpr wchar_t kDefaultFolderName[] = L"New Folder";

// A name of one object inside the folder: with a separator it would name a
// path reaching into another folder, and "." or ".." a folder already there.
bool NamesObjectInFolder(const std::wstring& name) {
  return name.find_first_of(L"\\/") == std::wstring::npos && name != L"." && name != L"..";
}

}  // namespace

bool TKivShellList::CreateNewFolder(const std::wstring& name, bool edit) {
  const std::wstring folder_name = name.empty() ? kDefaultFolderName : name;
  const std::wstring folder = Path();
  // A folder without a file-system path (My Computer) has no place for a new
  // one: the name alone would be made in the process's current directory.
  if (folder.empty() || !NamesObjectInFolder(folder_name)) return false;
  const std::wstring path = IncludeTrailingBackslash(folder) + folder_name;
  const bool created = CreateDirectoryW(LongPathForm(path).c_str(), nullptr) != FALSE;
  // Told even when the folder was there already: whoever shows it refreshes.
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, path.c_str(), nullptr);
  if (!edit) return created;
  MergeRefresh();
  // Found by its object: where extensions are hidden, "New Folder.lnk" or
  // "New Folder.txt" shows the same caption. A folder of that name already
  // there is the one the user meant to name.
  const RelativeIdList made =
      row_query_ ? PathToIdList(row_query_.Folder(), folder_name) : RelativeIdList();
  if (IdListCount(made.get()) == 1)
    parts_->renaming.EditAlone(FindItemById(reinterpret_cast<PCUITEMID_CHILD>(made.get())));
  return created;
}

bool TKivShellList::EditSelected() {
  TListItem* item = Selected();
  return item && item->EditCaption();
}

void TKivShellList::AssignRenameHook() {
  if (ReadOnly())
    dirwalker_->OnRename = nullptr;
  else
    dirwalker_->OnRename = [this](TObject*) { EditSelected(); };
}

bool TKivShellList::CanEdit(TListItem* item) {
  return TCustomListView::CanEdit(item) && parts_->renaming.CanEdit(item);
}

void TKivShellList::EditEnded(TListItem* item, std::wstring* text) {
  parts_->renaming.Ended(item, text);
}

}  // namespace wf
