#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::ErrorDisplayCapture;
using test::PumpUntil;

TEST(ApplicationSynchronize, WorkerCallRunsOnTheUserInterfaceThreadAndWaits) {
  const DWORD ui_thread = GetCurrentThreadId();
  DWORD ran_on = 0;
  std::atomic<bool> worker_done{false};
  bool ran_before_return = false;
  std::thread worker([&] {
    bool ran = false;
    Application->Synchronize([&] {
      ran_on = GetCurrentThreadId();
      ran = true;
    });
    ran_before_return = ran;
    worker_done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return worker_done.load(); }));
  worker.join();
  EXPECT_EQ(ran_on, ui_thread);
  EXPECT_TRUE(ran_before_return);
}

TEST(ApplicationSynchronize, NothingRunsUntilTheUserInterfaceThreadPumps) {
  std::atomic<bool> ran{false};
  std::thread worker([&] { Application->Synchronize([&] { ran = true; }); });
  Sleep(100);
  EXPECT_FALSE(ran.load());
  EXPECT_TRUE(PumpUntil([&] { return ran.load(); }));
  worker.join();
}

TEST(ApplicationSynchronize, OnTheUserInterfaceThreadItRunsAtOnce) {
  bool ran = false;
  Application->Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(ApplicationSynchronize, ExceptionIsCarriedBackToTheWorker) {
  std::atomic<bool> done{false};
  std::wstring caught;
  std::thread worker([&] {
    try {
      Application->Synchronize([] { throw Exception(L"Folder \u65E5\u672C is gone"); });
    } catch (const Exception& e) {
      caught = e.Message();
    }
    done = true;
  });
  // The test main fails the test if the error reaches the display instead.
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(caught, L"Folder \u65E5\u672C is gone");
}

TEST(ApplicationSynchronize, ManyWorkersEachGetEveryCallRun) {
  constexpr int kWorkers = 4;
  constexpr int kCalls = 50;
  const DWORD ui_thread = GetCurrentThreadId();
  int total = 0;  // only the user-interface thread touches it
  bool all_on_ui_thread = true;
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < kCalls; ++i)
        Application->Synchronize([&] {
          ++total;
          all_on_ui_thread = all_on_ui_thread && GetCurrentThreadId() == ui_thread;
        });
      ++finished;
    });
  }
  EXPECT_TRUE(PumpUntil([&] { return finished.load() == kWorkers; }, std::chrono::seconds(20)));
  for (auto& t : workers) t.join();
  EXPECT_EQ(total, kWorkers * kCalls);
  EXPECT_TRUE(all_on_ui_thread);
}

TEST(ApplicationErrors, HandleExceptionShowsAnyErrorsText) {
  ErrorDisplayCapture errors;
  try {
    throw Exception(L"C:\\\u03A9mega cannot be opened");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  try {
    throw 42;
  } catch (...) {
    Application->HandleException(nullptr);
  }
  Guarded(nullptr, [] { throw std::runtime_error("from a callback"); });
  EXPECT_EQ(errors.messages, (std::vector<std::wstring>{L"C:\\\u03A9mega cannot be opened",
                                                        L"Unknown error", L"from a callback"}));
}

}  // namespace
}  // namespace wf
