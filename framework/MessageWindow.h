#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "framework/Object.h"

namespace wf {

// A hidden window whose messages reach a handler, for the pieces of the
// framework that need a window of their own to receive posted, timer or
// notification messages. No exception from the handler crosses the window
// procedure: it goes to the application's error display.
//
// The window belongs to the thread that makes it: messages to it are handled
// while that thread pumps, and only that thread can free it. Freeing the
// object, or the handler's owner, is safe from inside the handler.
class MessageWindow {
 public:
  // An answer, or nullopt to leave the message to the platform's default
  // handling.
  using Handler = std::function<std::optional<LRESULT>(UINT msg, WPARAM wparam, LPARAM lparam)>;

  enum class Kind {
    // Receives messages only: not enumerated, never shown, cannot be the
    // parent of a control or the owner of a top-level window.
    kMessageOnly,
    // A top-level popup that is never shown: it may own top-level windows
    // and be the parent of controls that wait for their real parent.
    kHiddenPopup,
  };

  // Throws Exception when the platform refuses the window. Errors that escape
  // the handler reach the error display with `sender`.
  MessageWindow(Kind kind, Handler handler, TObject* sender = nullptr);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  // From any thread.
  bool Post(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) const;
  LRESULT Send(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) const;

 private:
  static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);

  Handler handler_;
  TObject* sender_;
  HWND hwnd_ = nullptr;
};

}  // namespace wf
