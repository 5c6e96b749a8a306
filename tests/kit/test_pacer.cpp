// Frame pacing: paced presents come one refresh period apart, unpaced ones
// at once, and a stall starts the count again instead of a burst.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kit/ddraw/pacer.h"

namespace {

using sandloop::display::Pacer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A sleep may end a little early where the system counts whole
// milliseconds (Windows, Wine): each paced wait is allowed that much.
constexpr milliseconds kEarly{2};

Clock::duration Since(Clock::time_point start) { return Clock::now() - start; }

TEST(Pacer, PacedPresentsComeOneRefreshPeriodApart) {
  Pacer pacer;
  EXPECT_TRUE(pacer.Paced());
  const auto start = Clock::now();
  for (int i = 0; i < 6; ++i) pacer.Wait(50);  // the first starts the count
  EXPECT_GE(Since(start), milliseconds(100) - 5 * kEarly);
}

TEST(Pacer, UnpacedPresentsDoNotWait) {
  Pacer pacer;
  pacer.SetPaced(false);
  EXPECT_FALSE(pacer.Paced());
  const auto start = Clock::now();
  for (int i = 0; i < 3; ++i) pacer.Wait(1);  // paced: two seconds
  EXPECT_LT(Since(start), milliseconds(1000));
}

TEST(Pacer, AStallIsNotMadeUpByABurst) {
  Pacer pacer;
  pacer.Wait(20);
  pacer.Wait(20);
  std::this_thread::sleep_for(milliseconds(250));  // five periods late
  const auto start = Clock::now();
  pacer.Wait(20);  // late: the count starts again
  pacer.Wait(20);  // one whole period after it
  EXPECT_GE(Since(start), milliseconds(50) - kEarly);
}

TEST(Pacer, ARateBelowOneHertzCountsAsOne) {
  Pacer pacer;
  const auto start = Clock::now();
  pacer.Wait(0);
  pacer.Wait(-5);  // no division by zero, one second apart
  EXPECT_GE(Since(start), milliseconds(1000) - kEarly);
}

}  // namespace
