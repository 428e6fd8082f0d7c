// The shell list's life cycle and properties.
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

#include "framework/Application.h"
#include "shell/core/ShellUtils.h"

namespace wf {

namespace {
// Worker threads post this to have their synchronised calls run.
constexpr UINT kDrainSynchronizeQueue = WM_USER + 1;
}  // namespace

TKivShellList::TKivShellList(TComponent* owner) : TCustomListView(owner) {
  dirwalker_ = new TDirwalker(this);
  dirwalker_->SetShowErrorMessages(false);
  dirwalker_->SetFileSystemOnly(false);
  AssignRenameHook();
  small_image_list_ = new TKivSystemImageList(this);
  SetSmallImages(small_image_list_->Handle());
  large_image_list_ = new TKivSystemImageList(this);
  large_image_list_->SetSize(si_large);
  SetLargeImages(large_image_list_->Handle());
  TCustomListView::SetViewStyle(TViewStyle::vsReport);
  SetMultiSelect(true);
  SetAutoArrange(true);
  SetDragMode(TDragMode::dmAutomatic);  // OleDragDrop is on
  parts_ = std::make_unique<ShellListParts>(*this);
  SetAutomaticRefresh(true);
  parts_->sort_arrows.Load(CurrentDpi());
  SetParentFont(false);
}

TKivShellList::~TKivShellList() {
  parts_->link.SetShellLink(nullptr);
  // Then: the jobs complete into the rows and image lists.
  parts_->thumbnails.Stop();
  parts_->refresh.Stop();
  MarkDestroying();
  parts_->sort_arrows.StopWatching();
  // The rows' records are ours: free them while this class still exists.
  if (HandleAllocated()) Items().Clear();
}

std::wstring TKivShellList::Version() const {
  return L"TKivShellList 1.1";
}

void TKivShellList::CreateParams(TCreateParams& params) {
  TCustomListView::CreateParams(params);
  params.class_name = L"TKivShellList";
}

void TKivShellList::CreateWnd() {
  TCustomListView::CreateWnd();
  parts_->background.Apply();
  if (ole_drag_drop_) parts_->drag.Register();
  parts_->sort_arrows.WatchHeader(ListView_GetHeader(Handle()));
  if (!window_created_) {
    // From now on the folder object may own the shell's windows.
    dirwalker_->MarkLoaded();
    window_created_ = true;
  } else {
    parts_->link.RegisterAgain();
    // The end-of-loading step fills the list the old window's rows went
    // with; the full population then would only repeat that fill.
    const uint32_t fills_before = fills_started_;
    Loaded();
    if (fills_started_ == fills_before) Populate();
  }
}

void TKivShellList::Loaded() {
  TCustomListView::Loaded();
  if (Items().Count() == 0 && !NoFillOnStartup()) {
    if (pending_path_.empty()) {
      Populate();
    } else {
      const std::wstring path = std::exchange(pending_path_, L"");
      SetPath(path);
    }
  }
  if (use_system_font_) UseIconTitleFont(Font());
}

std::wstring TKivShellList::Path() const {
  if (IsLoading()) return pending_path_;
  return dirwalker_->Folder();
}

void TKivShellList::SetPath(const std::wstring& path) {
  if (IsLoading()) {
    pending_path_ = path;
    return;
  }
  dirwalker_->SetFolder(path);
  parts_->link.AnnounceFolder();
  Populate();
}

TKivShellFolder TKivShellList::SpecialFolder() const {
  const TKivShellFolder folder = dirwalker_->SpecialFolder();
  if (folder == SF_DRIVES && !Path().empty()) return SF_FILESYSTEMFOLDER;
  return folder;
}

void TKivShellList::SetSpecialFolder(TKivShellFolder folder) {
  if (folder != SF_FILESYSTEMFOLDER) {
    dirwalker_->SetSpecialFolder(folder);
    pending_path_.clear();
  }
  Populate();
  parts_->link.AnnounceFolder();
}

void TKivShellList::SetFilter(const std::wstring& filter) {
  HandleNeeded();
  dirwalker_->SetFilter(filter);
  Populate();
}

void TKivShellList::SetFileSystemOnly(bool value) {
  dirwalker_->SetFileSystemOnly(value);
  Populate();
}

void TKivShellList::SetDetails(bool value) {
  if (value == details_) return;
  details_ = value;
  Populate();
}

void TKivShellList::SetShowFolders(bool value) {
  if (value == show_folders_) return;
  show_folders_ = value;
  Populate();
}

void TKivShellList::SetShowParentFolder(bool value) {
  if (value == show_parent_folder_) return;
  show_parent_folder_ = value;
  Populate();
}

void TKivShellList::SetOption(uint16_t bit, bool value) {
  const uint16_t options = value ? (options_ | bit) : (options_ & ~bit);
  if (options == options_) return;
  options_ = options;
  dirwalker_->SetShowErrorMessages(Option(kShowErrorMessages));
  dirwalker_->SetShowContextMenuOnTop(Option(kShowContextMenuOnTop));
  // A list that is not to fill on start-up stays empty until it has a window.
  if (NoFillOnStartup() && !window_created_) return;
  Populate();
}

TKivShellLink* TKivShellList::ShellLink() const {
  return parts_->link.Link();
}

void TKivShellList::SetShellLink(TKivShellLink* link) {
  parts_->link.SetShellLink(link);
}

IKivShellControl* TKivShellList::ShellControl() {
  return &parts_->link;
}

TBitmap& TKivShellList::BackgroundImage() {
  return parts_->background.Bitmap();
}

void TKivShellList::SetBackgroundImage(const TBitmap& bitmap) {
  parts_->background.Bitmap().Assign(bitmap);
}

// The control's colour covers the texts' background, which a picture needs
// clear.
void TKivShellList::SetColor(TColor color) {
  TCustomListView::SetColor(color);
  if (parts_) parts_->background.Apply();
}

// Rows must not keep indexes into the thumbnails' image list: thumbnails
// end through their setter, which gives the large icons back and refills.
void TKivShellList::SetViewStyle(TViewStyle style) {
  TCustomListView::SetViewStyle(style);
  if (!IsLoading()) {
    UpdateSortArrows();
    SetThumbnails(false);
  } else if (style != TViewStyle::vsIcon && thumbnails_) {
    SetLargeImages(large_image_list_->Handle());
    thumbnails_ = false;
  }
}

void TKivShellList::SetOleDragDrop(bool value) {
  if (value == ole_drag_drop_) return;
  ole_drag_drop_ = value;
  if (!IsLoading() && HandleAllocated()) {
    if (!value)
      parts_->drag.Revoke();
    else if (!parts_->drag.Register())
      ole_drag_drop_ = false;
  }
  // OLE's is the list's one drag: the framework's own never starts.
  if (ole_drag_drop_) SetDragMode(TDragMode::dmAutomatic);
}

void TKivShellList::SetReadOnly(bool value) {
  TCustomListView::SetReadOnly(value);
  dirwalker_->SetReadOnlyGuard(value);
  AssignRenameHook();
}

void TKivShellList::SetUseSystemFont(bool value) {
  use_system_font_ = value;
  if (value) UseIconTitleFont(Font());
}

void TKivShellList::SetAutomaticRefresh(bool value) {
  automatic_refresh_ = value;
  parts_->refresh.SetAutomatic(value);
}

void TKivShellList::MergeRefresh() {
  if (IsLoading() || !HandleAllocated() || filling_ || populating_) return;
  parts_->merge.Run();
}

void TKivShellList::Notification(TComponent* component, TOperation operation) {
  TCustomListView::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  parts_->menus.Forget(component);
  parts_->link.Forget(component);
}

int TKivShellList::ShellColumnCount() const {
  return parts_->columns.ShellCount();
}

void TKivShellList::RestartRefreshTimer() {
  parts_->refresh.Restart();
}

TKivShellChangeNotifier& TKivShellList::ChangeNotifier() {
  return parts_->refresh.Notifier();
}

TKivDirectoryWatch& TKivShellList::DirectoryWatch() {
  return parts_->refresh.DirectoryWatch();
}

TPopupMenu* TKivShellList::BackgroundPopupMenu() const {
  return parts_->menus.Background();
}

void TKivShellList::SetBackgroundPopupMenu(TPopupMenu* menu) {
  parts_->menus.SetBackground(menu);
}

std::wstring TKivShellList::ShowItemMenu(POINT point) {
  return parts_->menus.ShowItemMenu(point);
}

bool TKivShellList::ShowBackgroundMenu(POINT point) {
  return parts_->menus.ShowBackgroundMenu(point);
}

const TOnContextMenuSelectEvent& TKivShellList::OnContextMenuSelect() const {
  return dirwalker_->OnContextMenuSelect;
}

void TKivShellList::SetOnContextMenuSelect(TOnContextMenuSelectEvent handler) {
  dirwalker_->OnContextMenuSelect = std::move(handler);
}

void TKivShellList::HintShow(THintInfo& hint) {
  parts_->hints.Answer(hint);
}

LRESULT TKivShellList::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case kDrainSynchronizeQueue:
      if (Application) Application->CheckSynchronize();
      return 0;
    case WM_PARENTNOTIFY:
      // The list view makes its header as a child: watch it from birth.
      if (LOWORD(wparam) == WM_CREATE)
        parts_->sort_arrows.WatchHeader(reinterpret_cast<HWND>(lparam));
      break;
    case WM_CONTEXTMENU:
      return parts_->menus.ContextMenuRequested(wparam, lparam);
    case WM_INITMENUPOPUP:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      return parts_->menus.MenuMessage(msg, wparam, lparam);
    case WM_DESTROY:
      // The platform holds the drop target by the window: it lets go first.
      parts_->drag.Revoke();
      break;
    case WM_CAPTURECHANGED: {
      const LRESULT result = TCustomListView::WndProc(msg, wparam, lparam);
      UpdateSortArrows();
      return result;
    }
  }
  return TCustomListView::WndProc(msg, wparam, lparam);
}

}  // namespace wf
