#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/Component.h"
#include "framework/Handles.h"
#include "framework/MessageWindow.h"
#include "framework/SyncQueue.h"

namespace wf {

class TForm;

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;

// The application object: its hidden owner window (the one that would carry
// the task-bar button), the main form, the message loop, the standard error
// display and the queue of calls handed over from worker threads.
class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  HWND Handle() const { return window_.Handle(); }
  const std::wstring& Title() const { return title_; }
  void SetTitle(std::wstring title);
  TForm* MainForm() const { return main_form_; }
  // The main form's window when there is a main form, else our own.
  HWND MainWindowHandle();

  // Makes the form the main form when it is the first one, then raises its
  // creation handler; an error raised there is shown and creation goes on.
  void AddForm(TForm* form);
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void ProcessMessages();

  // The standard error display: a message box with the exception's text,
  // or OnException when assigned. Call HandleException inside a catch block.
  // Neither lets an exception out: an error raised by OnException itself
  // falls back to the message box, with the error it was given.
  void ShowException(const std::exception& e) noexcept;
  void HandleException(TObject* sender) noexcept;

  // Runs `call` on the user-interface thread: directly when called there,
  // else queued and waited for. Exceptions are carried back to the caller.
  // Once the application is being destroyed, a worker's call is not run:
  // Synchronize throws Exception at once, and calls still waiting are failed
  // the same way, so a worker never waits on an application that is gone.
  void Synchronize(const std::function<void()>& call);
  // Runs the queued calls; true when any ran.
  bool CheckSynchronize();
  // The queue behind Synchronize, for workers that may outlive us.
  std::shared_ptr<SyncQueue> SynchronizeQueue() const { return calls_; }

  // The hint of whatever is under the mouse or selected; OnHint is raised
  // when it changes.
  const std::wstring& Hint() const { return hint_; }
  void SetHint(std::wstring hint);

  TExceptionEvent OnException;
  TNotifyEvent OnHint;

 private:
  std::optional<LRESULT> HandleWindowMessage(UINT msg);
  bool HandleMessage();
  void ShowExceptionOf(TObject* sender, const std::exception& e) noexcept;
  void ShowErrorBox(const std::exception& e) noexcept;
  void Notification(TComponent* component, TOperation operation) override;

  MessageWindow window_;
  std::wstring title_;
  std::wstring hint_;
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
  // Shared with the workers waiting in Synchronize, which may outlive us.
  std::shared_ptr<SyncQueue> calls_;
};

// The process's application object; null before InitApplication and after
// the program's end. Created by the program's entry and by test mains.
extern TApplication* Application;

// A hint may hold two texts, "short|long": the short one for a tip, the
// long one for a status line. A hint without '|' is both.
std::wstring GetShortHint(const std::wstring& hint);
std::wstring GetLongHint(const std::wstring& hint);

// Runs a callable and hands any exception to the application's error
// display: used on every path where the platform calls back into us.
template <class F>
void Guarded(TObject* sender, F&& f) noexcept {
  try {
    f();
  } catch (...) {
    if (Application) Application->HandleException(sender);
  }
}

}  // namespace wf
