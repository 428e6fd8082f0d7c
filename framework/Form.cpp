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
  client_width_ = width;
  if (HandleAllocated()) {
    RECT r{0, 0, width, ClientHeight()};
    AdjustWindowRectEx(&r, GetWindowLongW(Handle(), GWL_STYLE), FALSE,
                       GetWindowLongW(Handle(), GWL_EXSTYLE));
    SetBounds(Left(), Top(), r.right - r.left, Height());
  } else {
    SetBounds(Left(), Top(), width, Height());
  }
}

void TForm::SetClientHeight(int height) {
  client_height_ = height;
  if (HandleAllocated()) {
    RECT r{0, 0, ClientWidth(), height};
    AdjustWindowRectEx(&r, GetWindowLongW(Handle(), GWL_STYLE), FALSE,
                       GetWindowLongW(Handle(), GWL_EXSTYLE));
    SetBounds(Left(), Top(), Width(), r.bottom - r.top);
  } else {
    SetBounds(Left(), Top(), Width(), height);
  }
}

void TForm::SetVisible(bool visible) {
  if (visible) HandleNeeded();
  TWinControl::SetVisible(visible);
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
  }
  return TWinControl::WndProc(msg, wparam, lparam);
}

}  // namespace wf
