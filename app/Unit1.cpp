#include "app/Unit1.h"

#include <shellapi.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "app/WindowPlacement.h"
#include "framework/Application.h"
#include "framework/Cursor.h"
#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "shell/core/IdList.h"

namespace wf {

namespace {
constexpr wchar_t kSettingsName[] = L"Wayfold.ini";
constexpr wchar_t kPosSection[] = L"Pos";
constexpr wchar_t kFolderSection[] = L"Folder";
constexpr wchar_t kRootFolderKey[] = L"RootFolder";
constexpr TColor kListColor = 0xA59489;
constexpr TColor kPanelColor = 11233108;
constexpr TColor kNavy = 0x800000;
constexpr int kPanelGradientSteps = 64;

// Design sizes, in pixels at 96 dots per inch.
constexpr int kClientWidth = 332;
constexpr int kClientHeight = 566;
constexpr int kPanelHeight = 23;
constexpr int kButtonTop = 3;
constexpr int kButtonSize = 17;
// The sizes the button pictures are drawn in: 100, 150 and 200 per cent.
constexpr int kButtonPictureSizes[] = {16, 24, 32};
constexpr int kNameColumnWidth = 195;
// A dragged window closer than this to a work-area edge lands on it.
constexpr int kSnapDistance = 10;

// The shown path: its start and end, 57 characters in all, above this.
constexpr size_t kLongestWholePath = 50;
constexpr size_t kPathHead = 3;
constexpr size_t kPathTail = 49;
constexpr wchar_t kPathCut[] = L"[...]";

// Alt+Z.
constexpr TShortCut kShowHideShortcut = 32858;
// WM_SYSCOMMAND's move with the caption's hit code: the platform's move loop
// as though the caption had been grabbed.
constexpr WPARAM kMoveByCaption = SC_MOVE + HTCAPTION;
// The columns the list keeps: the name and the size.
constexpr int kKeptColumns = 2;
constexpr wchar_t kNewFolderName[] = L"New Folder";
// The widest size the shell shows for a file on today's disks: twelve
// digits of kilobytes. The list's cell adds its padding, in pixels at 96
// dots per inch.
constexpr LONGLONG kWidestSizeBytes = 999'999'999'999LL * 1024;
constexpr int kCellPadding = 12;

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

UniqueIcon LoadButtonIcon(const wchar_t* name, int size) {
  // The icon files carry several sizes: LoadImage picks the one asked for.
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

// Moves one axis of a dragged window onto the near edge of the area.
LONG Snap(LONG start, LONG length, LONG low, LONG high, int distance) {
  if (std::abs(start - low) <= distance) return low;
  if (std::abs(start + length - high) <= distance) return high - length;
  return start;
}
}  // namespace

TfrmMain_Wayfold::TfrmMain_Wayfold(TComponent* owner) : TForm(owner) {
  SetName(L"frmMain_Wayfold");
  background_.LoadFromResourceName(GetModuleHandleW(nullptr), L"PANELBACKGROUND");
  unrolled_height_ = kClientHeight;
  // The stored description, applied in its stored order.
  BeginLoading();
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetCaption(L"Corvane Wayfold - Version 1.1");
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);
  SetLeft(1306);
  SetTop(169);
  SetColor(clBtnFace);
  SetPosition(TPosition::poDefault);
  SetScreenSnap(true);
  Font().SetName(L"MS Sans Serif");
  Font().SetHeight(-11);

  shList = new TKivShellList(this);
  shList->SetName(L"shList");
  shList->SetParent(this);
  shList->SetBounds(0, kPanelHeight, kClientWidth, kClientHeight - 2 * kPanelHeight);
  shList->SetAlign(TAlign::alClient);
  shList->SetFilter(L"*");
  shList->SetPath(L"C:\\Documents and Settings\\All Users\\Documents\\");
  shList->SetSpecialFolder(SF_COMMON_DOCUMENTS);
  shList->SetShowParentFolder(true);
  shList->SetViewStyle(TViewStyle::vsReport);
  shList->SetColor(kListColor);
  shList->Font().SetName(L"Tahoma");
  shList->Font().SetHeight(-11);
  shList->SetAutoArrange(true);
  shList->SetTabOrder(0);
  SetActiveControl(shList);
  shList->OnChange = [this](TObject* sender, TListItem* item, TItemChange change) {
    shListChange(sender, item, change);
  };

