// Hidden windows that receive messages for non-visual components.
#include "framework/MessageWindow.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"

namespace wf {
namespace {

constexpr wchar_t kWindowClass[] = L"TWayfoldMessageWindow";

HINSTANCE ModuleInstance() {
  return GetModuleHandleW(nullptr);
}

}  // namespace

MessageWindow::MessageWindow(Kind kind, Handler handler, TObject* sender)
    : handler_(std::move(handler)), sender_(sender) {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &MessageWindow::Procedure;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc);
  }();
  if (!registered) throw Exception(L"Cannot register the hidden window class");
  const bool message_only = kind == Kind::kMessageOnly;
  // The object is bound at WM_NCCREATE (see Procedure); the messages of
  // creation before it get the default handling.
  hwnd_ =
      CreateWindowExW(0, kWindowClass, L"", message_only ? 0 : WS_POPUP | WS_CLIPSIBLINGS, 0, 0, 0,
                      0, message_only ? HWND_MESSAGE : nullptr, nullptr, ModuleInstance(), this);
  if (!hwnd_) throw Exception(L"Cannot create a hidden window");
}

MessageWindow::~MessageWindow() {
  // Unbound first: the messages of destruction, and any message handled
  // further up this thread's stack, must not reach a freed object.
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

bool MessageWindow::Post(UINT msg, WPARAM wparam, LPARAM lparam) const {
  return PostMessageW(hwnd_, msg, wparam, lparam) != FALSE;
}

LRESULT MessageWindow::Send(UINT msg, WPARAM wparam, LPARAM lparam) const {
  return SendMessageW(hwnd_, msg, wparam, lparam);
}

LRESULT CALLBACK MessageWindow::Procedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wparam, lparam);
  // Copies: the handler may free this object, itself with it.
  const Handler handler = self->handler_;
  TObject* const sender = self->sender_;
  std::optional<LRESULT> answer;
  if (handler) Guarded(sender, [&] { answer = handler(msg, wparam, lparam); });
  // `self` may be gone from here on.
  if (answer) return *answer;
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace wf
