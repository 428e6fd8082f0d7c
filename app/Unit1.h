#pragma once

#include <string>

#include "framework/Form.h"
#include "shell/list/ShellControls.h"

namespace wf {

// The program's one window: a borderless, narrow form whose client area is
// a shell list of one folder.
class TfrmMain_Wayfold : public TForm {
 public:
  explicit TfrmMain_Wayfold(TComponent* owner);
  std::wstring ClassName() const override { return L"TfrmMain_Wayfold"; }

  TKivShellList* shList = nullptr;

  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);

  // The settings file beside the executable.
  static std::wstring SettingsFileName();
};

}  // namespace wf
