#include "app/Unit1.h"

#include "app/WindowPlacement.h"
#include "framework/Application.h"
#include "framework/IniFile.h"
#include "framework/Strings.h"

namespace wf {

namespace {
constexpr wchar_t kSettingsName[] = L"Wayfold.ini";
constexpr wchar_t kPosSection[] = L"Pos";
constexpr wchar_t kFolderSection[] = L"Folder";
constexpr wchar_t kRootFolderKey[] = L"RootFolder";
constexpr TColor kListColor = 0xA59489;

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
}  // namespace

TfrmMain_Wayfold::TfrmMain_Wayfold(TComponent* owner) : TForm(owner) {
  SetName(L"frmMain_Wayfold");
  // The stored description, applied in its stored order.
  BeginLoading();
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetCaption(L"Corvane Wayfold - Version 1.1");
  SetClientWidth(332);
  SetClientHeight(566);
  SetLeft(1306);
  SetTop(169);
  SetColor(clBtnFace);
  SetPosition(TPosition::poDefault);
  Font().SetName(L"MS Sans Serif");
  Font().SetHeight(-11);

  shList = new TKivShellList(this);
  shList->SetName(L"shList");
  shList->SetParent(this);
  shList->SetBounds(0, 23, 332, 520);
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

  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
  EndLoading();
}

std::wstring TfrmMain_Wayfold::SettingsFileName() {
  return ExtractFilePath(ExecutablePath()) + kSettingsName;
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
  TIniFile settings(SettingsFileName());
  settings.WriteInteger(kPosSection, L"Top", Top());
  settings.WriteInteger(kPosSection, L"Left", Left());
}

}  // namespace wf