  pnlTop = new TPaxPanel(this);
  BuildPanel(pnlTop, L"pnlTop", TAlign::alTop, 0, 1);
  pnlTop->SetCaption(L" Corvane Wayfold - Version 1.1");
  pnlTop->Font().SetStyle(fsBold);
  imgWeb = BuildButton(L"imgWeb", 234, L"Visit Corvane Website");
  imgWeb->OnClick = [this](TObject* sender) { imgWebClick(sender); };
  imgRoot = BuildButton(L"imgRoot", 259, L"Set Root Folder");
  imgRoot->OnClick = [this](TObject* sender) { imgRootClick(sender); };
  imgNewFolder = BuildButton(L"imgNewFolder", 284, L"Create New Folder");
  imgNewFolder->OnClick = [this](TObject* sender) { imgNewFolderClick(sender); };
  imgExit = BuildButton(L"imgExit", 310, L"Exit Wayfold");
  LoadButtonPictures();
  imgExit->OnClick = [this](TObject* sender) { imgExitClick(sender); };

  pnlBottom = new TPaxPanel(this);
  BuildPanel(pnlBottom, L"pnlBottom", TAlign::alBottom, kClientHeight - kPanelHeight, 2);
  // A path is shown as it is: an "&" in a folder name is no accelerator.
  pnlBottom->SetShowAccelChar(false);

  PaxSysHotKey1 = new TPaxSysHotKey(this);
  PaxSysHotKey1->SetName(L"PaxSysHotKey1");
  PaxSysHotKey1->SetEnabled(true);
  PaxSysHotKey1->SetShortcut(kShowHideShortcut);
  PaxSysHotKey1->OnPress = [this](TObject* sender) { PaxSysHotKey1Press(sender); };

