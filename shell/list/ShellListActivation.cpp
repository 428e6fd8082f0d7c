// Activation, navigation and keys: what a double-click, Enter and the other
// keys do to the selected rows, and moving into folders and back up.
#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {

constexpr WORD kKeyEnter = VK_RETURN;
constexpr WORD kKeyDelete = VK_DELETE;
constexpr WORD kKeyA = 'A';
constexpr WORD kKeyC = 'C';
constexpr WORD kKeyV = 'V';
constexpr WORD kKeyX = 'X';
constexpr WORD kKeyF2 = VK_F2;
constexpr WORD kKeyF5 = VK_F5;
constexpr WORD kKeyF10 = VK_F10;
constexpr wchar_t kBackspace = 8;

}  // namespace

bool TKivShellList::InvokeVerb(const std::wstring& verb) {
  TListItem* selected = Selected();
  if (!selected) return false;
  const int count = SelCount();
  TKivShellListItem* record = RecordOf(selected);
  if (count == 1 && record && record->IsParentEntry) {
    if (SameVerb(verb, L"default")) GoUp();
    return true;
  }

  AssignRenameHook();

  if (SameVerb(verb, L"delete")) return DeleteSelected(false);

  std::unique_ptr<TStringList> clipboard;
  if (SameVerb(verb, L"paste")) clipboard = ClipboardFiles();
  // Taken before the shell is asked, which may let messages through: the
  // rows are found again by their objects afterwards.
  const std::wstring paste_target = count == 1 ? ItemPath(selected) : Path();
  std::vector<std::wstring> chosen;
  if (SameVerb(verb, L"cut"))
    for (TListItem* item : SelectedObjectRows())
      chosen.push_back(row_query_.Identity(RecordOf(item)->ItemId.get()));

  bool done = false;
  if (count == 1 && record && !record->IsParentEntry) {
    dirwalker_->SetCurrentId(record->ItemId.get());
    if (SameVerb(verb, L"default") || SameVerb(verb, L"open")) return OpenSelected(verb);
    done = dirwalker_->RunVerb(verb);
  } else {
    AssignRowsToDirwalker(SelectedRows());
    done = dirwalker_->RunVerb(verb);
  }
  if (!done) return false;

  if (clipboard) {
    // Pasted onto one row, the files went into that row's folder.
    ReportPaste(std::move(clipboard), paste_target);
  } else {
    MarkClipboardRows(verb, chosen);
  }
  return true;
}

// The current object is the selected row's: a folder, or a link to an
// existing folder, is shown in the list; anything else goes to the shell.
bool TKivShellList::OpenSelected(const std::wstring& verb) {
  const std::wstring target = dirwalker_->LinkTargetFolder();
  if (dirwalker_->IsFolder()) {
    dirwalker_->OpenObject();
    parts_->link.AnnounceFolder();
    Populate();
    return true;
  }
  if (!target.empty() && DirectoryExists(target)) {
    dirwalker_->SetFolder(target);
    parts_->link.AnnounceFolder();
    Populate();
    return true;
  }
  return dirwalker_->RunVerb(verb);
}

// Reports the objects the shell really removed, by their full paths; a
// cancelled confirmation removes nothing and reports nothing.
bool TKivShellList::DeleteSelected(bool permanently) {
  TListItem* selected = Selected();
  if (!selected) return false;
  if (SelCount() == 1) {
    TKivShellListItem* record = RecordOf(selected);
    if (!record || record->IsParentEntry) return false;
    dirwalker_->SetCurrentId(record->ItemId.get());
  } else {
    AssignRowsToDirwalker(SelectedRows());
  }
  std::vector<std::wstring> gone;
  if (!dirwalker_->RunVerb(L"delete", {.shift_down = permanently, .gone = &gone})) return false;
  auto files = std::make_unique<TStringList>();
  const std::wstring folder = Path();
  for (const std::wstring& name : gone) files->Add(folder + name);
  ReportOperation({sopDelete, sopRemove}, std::move(files), L"");
  if (!automatic_refresh_) RestartRefreshTimer();
  return true;
}

bool TKivShellList::GoUp() {
  dirwalker_->SelectFolderInParent();
  parts_->link.AnnounceFolder();
  Populate();
  return true;
}

void TKivShellList::KeyDown(WORD& key, TShiftState shift) {
  TCustomListView::KeyDown(key, shift);
  if (key == 0 || IsEditing()) return;
  const bool ctrl = shift.Contains(TShift::ssCtrl);
  switch (key) {
    case kKeyEnter:
      InvokeVerb(shift.Contains(TShift::ssAlt) ? L"properties" : L"default");
      key = 0;
      break;
    case kKeyDelete:
      if (!ReadOnly()) DeleteSelected(shift.Contains(TShift::ssShift));
      break;
    case kKeyA:
      if (!ctrl) break;
      SelectAll();
      SetFocus();
      key = 0;
      break;
    case kKeyC:
      if (!ctrl) break;
      InvokeVerb(L"copy");
      key = 0;
      break;
    case kKeyV:
      if (ctrl && !ReadOnly() && PasteIntoFolder(L"paste")) key = 0;
      break;
    case kKeyX:
      if (ctrl && !ReadOnly() && InvokeVerb(L"cut")) key = 0;
      break;
    case kKeyF2:
      if (Selected()) InvokeVerb(L"rename");
      break;
    case kKeyF5:
      Populate();
      parts_->link.AnnounceRefresh();
      break;
    case kKeyF10:
      // The platform would ask for a second menu (the control's own popup)
      // for the same key: the shell's menu already carries its items.
      if (shift.Contains(TShift::ssShift) && shell_context_menu_ && Selected()) {
        ShowItemMenu(parts_->menus.SelectionMenuPoint(Selected()));
        key = 0;
      }
      break;
  }
}

void TKivShellList::KeyPress(wchar_t& key) {
  TCustomListView::KeyPress(key);
  if (IsEditing() || key != kBackspace) return;
  if (parts_->link.ParentNavigation()) GoUp();
  key = 0;
}

void TKivShellList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomListView::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  if (!shift.Contains(TShift::ssDouble)) {
    ClickCheckBox(x, y);
    return;
  }
  if (OnDblClick && Owner()) return;
  if (IsLoading()) {
    ChildIdList reselect;
    if (TListItem* item = Selected())
      if (TKivShellListItem* record = RecordOf(item); record && record->ItemId)
        reselect = CloneIdList(record->ItemId.get());
    Loaded();
    if (reselect) SelectItemById(reselect.get());
  }
  InvokeVerb(L"default");
}

}  // namespace wf
