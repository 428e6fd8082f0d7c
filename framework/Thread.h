#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "framework/Component.h"
#include "framework/Handles.h"
#include "framework/SyncQueue.h"

namespace wf {

// A thread object: its body is Execute. It is made without a platform
// thread, which Resume starts once (a job that waits holds none); a started
// thread is never suspended. When the body ends, OnTerminate runs on the
// user-interface thread; with FreeOnTerminate the object then frees itself.
// Exceptions that escape the body are dropped.
class TThread : public TObject {
 public:
  // What the thread and whoever watches it share; it outlives the object,
  // so a watcher never has to touch a thread that may have freed itself.
  struct State {
    std::atomic<bool> started{false};
    std::atomic<bool> terminated{false};
    // The body has returned.
    std::atomic<bool> finished{false};
    // The body ended but OnTerminate could not run: the application was
    // closing. The object is freed (FreeOnTerminate) or about to be.
    std::atomic<bool> unheard{false};
    // Cut loose: OnTerminate is no longer run.
    std::atomic<bool> detached{false};
  };

  // Holds the application's call queue from here on, never the application.
  TThread();
  // Not from the thread itself: a running thread is told to terminate and
  // waited for.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the platform thread, once; false when the platform refuses it.
  bool Resume();
  bool Suspended() const { return !state_->started; }
  void Terminate() { state_->terminated = true; }
  bool Terminated() const { return state_->terminated; }
  bool Finished() const { return state_->finished; }
  const std::shared_ptr<State>& SharedState() const { return state_; }
  HANDLE Handle() const { return handle_.get(); }
  // THREAD_PRIORITY_*, applied when the thread starts.
  void SetPriority(int priority) { priority_ = priority; }
  // On the user-interface thread, for a thread never started: it ends
  // without a platform thread, OnTerminate runs here, and with
  // FreeOnTerminate the object is freed before this returns.
  void EndUnstarted();

  bool FreeOnTerminate = false;
  TNotifyEvent OnTerminate;

 protected:
  virtual void Execute() = 0;

 private:
  static DWORD WINAPI Run(void* self);
  void DoTerminate();

  std::shared_ptr<State> state_ = std::make_shared<State>();
  std::shared_ptr<SyncQueue> queue_;
  UniqueHandle handle_;
  DWORD thread_id_ = 0;
  int priority_ = THREAD_PRIORITY_NORMAL;
};

}  // namespace wf
