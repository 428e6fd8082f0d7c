#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/Component.h"
#include "shell/notify/ThreadPool.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using test::PumpUntil;

// What the jobs of one test did; shared with them, since a detached job
// outlives the test's own frame.
struct Tally {
  std::atomic<int> running{0}, peak{0}, freed{0};
  std::mutex mutex;
  std::vector<int> started;  // job numbers, in the order their bodies began
  // One manual-reset event a job: set, it lets that job's body end.
  std::vector<UniqueHandle> releases;

  explicit Tally(int jobs) {
    for (int i = 0; i < jobs; ++i)
      releases.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  }
  void Release(int job) { SetEvent(releases[job].get()); }
  bool Started(int job) {
    std::lock_guard guard(mutex);
    return std::find(started.begin(), started.end(), job) != started.end();
  }
};

// A job whose body holds until it is released, or, when it heeds
// termination, until it is told to stop.
class HeldJob : public TKivThread {
 public:
  HeldJob(std::shared_ptr<Tally> tally, int number, bool heeds_termination)
      : tally_(std::move(tally)), number_(number), heeds_(heeds_termination) {}
  ~HeldJob() override { ++tally_->freed; }
  int number() const { return number_; }

 protected:
  void Execute() override {
    {
      std::lock_guard guard(tally_->mutex);
      tally_->started.push_back(number_);
    }
    const int now = ++tally_->running;
    for (int peak = tally_->peak; now > peak && !tally_->peak.compare_exchange_weak(peak, now);) {
    }
    while (WaitForSingleObject(tally_->releases[number_].get(), 1) == WAIT_TIMEOUT) {
      if (heeds_ && Terminated()) break;
    }
    --tally_->running;
  }

 private:
  std::shared_ptr<Tally> tally_;
  const int number_;
  const bool heeds_;
};

struct Completions {
  std::vector<int> jobs;
  std::vector<bool> terminated;
  bool all_on_this_thread = true;
  void Attach(TThreadPool& pool) {
    const DWORD ui = GetCurrentThreadId();
    pool.OnCompletion = [this, ui](TKivThread* thread) {
      jobs.push_back(static_cast<HeldJob*>(thread)->number());
      terminated.push_back(thread->Terminated());
      if (GetCurrentThreadId() != ui) all_on_this_thread = false;
    };
  }
};

TEST(ThreadPool, RunsFifteenAtOnceAndEachEndStartsTheEarliestWaiting) {
  auto tally = std::make_shared<Tally>(20);
  TThreadPool pool;
  Completions completions;
  completions.Attach(pool);
  int empties = 0;
  pool.OnEmpty = [&](TObject*) { ++empties; };
  std::vector<HeldJob*> jobs;
  for (int i = 0; i < 20; ++i) {
    jobs.push_back(new HeldJob(tally, i, false));
    pool.AddJob(jobs.back());
  }
  ASSERT_TRUE(PumpUntil([&] { return tally->running == 15; }));
  // The five behind hold no platform thread while they wait.
  for (int i = 15; i < 20; ++i) {
    EXPECT_TRUE(jobs[i]->Suspended()) << i;
    EXPECT_EQ(jobs[i]->Handle(), nullptr) << i;
    EXPECT_TRUE(pool.ContainsKey(jobs[i]->Key())) << i;
  }
  const uint32_t first_key = jobs[3]->Key();
  tally->Release(3);
  ASSERT_TRUE(PumpUntil([&] { return tally->Started(15); }));
  EXPECT_FALSE(tally->Started(16));
  EXPECT_FALSE(pool.ContainsKey(first_key));
  EXPECT_EQ(completions.jobs, std::vector<int>{3});

  // One end at a time, so that which job starts is the pool's choice alone.
  for (int next = 16; next < 20; ++next) {
    tally->Release(next - 12);
    ASSERT_TRUE(PumpUntil([&] { return tally->Started(next); })) << next;
    if (next + 1 < 20) EXPECT_TRUE(jobs[next + 1]->Suspended()) << next;
  }
  for (int i = 0; i < 20; ++i) tally->Release(i);
  ASSERT_TRUE(PumpUntil([&] { return tally->freed == 20; }));
  EXPECT_EQ(tally->peak, 15);
  EXPECT_EQ(completions.jobs.size(), 20u);
  EXPECT_TRUE(completions.all_on_this_thread);
  EXPECT_EQ(empties, 1);
  EXPECT_EQ(pool.Count(), 0);
}

TEST(ThreadPool, AWaitingJobToldToTerminateNeverRunsYetCompletes) {
  auto tally = std::make_shared<Tally>(17);
  TThreadPool pool;
  Completions completions;
  completions.Attach(pool);
  for (int i = 0; i < 17; ++i) pool.AddJob(new HeldJob(tally, i, true));
  ASSERT_TRUE(PumpUntil([&] { return tally->running == 15; }));
  pool.TerminateAll(false);
  ASSERT_TRUE(PumpUntil([&] { return tally->freed == 17; }));
  EXPECT_FALSE(tally->Started(15));
  EXPECT_FALSE(tally->Started(16));
  EXPECT_EQ(completions.jobs.size(), 17u);
  EXPECT_TRUE(std::all_of(completions.terminated.begin(), completions.terminated.end(),
                          [](bool t) { return t; }));
}

TEST(ThreadPool, AJobThatIgnoresTerminationIsDetachedNotKilled) {
  auto tally = std::make_shared<Tally>(2);
  Completions completions;
  {
    TThreadPool pool;
    completions.Attach(pool);
    pool.AddJob(new HeldJob(tally, 0, false));
    pool.AddJob(new HeldJob(tally, 1, true));
    ASSERT_TRUE(PumpUntil([&] { return tally->running == 2; }));
  }
  // The job that heeded ended and was heard; the other runs on, forgotten.
  EXPECT_EQ(completions.jobs, std::vector<int>{1});
  EXPECT_EQ(tally->running, 1);
  tally->Release(0);
  ASSERT_TRUE(PumpUntil([&] { return tally->freed == 2; }));
  test::PumpFor(std::chrono::milliseconds(50));
  EXPECT_EQ(completions.jobs, std::vector<int>{1});
}

// Owns a pool made for another application; freed with it.
class PoolOwner : public TComponent {
 public:
  using TComponent::TComponent;
  std::unique_ptr<TThreadPool> pool;
};

TEST(ThreadPool, JobsEndingAsTheApplicationClosesEndUnheard) {
  auto tally = std::make_shared<Tally>(3);
  Completions completions;
  {
    TApplication closing;
    TApplication* const test_application = Application;
    // Pool and jobs hold the queue of the application current when made.
    Application = &closing;
    auto* owner = new PoolOwner(&closing);
    owner->pool = std::make_unique<TThreadPool>();
    completions.Attach(*owner->pool);
    for (int i = 0; i < 3; ++i) owner->pool->AddJob(new HeldJob(tally, i, true));
    Application = test_application;
    while (tally->running != 3) Sleep(1);
  }
  // Each job marks itself unheard just before it frees itself.
  EXPECT_TRUE(PumpUntil([&] { return tally->freed == 3; }));
  EXPECT_TRUE(completions.jobs.empty());
}

}  // namespace
}  // namespace wf
