// The frame timer's sleep on this platform: it never ends before its time
// unless stopped, a stop from another thread ends it at once, and a stop is
// for good.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kit/os/TickWait.h"

namespace sandloop::os {
namespace {

using std::chrono::milliseconds;
using Clock = TickWait::Clock;

TEST(TickWait, SleepsUntilItsTimeAndNotLess) {
  TickWait wait;
  for (int ms : {0, 1, 7, 40}) {
    const auto start = Clock::now();
    EXPECT_FALSE(wait.Until(start + milliseconds(ms))) << ms;
    // The system's timer may end a wait up to a millisecond early.
    EXPECT_GE(Clock::now() - start, milliseconds(ms) - milliseconds(1)) << ms;
  }
  EXPECT_FALSE(wait.Until(Clock::now() - milliseconds(500)));  // already past
  EXPECT_FALSE(wait.Stopped());
}

TEST(TickWait, AStopFromAnotherThreadEndsTheSleepForGood) {
  TickWait wait;
  std::thread stopper([&wait] {
    std::this_thread::sleep_for(milliseconds(50));
    wait.Stop();
  });
  const auto start = Clock::now();
  EXPECT_TRUE(wait.Until(start + std::chrono::minutes(2)));
  stopper.join();
  // A wait that missed the stop would last the two minutes.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(60));
  EXPECT_TRUE(wait.Stopped());
  const auto again = Clock::now();
  EXPECT_TRUE(wait.Until(again + std::chrono::minutes(2)));
  EXPECT_LT(Clock::now() - again, std::chrono::seconds(60));
}

}  // namespace
}  // namespace sandloop::os
