// Worker threads whose work is handed back to the main thread.
#include "framework/WorkerThread.h"

#include <memory>

#include "framework/Exceptions.h"

namespace wf {

namespace {

// A worker waits for events and calls the platform; it needs little stack.
// Wine commits a thread's whole stack when it starts it, so the
// executable's default (megabytes) would be paid by every watch.
constexpr SIZE_T kWorkerStackBytes = 256 * 1024;

struct Start {
  WorkerThread::Body body;
  HANDLE stop;
};

DWORD WINAPI RunWorker(void* param) {
  std::unique_ptr<Start> start(static_cast<Start*>(param));
  // An exception leaving a thread's function ends the process, and a
  // worker has no window to show it on: what its body did not handle is
  // dropped here.
  try {
    start->body(start->stop);
  } catch (...) {
  }
  return 0;
}

}  // namespace

WorkerThread::WorkerThread(Body body) : stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!stop_event_) throw Exception(L"Cannot create a worker thread's stop event");
  auto start = std::make_unique<Start>(Start{std::move(body), stop_event_.get()});
  thread_.reset(CreateThread(nullptr, kWorkerStackBytes, RunWorker, start.get(),
                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread_) throw Exception(L"Cannot start a worker thread");
  start.release();
}

WorkerThread::~WorkerThread() {
  Join();
}

void WorkerThread::RequestStop() {
  if (stop_event_) SetEvent(stop_event_.get());
}

bool WorkerThread::StopRequested() const {
  return stop_event_ && WaitForSingleObject(stop_event_.get(), 0) == WAIT_OBJECT_0;
}

void WorkerThread::Join() {
  RequestStop();
  if (!thread_) return;
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

}  // namespace wf
