#include "shell/dialogs/BrowseForFolder.h"

#include "framework/Application.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/Strings.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/ShellUtils.h"

namespace wf {

namespace {

// The picker writes the chosen item's display name here: MAX_PATH and the
// terminator.
constexpr size_t kDisplayNameLength = MAX_PATH + 1;

// What the last picker that had to fall back on a folder object chose; every
// new component starts from it.
std::wstring last_path;

UINT PlatformFlags(TKivBrowseFlags options) {
  UINT flags = 0;
  if (options.Contains(TKivBrowseFlag::bfNewDialogStyle)) flags |= BIF_NEWDIALOGSTYLE;
  if (options.Contains(TKivBrowseFlag::bfFileSystemOnly)) flags |= BIF_RETURNONLYFSDIRS;
  if (options.Contains(TKivBrowseFlag::bfBrowseIncludeFiles)) flags |= BIF_BROWSEINCLUDEFILES;
  if (options.Contains(TKivBrowseFlag::bfEditBox)) flags |= BIF_EDITBOX;
  return flags;
}

// A form owns the picker; a control hands the question to its own owner.
HWND OwnerWindowOf(TComponent* owner) {
  if (auto* form = dynamic_cast<TForm*>(owner)) return form->Handle();
  if (auto* control = dynamic_cast<TWinControl*>(owner)) return OwnerWindowOf(control->Owner());
  return MainWindowHandle();
}

// The platform documents the picker's display-name buffer as the chosen
// item's display name; Wine writes the item's file-system path there, which a
// virtual item has not, so the name is asked of the shell itself.
std::wstring ShellDisplayName(PCIDLIST_ABSOLUTE list) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info),
                      SHGFI_PIDL | SHGFI_DISPLAYNAME))
    return {};
  return info.szDisplayName;
}

}  // namespace

TKivBrowseForFolder::TKivBrowseForFolder(TComponent* owner)
    : TKivBaseDialog(owner), path_(last_path) {}

TKivBrowseForFolder::~TKivBrowseForFolder() = default;

void TKivBrowseForFolder::SetOptions(TKivBrowseFlags options) {
  if (options.Contains(TKivBrowseFlag::bfEditBox))
    options.Include(TKivBrowseFlag::bfNewDialogStyle);
  options_ = options;
}

void TKivBrowseForFolder::SetRootedAtFileSystemFolder(std::wstring folder) {
  rooted_at_file_system_folder_ = std::move(folder);
  rooted_at_ = SF_FILESYSTEMFOLDER;
}

int TKivBrowseForFolder::DialogLeft() const {
  RECT rect{};
  if (window_ && GetWindowRect(window_, &rect)) return rect.left;
  return dialog_left_;
}

void TKivBrowseForFolder::SetDialogLeft(int left) {
  dialog_left_ = left;
  if (window_) ApplyPosition();
}

int TKivBrowseForFolder::DialogTop() const {
  RECT rect{};
  if (window_ && GetWindowRect(window_, &rect)) return rect.top;
  return dialog_top_;
}

void TKivBrowseForFolder::SetDialogTop(int top) {
  dialog_top_ = top;
  if (window_) ApplyPosition();
}

void TKivBrowseForFolder::SetWindowTitle(std::wstring title) {
  window_title_ = std::move(title);
  if (window_)
    SendMessageW(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(window_title_.c_str()));
}

bool TKivBrowseForFolder::Execute() {
  const AbsoluteIdList root = RootIdList();
  wchar_t display_name[kDisplayNameLength] = {};
  BROWSEINFOW info{};
  info.hwndOwner = OwnerWindowOf(Owner());
  info.pidlRoot = root.get();
  info.pszDisplayName = display_name;
  info.lpszTitle = title_.c_str();
  info.ulFlags = PlatformFlags(options_);
  info.lpfn = &TKivBrowseForFolder::BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  bool chosen = false;
  try {
    DoShow();
    const AbsoluteIdList selection(RunPicker(info));
    chosen = static_cast<bool>(selection);
    path_ = IdListToPath(selection.get());
    selected_special_folder_ = IdListToSpecialFolder(selection.get());
    if (!chosen) {
      // A cancelled picker leaves whatever it last showed in the display-name
      // buffer: that names nothing the user chose.
      last_path.clear();
    } else if (path_.empty()) {
      path_ = FallbackPath(selection.get(), display_name);
    }
  } catch (...) {
    EndExecute();
    throw;
  }
  EndExecute();
  return chosen;
}