  KivBrowseForFolder1 = new TKivBrowseForFolder(this);
  KivBrowseForFolder1->SetName(L"KivBrowseForFolder1");
  KivBrowseForFolder1->SetTitle(L"Set the Root Folder for the Wayfold");
  KivBrowseForFolder1->SetOptions({TKivBrowseFlag::bfNewDialogStyle});
  KivBrowseForFolder1->SetRootedAt(SF_DESKTOP);
  KivBrowseForFolder1->SetDialogLeft(-1);
  KivBrowseForFolder1->SetDialogTop(-1);

  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
  EndLoading();
}

void TfrmMain_Wayfold::BuildPanel(TPaxPanel* panel, const wchar_t* name, TAlign align, int top,
                                  int tab_order) {
  panel->SetName(name);
  panel->SetParent(this);
  panel->SetBounds(0, top, kClientWidth, kPanelHeight);
  panel->SetAlign(align);
  panel->SetBackground(background_);
  panel->SetBackgroundType(bgtCenterBitmap);
  panel->SetGradientStartColor(kNavy);
  panel->SetGradientEndColor(kPanelColor);
  panel->SetGradientSteps(kPanelGradientSteps);
  panel->SetAlignment(TAlignment::taLeftJustify);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetUseXPThemes(false);
  panel->SetColor(kPanelColor);
  panel->Font().SetName(L"Tahoma");
  panel->Font().SetHeight(-11);
  panel->Font().SetColor(clWhite);
  panel->SetParentFont(false);
  panel->SetTabOrder(tab_order);
  panel->OnDblClick = [this](TObject* sender) { pnlTopDblClick(sender); };
  panel->OnMouseDown = [this](TObject* sender, TMouseButton button, TShiftState shift, int x,
                              int y) { pnlTopMouseDown(sender, button, shift, x, y); };
}

TImage* TfrmMain_Wayfold::BuildButton(const wchar_t* name, int left, const wchar_t* hint) {
  auto* image = new TImage(this);
  image->SetName(name);
  image->SetParent(pnlTop);
  image->SetBounds(left, kButtonTop, kButtonSize, kButtonSize);
  image->SetCursor(crHandPoint);
  image->SetHint(hint);
  image->SetParentShowHint(false);
  image->SetShowHint(true);
  image->SetTransparent(true);
  return image;
}

void TfrmMain_Wayfold::LoadButtonPictures() {
  const int size = NearestSize(Scaled(kButtonPictureSizes[0]), kButtonPictureSizes,
                               static_cast<int>(std::size(kButtonPictureSizes)));
  imgWeb->Picture().SetIcon(LoadButtonIcon(L"BUTTONWEB", size));
  imgRoot->Picture().SetIcon(LoadButtonIcon(L"BUTTONROOT", size));
  imgExit->Picture().SetIcon(LoadButtonIcon(L"BUTTONEXIT", size));
  const std::wstring new_folder = L"BUTTONNEWFOLDER" + std::to_wstring(size);
  imgNewFolder->Picture().Bitmap().LoadFromResourceName(GetModuleHandleW(nullptr),
                                                        new_folder.c_str());
}

void TfrmMain_Wayfold::ChangeScale(int dpi) {
  const int before = CurrentDpi();
  TForm::ChangeScale(dpi);
  if (CurrentDpi() == before) return;
  // Kept in pixels, as the window's heights are: scaled with them.
  unrolled_height_ = MulDiv(unrolled_height_, CurrentDpi(), before);
  LoadButtonPictures();
}

std::wstring TfrmMain_Wayfold::SettingsFileName() {
  return ExtractFilePath(ExecutablePath()) + kSettingsName;
}

std::wstring TfrmMain_Wayfold::PathCaption(const std::wstring& path) {
  if (path.size() <= kLongestWholePath) return path;
  // Neither cut may leave half of a surrogate pair behind.
  size_t head = kPathHead;
  if (IS_HIGH_SURROGATE(path[head - 1])) --head;
  size_t tail = path.size() - kPathTail;
  if (IS_LOW_SURROGATE(path[tail])) ++tail;
  return path.substr(0, head) + kPathCut + path.substr(tail);
}

void TfrmMain_Wayfold::FormCreate(TObject*) {
  std::wstring root;
  {
    TIniFile settings(SettingsFileName());
    const int top = settings.ReadInteger(kPosSection, L"Top", 0);
    const int left = settings.ReadInteger(kPosSection, L"Left", 0);
    // The window has no border to drag it by: a place on a monitor that is
    // no longer there must not leave it out of reach.
    const POINT place = FitIntoNearestWorkArea(RECT{left, top, left + Width(), top + Height()});
    SetTop(place.y);
    SetLeft(place.x);
    if (settings.ValueExists(kFolderSection, kRootFolderKey))
      root = settings.ReadString(kFolderSection, kRootFolderKey, L"");
  }
  // The tool-window style goes on even when the root folder cannot be
  // opened: a window without its task-bar rule would be a second fault.
  struct ToolWindowStyle {
    ~ToolWindowStyle() {
      if (Application) SetWindowLongPtrW(Application->Handle(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    }
  } tool_window_style;
  if (!root.empty()) shList->SetPath(root);
}

void TfrmMain_Wayfold::FormClose(TObject*, TCloseAction&) {
  KeepPlace(true);
}

void TfrmMain_Wayfold::KeepPlace(bool may_tell) {
  TIniFile settings(SettingsFileName());
  if (settings.WriteInteger(kPosSection, L"Top", Top()) &&
      settings.WriteInteger(kPosSection, L"Left", Left()))
    return;
  if (may_tell) TellSettingsNotKept(settings);
}

void TfrmMain_Wayfold::TellSettingsNotKept(const TIniFile& settings) {
  // Every later write fails the same way: one message is enough.
  if (std::exchange(settings_failure_told_, true) || !Application) return;
  Application->ShowException(Exception(L"The settings could not be saved in\r\n" +
                                       settings.FileName() + L"\r\n" +
                                       SystemErrorText(settings.WriteError())));
}

void TfrmMain_Wayfold::shListChange(TObject*, TListItem*, TItemChange) {
  // The bar repaints only when the text differs, so the many calls of a
  // walk through the rows cost nothing there.
  pnlBottom->SetCaption(L" " + PathCaption(shList->Path()));
  TListColumns& columns = shList->Columns();
  for (int i = columns.Count() - 1; i >= kKeptColumns; --i) columns.Delete(i);
  const int name_width = shList->Scaled(kNameColumnWidth);
  if (columns.Count() > 0 && columns[0]->Width() != name_width) columns[0]->SetWidth(name_width);
  WidenSizeColumn();
}

int TfrmMain_Wayfold::SizeColumnWidth() {
  if (size_column_dpi_ == shList->CurrentDpi()) return size_column_width_;
  // In the user's separators, as the shell writes sizes.
  wchar_t text[64] = {};
  if (!StrFormatKBSizeW(kWidestSizeBytes, text, static_cast<UINT>(std::size(text)))) return 0;
  // The list measures with the font it draws with.
  const auto text_width = static_cast<int>(
      SendMessageW(shList->Handle(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
  size_column_width_ = text_width + shList->Scaled(kCellPadding);
  size_column_dpi_ = shList->CurrentDpi();
  return size_column_width_;
}

void TfrmMain_Wayfold::WidenSizeColumn() {
  TListColumns& columns = shList->Columns();
  if (columns.Count() < kKeptColumns) return;
  TListColumn& size = *columns[1];
  const int wanted = SizeColumnWidth();
  if (size.Width() >= wanted) return;
  // The room beside the name column is measured as though the vertical
  // scroll bar were there: a folder that outgrows the page then brings no
  // horizontal one.
  RECT client{};
  GetClientRect(shList->Handle(), &client);
  int room = client.right - columns[0]->Width();
  if (!(GetWindowLongW(shList->Handle(), GWL_STYLE) & WS_VSCROLL))
    room -= SystemMetricForDpi(SM_CXVSCROLL, shList->CurrentDpi());
  const int width = std::min(wanted, room);
  if (width > size.Width()) size.SetWidth(width);
}

void TfrmMain_Wayfold::pnlTopMouseDown(TObject*, TMouseButton button, TShiftState, int, int) {
  if (button != TMouseButton::mbLeft) return;
  ReleaseCapture();
  // This form's own window: with two copies running, each moves itself.
  SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TfrmMain_Wayfold::pnlTopDblClick(TObject*) {
  if (ClientHeight() == Scaled(kPanelHeight)) {
    SetClientHeight(unrolled_height_);
  } else {
    unrolled_height_ = ClientHeight();
    SetClientHeight(Scaled(kPanelHeight));
  }
}

void TfrmMain_Wayfold::imgWebClick(TObject*) {
  // Whether a browser could be started is not the window's concern.
  ShellExecuteW(nullptr, L"open", kWebsiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

void TfrmMain_Wayfold::imgRootClick(TObject*) {
  if (!KivBrowseForFolder1->Execute()) return;
  const std::wstring folder = KivBrowseForFolder1->Path();
  // The list opens the folder first: one it cannot open raises here, and
  // the setting keeps the folder that worked, so the next start does not
  // show the same error.
  shList->SetPath(folder);
  TIniFile settings(SettingsFileName());
  if (!settings.WriteString(kFolderSection, kRootFolderKey, folder)) TellSettingsNotKept(settings);
}

void TfrmMain_Wayfold::imgNewFolderClick(TObject*) {
  shList->CreateNewFolder(kNewFolderName, true);
}

void TfrmMain_Wayfold::imgExitClick(TObject*) {
  Close();
}

void TfrmMain_Wayfold::PaxSysHotKey1Press(TObject*) {
  SetVisible(!Visible());
  if (!Visible()) return;
  // The hot key's press lets this process take the foreground.
  SetForegroundWindow(Handle());
  if (shList->CanFocus()) shList->SetFocus();
}

LRESULT TfrmMain_Wayfold::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ENTERSIZEMOVE:
      moving_ = true;
      break;
    case WM_EXITSIZEMOVE:
      moving_ = false;
      // A tool that runs until the session ends may never be closed: each
      // place the user drags it to is kept as the drag ends.
      KeepPlace(true);
      break;
    case WM_ENDSESSION:
      // The process ends without a close once this returns; a message box
      // now would hold the session's end up.
      if (wparam) KeepPlace(false);
      break;
    case WM_WINDOWPOSCHANGING:
      // Only a drag snaps: a place the program sets (the stored one) stays.
      if (moving_ && screen_snap_) SnapToWorkArea(*reinterpret_cast<WINDOWPOS*>(lparam));
      break;
    case kDpiChangedMessage: {
      // The rectangle the platform suggests scales a rolled-up window's
      // height with its own rounding: it stays exactly one bar high.
      const bool rolled = ClientHeight() == Scaled(kPanelHeight);
      const LRESULT result = TForm::WndProc(msg, wparam, lparam);
      if (rolled) SetClientHeight(Scaled(kPanelHeight));
      return result;
    }
    default:
      break;
  }
  return TForm::WndProc(msg, wparam, lparam);
}

void TfrmMain_Wayfold::SnapToWorkArea(WINDOWPOS& place) {
  if (place.flags & SWP_NOMOVE) return;
  RECT window{};
  GetWindowRect(place.hwnd, &window);
  const LONG width = (place.flags & SWP_NOSIZE) ? window.right - window.left : place.cx;
  const LONG height = (place.flags & SWP_NOSIZE) ? window.bottom - window.top : place.cy;
  const RECT target{place.x, place.y, place.x + width, place.y + height};
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &info)) return;
  const int distance = Scaled(kSnapDistance);
  place.x = Snap(place.x, width, info.rcWork.left, info.rcWork.right, distance);
  place.y = Snap(place.y, height, info.rcWork.top, info.rcWork.bottom, distance);
}

}  // namespace wf
