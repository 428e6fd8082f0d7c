#include <gtest/gtest.h>

#include <memory>

#include "framework/Timer.h"
#include "tests/framework/FrameworkTestHelpers.h"

namespace wf {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::PumpUntil;

TEST(Timer, FiresRepeatedlyWhileEnabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  };
  timer.SetInterval(20);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
}

TEST(Timer, NewTimerRunsWithItsDefaultInterval) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; }, 3s));
}

TEST(Timer, DisabledTimerIsSilentUntilEnabledAgain) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.SetEnabled(false);
  timer.SetInterval(10);
  PumpFor(200ms);
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  timer.SetEnabled(false);
  PumpFor(30ms);  // a tick already queued may still arrive
  const int after_disable = ticks;
  PumpFor(200ms);
  EXPECT_EQ(ticks, after_disable);
}

TEST(Timer, ErrorInHandlerIsShownAndTheTimerGoesOn) {
  test::ErrorDisplayCapture errors;
  TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    throw Exception(L"tick failed");
  };
  timer.SetInterval(10);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  timer.SetEnabled(false);
  ASSERT_GE(errors.messages.size(), 2u);
  EXPECT_EQ(errors.messages[0], L"tick failed");
  EXPECT_EQ(errors.senders[0], &timer);
}

TEST(Timer, FreedTimerNeverFires) {
  int ticks = 0;
  {
    TTimer timer(nullptr);
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetInterval(10);
    Sleep(50);  // let a tick fall due before the timer goes
  }
  PumpFor(100ms);
  EXPECT_EQ(ticks, 0);
}

// What a handler that changes itself can still see once it has: kept outside
// the handler, whose own captures may be gone by then. The token is held by
// the handler alone, so it expires when the running handler is destroyed.
struct SelfChangeProbe {
  std::weak_ptr<int> token;
  bool handler_alive_after_change = false;
  int calls = 0;
  TTimer* timer = nullptr;
};
SelfChangeProbe probe;

class TimerEvents : public testing::Test {
 protected:
  // Gives the timer a handler that makes `change` to it, then ticks it.
  void StartWithSelfChangingHandler(TTimer* timer, std::function<void()> change) {
    probe = {};
    probe.timer = timer;
    auto token = std::make_shared<int>(0);
    probe.token = token;
    timer->OnTimer = [token, change](TObject*) {
      ++probe.calls;
      change();
      probe.handler_alive_after_change = !probe.token.expired();
    };
    timer->SetInterval(10);
  }
};

TEST_F(TimerEvents, HandlerThatFreesItsTimerRunsToItsEnd) {
  StartWithSelfChangingHandler(new TTimer(nullptr), [] { delete probe.timer; });
  EXPECT_TRUE(PumpUntil([] { return probe.calls > 0; }));
  EXPECT_TRUE(probe.handler_alive_after_change);
  PumpFor(100ms);  // its window and its timer went with it
  EXPECT_EQ(probe.calls, 1);
}

TEST_F(TimerEvents, HandlerThatUnassignsItselfRunsToItsEnd) {
  TTimer timer(nullptr);
  StartWithSelfChangingHandler(&timer, [] { probe.timer->OnTimer = nullptr; });
  EXPECT_TRUE(PumpUntil([] { return probe.calls > 0; }));
  EXPECT_TRUE(probe.handler_alive_after_change);
  PumpFor(100ms);
  EXPECT_EQ(probe.calls, 1);
  EXPECT_TRUE(probe.token.expired());
}

TEST_F(TimerEvents, HandlerThatReplacesItselfRunsToItsEndAndTheNewOneTakesOver) {
  TTimer timer(nullptr);
  int replacement_calls = 0;
  StartWithSelfChangingHandler(
      &timer, [&] { probe.timer->OnTimer = [&](TObject*) { ++replacement_calls; }; });
  EXPECT_TRUE(PumpUntil([&] { return replacement_calls >= 2; }));
  EXPECT_TRUE(probe.handler_alive_after_change);
  EXPECT_EQ(probe.calls, 1);
}

}  // namespace
}  // namespace wf
