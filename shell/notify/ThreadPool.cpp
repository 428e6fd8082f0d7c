// Short background jobs, a few at a time.
#include "shell/notify/ThreadPool.h"

#include <algorithm>
#include <atomic>

#include "framework/Application.h"

namespace wf {

namespace {
std::atomic<uint32_t> next_key{1};
}  // namespace

TKivThread::TKivThread() : key_(next_key++) {
  FreeOnTerminate = true;
}

TKivThread::TKivThread(uint32_t key) : key_(key) {
  FreeOnTerminate = true;
}

TThreadPool::TThreadPool() {
  if (Application) queue_ = Application->SynchronizeQueue();
}

TThreadPool::~TThreadPool() {
  TerminateAll(true);
}

int TThreadPool::Count() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(jobs_.size());
}

bool TThreadPool::ContainsKey(uint32_t key) {
  return Listed(key);
}

bool TThreadPool::Listed(uint32_t key) {
  std::lock_guard guard(lock_);
  return std::any_of(jobs_.begin(), jobs_.end(), [&](const Job& job) { return job.key == key; });
}

bool TThreadPool::Remove(uint32_t key) {
  std::lock_guard guard(lock_);
  auto it =
      std::find_if(jobs_.begin(), jobs_.end(), [&](const Job& job) { return job.key == key; });
  if (it == jobs_.end()) return false;
  jobs_.erase(it);
  return true;
}

void TThreadPool::AddJob(TKivThread* thread) {
  size_t count;
  {
    std::lock_guard guard(lock_);
    jobs_.push_back({thread, thread->Key(), thread->SharedState()});
    count = jobs_.size();
  }
  thread->OnTerminate = [this](TObject* sender) { JobEnded(static_cast<TKivThread*>(sender)); };
  if (count > kMaxRunning) return;
  if (!thread->Resume()) {
    // No thread to be had: the job ends as if told to, completion and all.
    thread->Terminate();
    thread->EndUnstarted();
  }
}

void TThreadPool::JobEnded(TKivThread* thread) {
  const uint32_t key = thread->Key();
  if (OnCompletion) OnCompletion(thread);
  if (Remove(key)) Removed();
}

void TThreadPool::Removed() {
  // A waiting job ended on the spot ends through JobEnded, which comes back
  // here: the outer call goes on with the list instead.
  if (starting_) return;
  starting_ = true;
  for (;;) {
    Job next{};
    bool empty;
    {
      std::lock_guard guard(lock_);
      empty = jobs_.empty();
      int running = 0;
      for (const Job& job : jobs_) {
        if (job.state->started) {
          ++running;
        } else if (!next.thread) {
          next = job;
        }
      }
      if (running >= kMaxRunning) next = {};
    }
    if (empty) {
      starting_ = false;
      Raise(OnEmpty, nullptr);
      return;
    }
    if (!next.thread) break;
    if (next.state->terminated || !next.thread->Resume()) {
      next.thread->Terminate();
      next.thread->EndUnstarted();
    }
  }
  starting_ = false;
}

void TThreadPool::Stop(const Job& job) {
  if (!Listed(job.key)) return;
  job.state->terminated = true;
  if (!job.state->started) {
    job.thread->EndUnstarted();
    return;
  }
  const DWORD start = GetTickCount();
  while (Listed(job.key) && !job.state->unheard && GetTickCount() - start < kStopWaitMs) {
    Sleep(1);
    if (queue_) queue_->Drain();
  }
  // Still listed: it ended unheard as the application closed, or it does not
  // end. Either way it is forgotten; one that runs on never hears back.
  if (!Remove(job.key)) return;
  job.state->detached = true;
  Removed();
}

void TThreadPool::TerminateAll(bool wait) {
  {
    std::lock_guard guard(lock_);
    for (auto it = jobs_.rbegin(); it != jobs_.rend(); ++it) it->state->terminated = true;
  }
  if (!wait) return;
  for (;;) {
    if (queue_) queue_->Drain();
    Job first;
    {
      std::lock_guard guard(lock_);
      if (jobs_.empty()) return;
      first = jobs_.front();
    }
    Stop(first);
  }
}

}  // namespace wf
