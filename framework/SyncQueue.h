#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace wf {

// The calls that worker threads hand to the user-interface thread, and the
// window that wakes it to run them. Shared: a worker holds its own
// reference, so a call made after the application is gone fails cleanly
// instead of reaching freed memory.
class SyncQueue {
 public:
  // `wake` is posted `message` whenever a call is queued.
  SyncQueue(HWND wake, UINT message);
  SyncQueue(const SyncQueue&) = delete;
  SyncQueue& operator=(const SyncQueue&) = delete;

  // Runs `call` on the queue's thread: at once when called there, else
  // queued and waited for. Exceptions are carried back. Once closed, throws
  // Exception at once.
  void Run(const std::function<void()>& call);
  // On the queue's thread: runs the queued calls; true when any ran.
  bool Drain();
  // Fails the waiting calls and every later one.
  void Close();
  bool OnItsThread() const { return GetCurrentThreadId() == thread_id_; }

 private:
  struct Pending;
  std::mutex mutex_;
  std::deque<Pending*> calls_;
  // Null once closed: nothing more is queued then.
  HWND wake_;
  const UINT message_;
  const DWORD thread_id_;
};

}  // namespace wf
