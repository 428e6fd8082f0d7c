// Thread objects whose end is heard on the user-interface thread.
#include "framework/Thread.h"

#include "framework/Application.h"

namespace wf {

namespace {
// Jobs run other vendors' code (thumbnail extractors), which expects a
// normal thread's stack.
constexpr SIZE_T kStackBytes = 1024 * 1024;
}  // namespace

TThread::TThread() {
  if (Application) queue_ = Application->SynchronizeQueue();
}

TThread::~TThread() {
  if (!handle_ || GetCurrentThreadId() == thread_id_) return;
  Terminate();
  WaitForSingleObject(handle_.get(), INFINITE);
}

bool TThread::Resume() {
  if (state_->started) return true;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, kStackBytes, Run, this,
                               CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, &id);
  if (!thread) return false;
  handle_.reset(thread);
  thread_id_ = id;
  state_->started = true;
  if (priority_ != THREAD_PRIORITY_NORMAL) SetThreadPriority(thread, priority_);
  ResumeThread(thread);
  return true;
}

void TThread::EndUnstarted() {
  if (state_->started) return;
  state_->started = true;
  state_->finished = true;
  DoTerminate();
  if (FreeOnTerminate) delete this;
}

void TThread::DoTerminate() {
  if (state_->detached || !OnTerminate) return;
  // A copy: the handler may free the object's owner, and with it this event.
  const TNotifyEvent handler = OnTerminate;
  Guarded(this, [&] { handler(this); });
}

DWORD WINAPI TThread::Run(void* param) {
  auto* self = static_cast<TThread*>(param);
  // The state is ours to keep: the object may be freed by the time we set
  // the last flag.
  const std::shared_ptr<State> state = self->state_;
  const std::shared_ptr<SyncQueue> queue = self->queue_;
  // A thread's function lets no exception out (it would end the process),
  // and a job has no window to show one on.
  try {
    if (!state->terminated) self->Execute();
  } catch (...) {
  }
  state->finished = true;
  // Read before the handler runs: an owner that keeps the object may free
  // it there.
  const bool free_self = self->FreeOnTerminate;
  bool heard = false;
  if (queue) {
    try {
      queue->Run([self] { self->DoTerminate(); });
      heard = true;
    } catch (...) {
    }
  }
  if (!heard) state->unheard = true;
  if (free_self) delete self;
  return 0;
}

}  // namespace wf
