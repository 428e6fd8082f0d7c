// Calls handed from worker threads to the user-interface thread.
#include "framework/SyncQueue.h"

#include <condition_variable>
#include <exception>

#include "framework/Exceptions.h"

namespace wf {

namespace {
constexpr wchar_t kClosingText[] =
    L"The application is closing: a call handed over from a worker thread was not run";
}  // namespace

struct SyncQueue::Pending {
  std::function<void()> call;
  std::exception_ptr error;
  bool done = false;
  std::condition_variable finished;
};

SyncQueue::SyncQueue(HWND wake, UINT message)
    : wake_(wake), message_(message), thread_id_(GetCurrentThreadId()) {}

void SyncQueue::Run(const std::function<void()>& call) {
  if (OnItsThread()) {
    call();
    return;
  }
  Pending pending;
  pending.call = call;
  std::unique_lock lock(mutex_);
  if (!wake_) throw Exception(kClosingText);
  calls_.push_back(&pending);
  // Posted under the lock: the window lives while `wake_` is set.
  PostMessageW(wake_, message_, 0, 0);
  pending.finished.wait(lock, [&] { return pending.done; });
  lock.unlock();
  if (pending.error) std::rethrow_exception(pending.error);
}

bool SyncQueue::Drain() {
  if (!OnItsThread()) return false;
  bool ran = false;
  for (;;) {
    Pending* pending = nullptr;
    {
      std::unique_lock lock(mutex_);
      if (calls_.empty()) break;
      pending = calls_.front();
      calls_.pop_front();
    }
    try {
      pending->call();
    } catch (...) {
      pending->error = std::current_exception();
    }
    {
      // Notified under the lock: once the worker sees `done` it returns and
      // the Pending on its stack, condition variable included, is gone.
      std::unique_lock lock(mutex_);
      pending->done = true;
      pending->finished.notify_all();
    }
    ran = true;
  }
  return ran;
}

void SyncQueue::Close() {
  std::unique_lock lock(mutex_);
  wake_ = nullptr;
  const auto error = std::make_exception_ptr(Exception(kClosingText));
  for (Pending* pending : calls_) {
    pending->error = error;
    pending->done = true;
    pending->finished.notify_all();
  }
  calls_.clear();
}

}  // namespace wf
