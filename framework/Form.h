#pragma once

#include <string>

#include "framework/Control.h"

namespace wf {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TPosition { poDesigned, poDefault, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// A top-level window owned by the application's hidden window. Derived forms
// build their components in their constructor inside the loading bracket
// (their stored description); the application then raises OnCreate.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // The window class name: forms are found by it.
  virtual std::wstring ClassName() const { return L"TForm"; }

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  // In pixels at the form's density.
  void SetClientWidth(int width);
  void SetClientHeight(int height);

  // The control that takes the focus when the form is activated while no
  // control of its own was focused before (at its first showing).
  TWinControl* ActiveControl() const { return active_control_; }
  void SetActiveControl(TWinControl* control);

  void Show();
  void Hide() { SetVisible(false); }
  void SetVisible(bool visible) override;
  void Close();

  // Called once by the application after construction.
  void DoCreate();

  TNotifyEvent OnCreate;
  TCloseEvent OnClose;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;
  void ChangeScale(int dpi) override;
  void Notification(TComponent* component, TOperation operation) override;
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;

 private:
  // The keyboard focus leaves with the activation and comes back with it,
  // as it does in the platform's dialogs: otherwise the default handling
  // focuses the form's own window, where keys reach nothing. True when
  // the message was answered here.
  bool HandleActivate(WPARAM wparam);
  // The window that is to have the focus when the form is activated.
  HWND FocusToRestore();
  DWORD WindowStyle() const;
  // Lays the form out for the density of the monitor its window is on.
  void TakeWindowDpi();
  // The platform moved the window to a monitor of another density: the
  // message carries the density and the window rectangle to take.
  void HandleDpiChanged(WPARAM wparam, const RECT& suggested);
  void PlaceClient(int width, int height);
  std::wstring caption_;
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDesigned;
  // Pixels at the form's density, for the window yet to be made.
  int client_width_ = 0;
  int client_height_ = 0;
  // The same at the design density.
  int design_client_width_ = 0;
  int design_client_height_ = 0;
  TWinControl* active_control_ = nullptr;
  // The window inside the form that had the focus when the form was last
  // deactivated: a control's own child (a label editor) too, which has no
  // object of ours. Checked before use, as it may be gone.
  HWND focused_ = nullptr;
};

}  // namespace wf
