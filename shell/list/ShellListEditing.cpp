// Renaming in place: which rows may be edited, and what an edit that ended
// does to the object, the row and the operation report.
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

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
  const RelativeIdList made = rows_ ? PathToIdList(rows_.Folder(), folder_name) : RelativeIdList();
  TListItem* row = IdListCount(made.get()) == 1
                       ? FindItemById(reinterpret_cast<PCUITEMID_CHILD>(made.get()))
                       : nullptr;
  if (row) {
    ClearSelection();
    row->SetSelected(true);
    row->SetFocused(true);
    row->MakeVisible(false);
    row->EditCaption();
  }
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
  if (!TCustomListView::CanEdit(item)) return false;
  TKivShellListItem* record = RecordOf(item);
  if (!record || record->IsParentEntry || !record->ItemId) return false;
  dirwalker_->SetCurrentId(record->ItemId.get());
  return dirwalker_->CanRename();
}

void TKivShellList::EditEnded(TListItem* item, std::wstring* text) {
  RunRefreshPutOffByEdit();
  TKivShellListItem* record = RecordOf(item);
  if (!record || !record->ItemId) return;
  // The folder object may have moved on while the editor was open.
  dirwalker_->SetCurrentId(record->ItemId.get());
  const std::wstring old_caption = item->Caption();
  TCustomListView::EditEnded(item, text);
  if (!text) return;
  std::wstring name = item->Caption();
  // Enter on the untouched name asks for nothing; the shell would refuse a
  // rename onto the object itself.
  if (name == old_caption) return;
  const std::wstring old_path = ItemPath(item);
  const bool renamed = dirwalker_->RenameObject(name);
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
  record->ItemId = CloneIdList(dirwalker_->CurrentId());
  // What the row showed of its object was fetched for the old name, and a
  // new extension brings a new type and icon: fetched again when drawn.
  item->SetSubItems({});
  item->SetImageIndex(-1);
  Change(item, LVIF_TEXT);
  auto files = std::make_unique<TStringList>();
  files->Add(old_path);
  ReportOperation({sopRename}, std::move(files), ItemPath(item));
  if (ViewStyle() == TViewStyle::vsIcon) Populate();
}

}  // namespace wf
