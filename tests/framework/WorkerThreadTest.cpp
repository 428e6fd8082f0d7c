#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "framework/WorkerThread.h"

namespace wf {
namespace {

TEST(WorkerThread, RunsUntilAskedToStopAndIsJoinedWhenFreed) {
  std::atomic<bool> started = false;
  std::atomic<bool> finished = false;
  auto worker = std::make_unique<WorkerThread>([&](HANDLE stop) {
    started = true;
    WaitForSingleObject(stop, INFINITE);
    finished = true;
  });
  EXPECT_TRUE(worker->Running());
  EXPECT_FALSE(worker->StopRequested());
  worker.reset();
  EXPECT_TRUE(started);
  EXPECT_TRUE(finished);
}

TEST(WorkerThread, BodyThatThrowsEndsOnlyItsThread) {
  WorkerThread worker([](HANDLE) { throw std::runtime_error("worker failed"); });
  worker.Join();
  EXPECT_FALSE(worker.Running());
  EXPECT_TRUE(worker.StopRequested());
  worker.Join();  // a second join is harmless
}

}  // namespace
}  // namespace wf
