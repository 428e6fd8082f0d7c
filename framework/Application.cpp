#include "framework/Application.h"

#include <commctrl.h>

#include <condition_variable>
#include <stdexcept>

#include "framework/Exceptions.h"
#include "framework/Form.h"

namespace wf {

TApplication* Application = nullptr;

namespace {
constexpr wchar_t kApplicationClass[] = L"TApplication";
// Wakes the hidden window to run the calls queued by worker threads.
constexpr UINT kSynchronizeMessage = WM_APP + 0x3A1;
}  // namespace

struct TApplication::Pending {
  std::function<void()> call;
  std::exception_ptr error;
  bool done = false;
  std::condition_variable finished;
};

TApplication::TApplication() : TComponent(nullptr), main_thread_id_(GetCurrentThreadId()) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = &TApplication::WindowProcedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kApplicationClass;
  wc.hIcon = LoadIconW(wc.hInstance, L"MAINICON");
  RegisterClassExW(&wc);
  // The owner of every form: a popup that is never shown, so it is what
  // the task bar would list.
  handle_.reset(CreateWindowExW(0, kApplicationClass, L"", WS_POPUP | WS_CLIPSIBLINGS,
                                0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr));
  SetWindowLongPtrW(handle_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (!Application) Application = this;
}

TApplication::~TApplication() {
  MarkDestroying();
  // Forms and other owned components go before the hidden window.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  main_form_ = nullptr;
  CheckSynchronize();
  if (Application == this) Application = nullptr;
}

void TApplication::SetTitle(std::wstring title) {
  title_ = std::move(title);
  SetWindowTextW(handle_.get(), title_.c_str());
}

HWND TApplication::MainWindowHandle() {
  if (main_form_) return main_form_->Handle();
  return handle_.get();
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

void TApplication::ShowException(const std::exception& e) { ShowExceptionOf(this, e); }

void TApplication::ShowExceptionOf(TObject* sender, const std::exception& e) {
  if (OnException) {
    OnException(sender, e);
    return;
  }
  const std::wstring text = ExceptionText(e);
  HWND owner = main_form_ && main_form_->HandleAllocated() && IsWindowVisible(main_form_->Handle())
                   ? main_form_->Handle()
                   : handle_.get();
  MessageBoxW(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::HandleException(TObject* sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowExceptionOf(sender, e);
  } catch (...) {
    ShowExceptionOf(sender, std::runtime_error("Unknown error"));
  }
}

void TApplication::Synchronize(const std::function<void()>& call) {
  if (GetCurrentThreadId() == main_thread_id_) {
    call();
    return;
  }
  Pending pending;
  pending.call = call;
  {
    std::unique_lock lock(queue_mutex_);
    queue_.push_back(&pending);
  }
  PostMessageW(handle_.get(), kSynchronizeMessage, 0, 0);
  std::unique_lock lock(queue_mutex_);
  pending.finished.wait(lock, [&] { return pending.done; });
  if (pending.error) std::rethrow_exception(pending.error);
}

bool TApplication::CheckSynchronize() {
  if (GetCurrentThreadId() != main_thread_id_) return false;
  bool ran = false;
  for (;;) {
    Pending* pending = nullptr;
    {
      std::unique_lock lock(queue_mutex_);
      if (queue_.empty()) break;
      pending = queue_.front();
      queue_.pop_front();
    }
    try {
      pending->call();
    } catch (...) {
      pending->error = std::current_exception();
    }
    {
      // Notified under the lock: once the worker sees `done` it returns and
      // the Pending on its stack, condition variable included, is gone.
      std::unique_lock lock(queue_mutex_);
      pending->done = true;
      pending->finished.notify_all();
    }
    ran = true;
  }
  return ran;
}

LRESULT CALLBACK TApplication::WindowProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<TApplication*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && msg == kSynchronizeMessage) {
    self->CheckSynchronize();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace wf
