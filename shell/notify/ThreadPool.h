#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/SyncQueue.h"
#include "framework/Thread.h"

namespace wf {

// A short background job: made waiting, it frees itself when it ends. Its
// key tells it apart within a pool: by default from a process-wide
// counter, as a thread handle is reused and a waiting job has none.
class TKivThread : public TThread {
 public:
  TKivThread();
  explicit TKivThread(uint32_t key);
  uint32_t Key() const { return key_; }

 protected:
  void Execute() override {}

 private:
  uint32_t key_;
};

using TThreadCompletion = std::function<void(TKivThread* thread)>;

// Runs jobs, at most 15 at once, in the order they were added; the rest
// wait without a platform thread. Each ended job passes through OnCompletion
// on the user-interface thread and is forgotten; the pool never owns its
// jobs. Its operations belong to the user-interface thread.
//
// A job told to stop gets 2 seconds. One that is still running then is
// never killed (a killed thread may hold the heap, loader or COM locks for
// good): it is detached instead, off the list, its completion never called,
// left to end and free itself while touching neither pool nor owner.
class TThreadPool {
 public:
  static constexpr int kMaxRunning = 15;
  static constexpr DWORD kStopWaitMs = 2000;

  TThreadPool();
  // Stops every job, waiting as TerminateAll(true) does.
  ~TThreadPool();
  TThreadPool(const TThreadPool&) = delete;
  TThreadPool& operator=(const TThreadPool&) = delete;

  // Starts the job, or queues it behind the 15 before it.
  void AddJob(TKivThread* thread);
  // Tells every job to terminate, the last first; with `wait`, also waits
  // for each, as its stop rule says. A waiting job ends without a thread.
  void TerminateAll(bool wait);
  bool ContainsKey(uint32_t key);
  int Count() const;

  // With the ended job, a terminated one too: owners ignore those results.
  TThreadCompletion OnCompletion;
  // When the last job has left.
  TNotifyEvent OnEmpty;

 private:
  struct Job {
    TKivThread* thread;
    uint32_t key;
    std::shared_ptr<TThread::State> state;
  };
  void JobEnded(TKivThread* thread);
  void Stop(const Job& job);
  bool Listed(uint32_t key);
  bool Remove(uint32_t key);
  // After a removal: waiting jobs start while slots are free; those told to
  // terminate end on the spot.
  void Removed();

  mutable std::mutex lock_;
  std::vector<Job> jobs_;
  std::shared_ptr<SyncQueue> queue_;
  bool starting_ = false;
};

}  // namespace wf
