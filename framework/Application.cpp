// The application object: the message loop, idle handling, hints'
// timing and the showing of errors.
#include "framework/Application.h"

#include <commctrl.h>

#include <stdexcept>

#include "framework/Exceptions.h"
#include "framework/Form.h"

namespace wf {

TApplication* Application = nullptr;

namespace {
// Wakes the hidden window to run the calls queued by worker threads.
constexpr UINT kSynchronizeMessage = WM_APP + 0x3A1;

// How deep this thread is in OnException: an error that reaches the display
// from inside the handler goes to the message box instead of coming back.
thread_local int exception_handler_depth = 0;
}  // namespace

TApplication::TApplication()
    : TComponent(nullptr),
      window_(
          MessageWindow::Kind::kHiddenPopup,
          [this](UINT msg, WPARAM, LPARAM) { return HandleWindowMessage(msg); }, this),
      calls_(std::make_shared<SyncQueue>(window_.Handle(), kSynchronizeMessage)) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  // The owner of every form, a popup that is never shown, so it is what the
  // task bar would list: it carries the program's icon.
  if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")) {
    window_.Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    window_.Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  if (!Application) Application = this;
}

TApplication::~TApplication() {
  MarkDestroying();
  // Before the forms go: a component that waits for its worker threads while
  // it is freed must not wait on a worker that waits on us.
  calls_->Close();
  // Forms and other owned components go before the hidden window.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  main_form_ = nullptr;
  if (Application == this) Application = nullptr;
}

void TApplication::SetTitle(std::wstring title) {
  title_ = std::move(title);
  SetWindowTextW(window_.Handle(), title_.c_str());
}

void TApplication::SetHint(std::wstring hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  Raise(OnHint, this);
}

std::wstring GetShortHint(const std::wstring& hint) {
  return hint.substr(0, hint.find(L'|'));
}

std::wstring GetLongHint(const std::wstring& hint) {
  const size_t bar = hint.find(L'|');
  return bar == std::wstring::npos ? hint : hint.substr(bar + 1);
}

HWND TApplication::MainWindowHandle() {
  if (main_form_) return main_form_->Handle();
  return window_.Handle();
}

void TApplication::AddForm(TForm* form) {
  if (!main_form_) {
    main_form_ = form;
    // The main form may be freed by its owner, not by us.
    FreeNotification(form);
  }
  form->DoCreate();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == main_form_) main_form_ = nullptr;
}

void TApplication::Run() {
  if (main_form_) main_form_->Show();
  while (!terminated_ && HandleMessage()) {
  }
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

bool TApplication::HandleMessage() {
  MSG msg;
  const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    terminated_ = true;
    return false;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  CheckSynchronize();
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CheckSynchronize();
}

void TApplication::ShowException(const std::exception& e) noexcept {
  ShowExceptionOf(this, e);
}

void TApplication::ShowExceptionOf(TObject* sender, const std::exception& e) noexcept {
  if (OnException && exception_handler_depth == 0) {
    ++exception_handler_depth;
    try {
      // A copy: the handler may replace itself.
      const TExceptionEvent handler = OnException;
      handler(sender, e);
      --exception_handler_depth;
      return;
    } catch (...) {
      // The handler failed: the error it was given still needs showing.
    }
    --exception_handler_depth;
  }
  ShowErrorBox(e);
}

void TApplication::ShowErrorBox(const std::exception& e) noexcept {
  try {
    const std::wstring text = ExceptionText(e);
    HWND owner =
        main_form_ && main_form_->HandleAllocated() && IsWindowVisible(main_form_->Handle())
            ? main_form_->Handle()
            : window_.Handle();
    MessageBoxW(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
  } catch (...) {
    // Out of memory for the text: the box with what can be said.
    MessageBoxW(window_.Handle(), L"Unknown error", nullptr, MB_OK | MB_ICONERROR);
  }
}

void TApplication::HandleException(TObject* sender) noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowExceptionOf(sender, e);
  } catch (...) {
    ShowExceptionOf(sender, std::runtime_error("Unknown error"));
  }
}

void TApplication::Synchronize(const std::function<void()>& call) {
  calls_->Run(call);
}

bool TApplication::CheckSynchronize() {
  return calls_->Drain();
}

std::optional<LRESULT> TApplication::HandleWindowMessage(UINT msg) {
  if (msg != kSynchronizeMessage) return std::nullopt;
  CheckSynchronize();
  return 0;
}

}  // namespace wf
