#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "framework/Control.h"
#include "framework/Strings.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using namespace std::chrono_literals;
using test::ErrorDisplayCapture;
using test::JoinWorker;
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
  JoinWorker(worker, worker_done);
  EXPECT_EQ(ran_on, ui_thread);
  EXPECT_TRUE(ran_before_return);
}

// Waits, without pumping, until a worker's call is queued on `application`:
// its wake-up message is then on the hidden window.
bool WaitUntilQueued(TApplication& application) {
  for (int i = 0; i < 500; ++i) {
    MSG msg;
    if (PeekMessageW(&msg, application.Handle(), 0, 0, PM_NOREMOVE)) return true;
    Sleep(10);
  }
  return false;
}

TEST(ApplicationSynchronize, NothingRunsUntilTheUserInterfaceThreadPumps) {
  // Wake-up messages left by earlier calls run nothing now, and would pass
  // for this worker's.
  for (MSG msg; PeekMessageW(&msg, Application->Handle(), 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  std::atomic<bool> ran{false};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    Application->Synchronize([&] { ran = true; });
    done = true;
  });
  // Looked at once the call waits in the queue: a worker that had not got
  // so far would let the check pass without proving anything.
  EXPECT_TRUE(WaitUntilQueued(*Application)) << "the worker's call was never queued";
  EXPECT_FALSE(ran.load());
  EXPECT_TRUE(PumpUntil([&] { return ran.load(); }));
  JoinWorker(worker, done);
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
  JoinWorker(worker, done);
  EXPECT_EQ(caught, L"Folder \u65E5\u672C is gone");
}

TEST(ApplicationSynchronize, ManyWorkersEachGetEveryCallRun) {
  constexpr int kWorkers = 4;
  constexpr int kCalls = 50;
  const DWORD ui_thread = GetCurrentThreadId();
  int total = 0;  // only the user-interface thread touches it
  bool all_on_ui_thread = true;
  std::atomic<bool> finished[kWorkers] = {};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < kCalls; ++i)
        Application->Synchronize([&] {
          ++total;
          all_on_ui_thread = all_on_ui_thread && GetCurrentThreadId() == ui_thread;
        });
      finished[w] = true;
    });
  }
  EXPECT_TRUE(PumpUntil(
      [&] {
        return std::all_of(std::begin(finished), std::end(finished),
                           [](auto& f) { return f.load(); });
      },
      std::chrono::seconds(20)));
  for (int w = 0; w < kWorkers; ++w) JoinWorker(workers[w], finished[w]);
  EXPECT_EQ(total, kWorkers * kCalls);
  EXPECT_TRUE(all_on_ui_thread);
}

// Waits, without pumping, for a worker that nothing on this thread serves.
bool WaitWithoutPumping(const std::atomic<bool>& done) {
  for (int i = 0; i < 500 && !done; ++i) Sleep(10);
  return done;
}

TEST(ApplicationSynchronize, CallStillQueuedWhenTheApplicationGoesFailsInTheWorker) {
  auto application = std::make_unique<TApplication>();
  ASSERT_NE(Application, application.get());
  std::atomic<bool> ran{false};
  std::atomic<bool> done{false};
  std::wstring error;
  std::thread worker([&, target = application.get()] {
    try {
      target->Synchronize([&] { ran = true; });
    } catch (const Exception& e) {
      error = e.Message();
    }
    done = true;
  });
  EXPECT_TRUE(WaitUntilQueued(*application));
  application.reset();
  EXPECT_TRUE(WaitWithoutPumping(done));
  worker.join();
  EXPECT_FALSE(ran.load());
  EXPECT_NE(error.find(L"closing"), std::wstring::npos) << "the worker saw: " << ToUtf8(error);
}

// Waits for a worker thread of its own when it is freed, as a component that
// owns a thread does; the worker hands a call over at that moment.
class WorkerOwner : public TComponent {
 public:
  using TComponent::TComponent;
  ~WorkerOwner() override {
    auto* application = static_cast<TApplication*>(Owner());
    std::thread worker([&] {
      try {
        application->Synchronize([&] { ran = true; });
      } catch (const Exception& e) {
        error = e.Message();
      }
      done = true;
    });
    // A worker left waiting would hang this join for ever: after a while
    // its call is run by hand, and the test sees that it was.
    if (!WaitWithoutPumping(done)) {
      while (!done) {
        application->CheckSynchronize();
        Sleep(1);
      }
    }
    worker.join();
  }

  static inline std::atomic<bool> ran{false};
  static inline std::atomic<bool> done{false};
  static inline std::wstring error;
};

TEST(ApplicationSynchronize, CallMadeWhileTheApplicationIsDestroyedFailsAtOnce) {
  {
    TApplication application;
    new WorkerOwner(&application);
  }
  EXPECT_TRUE(WorkerOwner::done.load());
  EXPECT_FALSE(WorkerOwner::ran.load());
  EXPECT_NE(WorkerOwner::error.find(L"closing"), std::wstring::npos)
      << "the worker saw: " << ToUtf8(WorkerOwner::error);
}

// Throws from its window procedure when asked to.
class ThrowingControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  static constexpr UINT kThrow = WM_APP + 7;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override {
    if (msg == kThrow) throw Exception(L"C:\\\u03A9mega cannot be opened");
    return TWinControl::WndProc(msg, wparam, lparam);
  }
};

// Puts a handler of the test's own in OnException for the scope.
class ExceptionHandlerScope {
 public:
  explicit ExceptionHandlerScope(TExceptionEvent handler) : previous_(Application->OnException) {
    Application->OnException = std::move(handler);
  }
  ~ExceptionHandlerScope() { Application->OnException = previous_; }

 private:
  TExceptionEvent previous_;
};

TEST(ApplicationErrors, ErrorInOnExceptionFallsBackToTheMessageBox) {
  ThrowingControl control(nullptr);
  int calls = 0;
  std::wstring given;
  ExceptionHandlerScope handler([&](TObject*, const std::exception& e) {
    ++calls;
    given = ExceptionText(e);
    throw std::runtime_error("the error display itself failed");
  });
  test::MessageBoxAnswerer boxes;
  // Would unwind through the platform's frames if the handler's error escaped.
  SendMessageW(control.Handle(), ThrowingControl::kThrow, 0, 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(given, L"C:\\\u03A9mega cannot be opened");
  EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{L"C:\\\u03A9mega cannot be opened"}));
  EXPECT_TRUE(IsWindow(control.Handle()));
}

TEST(ApplicationErrors, ErrorRaisedInsideOnExceptionDoesNotComeBackToIt) {
  int calls = 0;
  ExceptionHandlerScope handler([&](TObject*, const std::exception&) {
    // Coming back here would go round for ever; the count shows it at once.
    if (++calls > 1) return;
    // A guarded path inside the handler fails: shown, but not by the handler.
    Guarded(nullptr, [] { throw Exception(L"failed while showing an error"); });
  });
  test::MessageBoxAnswerer boxes;
  Guarded(nullptr, [] { throw Exception(L"first error"); });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{L"failed while showing an error"}));

  // The next error reaches the handler again.
  Guarded(nullptr, [] { throw Exception(L"second error"); });
  EXPECT_EQ(calls, 2);
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
