#pragma once

#include <windows.h>

#include <functional>

#include "framework/Handles.h"

namespace wf {

// One joinable thread that runs a function and can be asked to stop. The
// function receives the stop event (manual reset) so that it can wait on it
// together with its own work; the owner of the object asks it to stop and
// waits for it when the object ends, so the thread never outlives what it
// was given.
class WorkerThread {
 public:
  using Body = std::function<void(HANDLE stop_event)>;

  WorkerThread() = default;
  // Throws Exception when the platform refuses the event or the thread.
  explicit WorkerThread(Body body);
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Started and not yet joined.
  bool Running() const { return static_cast<bool>(thread_); }
  // From any thread; the body sees it through its stop event.
  void RequestStop();
  bool StopRequested() const;
  // Asks the body to stop and waits for it. Not from the thread itself.
  void Join();

 private:
  UniqueHandle stop_event_;
  UniqueHandle thread_;
};

}  // namespace wf
