#include <gtest/gtest.h>

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

}  // namespace
}  // namespace wf
