#include "framework/WorkerThread.h"

#include <system_error>

#include "framework/Exceptions.h"

namespace wf {

WorkerThread::WorkerThread(Body body) : stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!stop_event_) throw Exception(L"Cannot create a worker thread's stop event");
  const HANDLE stop = stop_event_.get();
  try {
    thread_ = std::thread([body = std::move(body), stop] {
      // An exception leaving a thread's function ends the process, and a
      // worker has no window to show it on: what its body did not handle is
      // dropped here.
      try {
        body(stop);
      } catch (...) {
      }
    });
  } catch (const std::system_error&) {
    throw Exception(L"Cannot start a worker thread");
  }
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
  if (thread_.joinable()) thread_.join();
}

}  // namespace wf