PIDLIST_ABSOLUTE TKivBrowseForFolder::RunPicker(BROWSEINFOW& info) {
  return SHBrowseForFolderW(&info);
}

void TKivBrowseForFolder::EndExecute() {
  window_ = nullptr;
  DoClose();
}

// Items without a file-system path: the folder object's path, else the
// item's name in its parent, else what the picker or the shell calls it.
std::wstring TKivBrowseForFolder::FallbackPath(PCIDLIST_ABSOLUTE chosen,
                                               const wchar_t* display_name) {
  std::wstring path;
  TDirwalker walker(this);
  walker.SetShowErrorMessages(false);
  try {
    walker.SetFolderIDList(chosen);
    path = walker.Folder();
    last_path = path;
    if (path.empty() && walker.SelectFolderInParent()) path = walker.ObjectName();
  } catch (const EDirwalkerError&) {
    // An item that cannot be opened as a folder still has the picker's name.
  }
  if (path.empty()) path = display_name;
  if (path.empty()) path = ShellDisplayName(chosen);
  return path;
}

AbsoluteIdList TKivBrowseForFolder::RootIdList() const {
  if (DirectoryExists(rooted_at_file_system_folder_))
    return PathToIdList(rooted_at_file_system_folder_);
  return SpecialFolderIdList(rooted_at_);
}

int CALLBACK TKivBrowseForFolder::BrowseCallback(HWND window, UINT msg, LPARAM param, LPARAM data) {
  auto* self = reinterpret_cast<TKivBrowseForFolder*>(data);
  Guarded(self, [&] {
    switch (msg) {
      case BFFM_INITIALIZED:
        self->OnInitialized(window);
        break;
      case BFFM_SELCHANGED:
        self->OnSelectionChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(param));
        break;
    }
  });
  return 0;
}

void TKivBrowseForFolder::OnInitialized(HWND window) {
  window_ = window;
  ApplyPosition();
  // A path that names nothing here keeps the picker's own first selection
  // rather than asking it to select no item at all.
  const AbsoluteIdList preselection = PathToIdList(path_);
  if (preselection)
    SendMessageW(window_, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(preselection.get()));
  UpdateOkButton();
  if (!window_title_.empty())
    SendMessageW(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(window_title_.c_str()));
}

void TKivBrowseForFolder::OnSelectionChanged(PCIDLIST_ABSOLUTE selection) {
  if (window_) {
    path_ = IdListToPath(selection);
    selected_special_folder_ = IdListToSpecialFolder(selection);
  }
  if (options_.Contains(TKivBrowseFlag::bfFileSystemOnly)) UpdateOkButton();
  Raise(OnChange, this);
}

void TKivBrowseForFolder::UpdateOkButton() {
  ok_enabled_ = !options_.Contains(TKivBrowseFlag::bfFileSystemOnly) || !path_.empty();
  SendMessageW(window_, BFFM_ENABLEOK, 0, ok_enabled_ ? 1 : 0);
}

void TKivBrowseForFolder::ApplyPosition() {
  RECT rect{};
  if (!GetWindowRect(window_, &rect)) return;
  int x = dialog_left_;
  int y = dialog_top_;
  if (dialog_left_ <= 0 || dialog_top_ <= 0) {
    x = GetSystemMetrics(SM_CXSCREEN) / 2 - (rect.right - rect.left) / 2;
    y = GetSystemMetrics(SM_CYSCREEN) / 2 - (rect.bottom - rect.top) / 2;
  }
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace wf
