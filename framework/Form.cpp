// Forms: top-level windows, their borders, activation and closing.
#include "framework/Form.h"

#include "framework/Application.h"

namespace wf {

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  TWinControl::SetVisible(false);
  SetColor(clBtnFace);
}

TForm::~TForm() = default;

DWORD TForm::WindowStyle() const {
  switch (border_style_) {
    case TFormBorderStyle::bsNone:
      return WS_POPUP;
    case TFormBorderStyle::bsSingle:
      return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
    case TFormBorderStyle::bsDialog:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    case TFormBorderStyle::bsToolWindow:
      return WS_CAPTION | WS_SYSMENU;
    case TFormBorderStyle::bsSizeable:
      break;
  }
  return WS_OVERLAPPEDWINDOW;
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.class_name = ClassName();
  params.caption = caption_;
  params.style = WindowStyle() | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) params.style |= WS_VISIBLE;
  params.ex_style = border_style_ == TFormBorderStyle::bsToolWindow ? WS_EX_TOOLWINDOW : 0;
  params.parent = Application ? Application->Handle() : nullptr;
  if (position_ == TPosition::poDefault) {
    params.x = CW_USEDEFAULT;
    params.y = CW_USEDEFAULT;
  }
  // Each client dimension that was set decides its window dimension on its
  // own; the other keeps the window size it has.
  if (client_width_ > 0 || client_height_ > 0) {
    RECT r{0, 0, client_width_, client_height_};
    AdjustWindowRectEx(&r, params.style, FALSE, params.ex_style);
    if (client_width_ > 0) params.width = r.right - r.left;
    if (client_height_ > 0) params.height = r.bottom - r.top;
  }
}

void TForm::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  if (HandleAllocated()) SetWindowTextW(Handle(), caption_.c_str());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  RecreateWnd();
}

void TForm::SetClientWidth(int width) {
  design_client_width_ = UnscaleForDpi(width, CurrentDpi());
  PlaceClient(width, 0);
}

void TForm::SetClientHeight(int height) {
  design_client_height_ = UnscaleForDpi(height, CurrentDpi());
  PlaceClient(0, height);
}

// A dimension of 0 stays as it is.
void TForm::PlaceClient(int width, int height) {
  if (width > 0) client_width_ = width;
  if (height > 0) client_height_ = height;
  if (!HandleAllocated()) {
    SetBounds(Left(), Top(), width > 0 ? width : Width(), height > 0 ? height : Height());
    return;
  }
  RECT r{0, 0, width > 0 ? width : ClientWidth(), height > 0 ? height : ClientHeight()};
  AdjustWindowRectEx(&r, GetWindowLongW(Handle(), GWL_STYLE), FALSE,
                     GetWindowLongW(Handle(), GWL_EXSTYLE));
  SetBounds(Left(), Top(), width > 0 ? r.right - r.left : Width(),
            height > 0 ? r.bottom - r.top : Height());
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  // A stored description is laid out for the window once it is complete.
  if (!IsLoading()) TakeWindowDpi();
}

void TForm::Loaded() {
  TWinControl::Loaded();
  if (HandleAllocated()) TakeWindowDpi();
}

void TForm::TakeWindowDpi() {
  const int dpi = WindowDpi(Handle());
  if (dpi == CurrentDpi()) return;
  ChangeScale(dpi);
  PlaceClient(client_width_, client_height_);
}

void TForm::ChangeScale(int dpi) {
  TWinControl::ChangeScale(dpi);
  if (design_client_width_ > 0) client_width_ = Scaled(design_client_width_);
  if (design_client_height_ > 0) client_height_ = Scaled(design_client_height_);
}

void TForm::HandleDpiChanged(WPARAM wparam, const RECT& suggested) {
  // The density is kept as the message gives it: the platform may go on
  // reporting the old one for the window.
  ChangeScale(HIWORD(wparam));
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  AlignControls();
}

void TForm::SetVisible(bool visible) {
  if (visible) HandleNeeded();
  TWinControl::SetVisible(visible);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == active_control_) return;
  if (active_control_) RemoveFreeNotification(active_control_);
  active_control_ = control;
  if (active_control_) FreeNotification(active_control_);
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == active_control_) active_control_ = nullptr;
}

HWND TForm::FocusToRestore() {
  const HWND form = Handle();
  if (focused_ && IsWindow(focused_) && IsChild(form, focused_) && IsWindowVisible(focused_) &&
      IsWindowEnabled(focused_))
    return focused_;
  if (active_control_ && active_control_->CanFocus()) return active_control_->Handle();
  return nullptr;
}

bool TForm::HandleActivate(WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    // A modal box owned by the form deactivates it with the focus still
    // inside; a focus already elsewhere leaves the last one remembered.
    const HWND focus = GetFocus();
    if (focus && IsChild(Handle(), focus)) focused_ = focus;
    return false;
  }
  // A minimised window keeps the focus off its controls.
  if (HIWORD(wparam) != 0) return false;
  const HWND target = FocusToRestore();
  if (!target) return false;
  ::SetFocus(target);
  return true;
}

void TForm::Show() {
  SetVisible(true);
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  Raise(OnClose, this, action);
  if (action == TCloseAction::caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == TCloseAction::caHide || action == TCloseAction::caFree) {
    Hide();
  } else if (action == TCloseAction::caMinimize) {
    ShowWindow(Handle(), SW_MINIMIZE);
  }
}

void TForm::DoCreate() {
  // An error in the creation handler is shown; the form goes on.
  try {
    Raise(OnCreate, this);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

LRESULT TForm::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case kDpiChangedMessage:
      if (lparam) HandleDpiChanged(wparam, *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_ACTIVATE:
      if (HandleActivate(wparam)) return 0;
      break;
  }
  return TWinControl::WndProc(msg, wparam, lparam);
}

}  // namespace wf
