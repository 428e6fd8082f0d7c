#include <windows.h>

#include "app/Unit1.h"
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exceptions.h"
#include "shell/core/ShellModule.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before any window: a system that ignores the manifest's declaration
  // would otherwise stretch the window's bitmap to each monitor's density.
  wf::BecomeDpiAware();
  std::unique_ptr<wf::ShellModule> shell;
  try {
    shell = std::make_unique<wf::ShellModule>();
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, wf::ExceptionText(e).c_str(), L"Corvane Wayfold", MB_OK | MB_ICONERROR);
    return 1;
  }
  wf::TApplication application;
  application.SetTitle(L"Corvane Wayfold");
  try {
    application.AddForm(new wf::TfrmMain_Wayfold(&application));
  } catch (...) {
    application.HandleException(&application);
    return 1;
  }
  application.Run();
  return 0;
}
