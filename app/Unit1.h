#pragma once

#include <string>

#include "framework/Form.h"
#include "framework/IniFile.h"
#include "framework/Image.h"
#include "shell/dialogs/BrowseForFolder.h"
#include "shell/list/ShellControls.h"
#include "ui/PaxPanel.h"
#include "ui/PaxSysHotKey.h"

namespace wf {

// The address the web button opens.
inline constexpr wchar_t kWebsiteAddress[] = L"https://corvane.example/wayfold/";

// The program's one window: a borderless, narrow form whose client area is
// a shell list of one folder between a caption bar (with the buttons, and
// the handle to drag the window by) and a bar that shows the folder's path.
class TfrmMain_Wayfold : public TForm {
 public:
  explicit TfrmMain_Wayfold(TComponent* owner);
  std::wstring ClassName() const override { return L"TfrmMain_Wayfold"; }

  TKivShellList* shList = nullptr;
  TPaxPanel* pnlTop = nullptr;
  TPaxPanel* pnlBottom = nullptr;
  TImage* imgWeb = nullptr;
  TImage* imgRoot = nullptr;
  TImage* imgNewFolder = nullptr;
  TImage* imgExit = nullptr;
  TPaxSysHotKey* PaxSysHotKey1 = nullptr;
  TKivBrowseForFolder* KivBrowseForFolder1 = nullptr;

  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void shListChange(TObject* sender, TListItem* item, TItemChange change);
  void pnlTopMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void pnlTopDblClick(TObject* sender);
  void imgWebClick(TObject* sender);
  void imgRootClick(TObject* sender);
  void imgNewFolderClick(TObject* sender);
  void imgExitClick(TObject* sender);
  void PaxSysHotKey1Press(TObject* sender);

  // Whether a dragged window snaps to the work area's edges.
  bool ScreenSnap() const { return screen_snap_; }
  void SetScreenSnap(bool value) { screen_snap_ = value; }

  // The settings file beside the executable.
  static std::wstring SettingsFileName();
  // The bottom bar's text for a folder path: long ones keep their start and
  // their end around "[...]".
  static std::wstring PathCaption(const std::wstring& path);

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void ChangeScale(int dpi) override;

 private:
  void BuildPanel(TPaxPanel* panel, const wchar_t* name, TAlign align, int top, int tab_order);
  TImage* BuildButton(const wchar_t* name, int left, const wchar_t* hint);
  void SnapToWorkArea(WINDOWPOS& place);
  // Writes the window's place into the settings; `may_tell` says whether a
  // failure may be told now (not while the session ends).
  void KeepPlace(bool may_tell);
  // Tells the user, once in a run, that the settings cannot be written.
  void TellSettingsNotKept(const TIniFile& settings);
  // Widens the size column (never narrows it) to show a size of twelve
  // digits, as far as the room beside the name column allows.
  void WidenSizeColumn();
  int SizeColumnWidth();
  // The buttons' pictures drawn nearest to the buttons' size at the form's
  // density.
  void LoadButtonPictures();

  TBitmap background_;
  // The client height to return to when the window is unrolled, in pixels
  // at the form's density.
  int unrolled_height_ = 0;
  bool screen_snap_ = false;
  bool moving_ = false;
  bool settings_failure_told_ = false;
  // The width a size of twelve digits needs, and the density it was
  // measured at: the list's font changes only with the density.
  int size_column_width_ = 0;
  int size_column_dpi_ = 0;
};

}  // namespace wf
