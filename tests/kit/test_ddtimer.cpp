// The frame timer: start and stop rules, the OnDivide2 rhythm, the period
// in use, and that no tick runs once Enabled := false has returned. Ticks
// are waited for with generous time limits; no test depends on how fast
// the machine is.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "kit/DDtimer.h"

namespace sandloop {
namespace {

using namespace std::chrono_literals;

// Records the events of a timer in order ("T" for OnTimer, "D" for
// OnDivide2) and lets the test wait for a number of them.
class Recorder {
 public:
  void Add(char c) {
    {
      std::lock_guard<std::mutex> g(m_);
      events_ += c;
      threads_ok_ = threads_ok_ && std::this_thread::get_id() != main_;
    }
    cv_.notify_all();
  }
  bool WaitFor(char c, int count, std::chrono::milliseconds limit = 5000ms) {
    std::unique_lock<std::mutex> l(m_);
    return cv_.wait_for(l, limit, [&] { return Count(c) >= count; });
  }
  std::string Events() {
    std::lock_guard<std::mutex> g(m_);
    return events_;
  }
  void Clear() {
    std::lock_guard<std::mutex> g(m_);
    events_.clear();
  }
  bool OffMainThread() {
    std::lock_guard<std::mutex> g(m_);
    return threads_ok_;
  }

 private:
  int Count(char c) const {
    int n = 0;
    for (char e : events_) n += e == c;
    return n;
  }
  std::mutex m_;
  std::condition_variable cv_;
  std::string events_;
  bool threads_ok_ = true;
  std::thread::id main_ = std::this_thread::get_id();
};

void Record(TDDtimer& t, Recorder& r) {
  t.OnTimer = [&r, &t](TComponent* sender) {
    EXPECT_EQ(sender, &t);
    r.Add('T');
  };
  t.OnDivide2 = [&r, &t](TComponent* sender) {
    EXPECT_EQ(sender, &t);
    r.Add('D');
  };
}

TEST(DDtimer, ConstructorDefaults) {
  TDDtimer t(nullptr);
  EXPECT_FALSE(t.Enabled());
  EXPECT_EQ(t.GetInterval(), 40);
  EXPECT_EQ(t.RunningInterval(), 0);
}

TEST(DDtimer, TicksComeOffTheMainThreadWithOnDivide2OnEveryOddTick) {
  Recorder r;
  TDDtimer t(nullptr);
  Record(t, r);
  t.SetInterval(2);
  t.SetEnabled(true);
  ASSERT_TRUE(r.WaitFor('T', 7));
  t.SetEnabled(false);
  const std::string e = r.Events();
  // T D T T D T T D ...: each tick is OnTimer, then OnDivide2 on ticks 1, 3, 5 ...
  std::string expected;
  for (int tick = 1; expected.size() < e.size(); ++tick) expected += tick % 2 == 1 ? "TD" : "T";
  EXPECT_EQ(e, expected.substr(0, e.size()));
  EXPECT_TRUE(r.OffMainThread());
}

TEST(DDtimer, NoTickRunsOrStartsAfterStopReturns) {
  std::atomic<bool> stopped{false}, in_tick{false};
  std::atomic<int> late{0}, ticks{0};
  TDDtimer t(nullptr);
  t.OnTimer = [&](TComponent*) {
    in_tick = true;
    if (stopped) ++late;
    ++ticks;
    std::this_thread::sleep_for(3ms);  // stop is often called during a tick
    if (stopped) ++late;
    in_tick = false;
  };
  t.SetInterval(1);
  for (int round = 0; round < 20; ++round) {
    stopped = false;
    const int before = ticks;
    t.SetEnabled(true);
    while (ticks == before) std::this_thread::sleep_for(1ms);
    t.SetEnabled(false);
    stopped = true;
    EXPECT_FALSE(in_tick);
  }
  const int at_stop = ticks;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ticks, at_stop);
  EXPECT_EQ(late, 0);
}

TEST(DDtimer, SettingEnabledToItsValueChangesNothing) {
  Recorder r;
  std::mutex m;
  std::thread::id tick_thread;
  bool one_thread = true;
  TDDtimer t(nullptr);
  t.OnTimer = [&](TComponent*) {
    {
      std::lock_guard<std::mutex> g(m);
      if (tick_thread == std::thread::id()) tick_thread = std::this_thread::get_id();
      one_thread = one_thread && tick_thread == std::this_thread::get_id();
    }
    r.Add('T');
  };
  t.SetInterval(2);
  t.SetEnabled(false);  // already stopped
  EXPECT_EQ(t.RunningInterval(), 0);
  t.SetEnabled(true);
  ASSERT_TRUE(r.WaitFor('T', 2));
  t.SetEnabled(true);  // already running: the same timer goes on
  EXPECT_EQ(t.RunningInterval(), 2);
  ASSERT_TRUE(r.WaitFor('T', 5));
  t.SetEnabled(false);
  std::lock_guard<std::mutex> g(m);
  EXPECT_TRUE(one_thread);
}

TEST(DDtimer, IntervalTakesEffectAtTheNextStart) {
  Recorder r;
  TDDtimer t(nullptr);
  Record(t, r);
  t.SetInterval(30);
  t.SetEnabled(true);
  t.SetInterval(5);
  EXPECT_EQ(t.GetInterval(), 5);
  EXPECT_EQ(t.RunningInterval(), 30);
  t.SetEnabled(false);
  EXPECT_EQ(t.RunningInterval(), 0);
  t.SetEnabled(true);
  EXPECT_EQ(t.RunningInterval(), 5);
  ASSERT_TRUE(r.WaitFor('T', 1));
  t.SetEnabled(false);
}

TEST(DDtimer, OnDivide2FiresWithoutOnTimer) {
  Recorder r;
  TDDtimer t(nullptr);
  t.OnDivide2 = [&r](TComponent*) { r.Add('D'); };
  t.SetInterval(2);
  t.SetEnabled(true);
  EXPECT_TRUE(r.WaitFor('D', 3));
  t.SetEnabled(false);
}

// Stopped after an odd number of ticks (phase 1), a restarted timer still
// fires OnDivide2 on its first tick.
TEST(DDtimer, RestartResetsThePhase) {
  Recorder r;
  std::atomic<bool> release{false};
  TDDtimer t(nullptr);
  t.OnTimer = [&r](TComponent*) { r.Add('T'); };
  t.OnDivide2 = [&](TComponent*) {
    r.Add('D');
    while (!release) std::this_thread::sleep_for(1ms);
  };
  // The long period leaves no room for a second tick before the stop.
  t.SetInterval(300);
  t.SetEnabled(true);
  ASSERT_TRUE(r.WaitFor('D', 1));
  release = true;
  t.SetEnabled(false);
  ASSERT_EQ(r.Events(), "TD");
  r.Clear();
  t.SetInterval(2);
  t.SetEnabled(true);
  ASSERT_TRUE(r.WaitFor('D', 1));
  t.SetEnabled(false);
  EXPECT_EQ(r.Events().substr(0, 2), "TD");  // not "TTD"
}

TEST(DDtimer, AStartThatFailsLeavesEnabledAndGivesNoTicks) {
  for (int interval : {0, -5, 2000000}) {
    Recorder r;
    TDDtimer t(nullptr);
    Record(t, r);
    t.SetInterval(interval);
    t.SetEnabled(true);
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.RunningInterval(), 0);
    EXPECT_FALSE(r.WaitFor('T', 1, 30ms));
    t.SetEnabled(false);
    EXPECT_FALSE(t.Enabled());
    // A later start with a sound period works.
    t.SetInterval(2);
    t.SetEnabled(true);
    EXPECT_TRUE(r.WaitFor('T', 1));
    t.SetEnabled(false);
  }
}

TEST(DDtimer, AHandlerMayStopTheTimer) {
  std::atomic<int> ticks{0}, halves{0};
  std::atomic<bool> done{false};
  TDDtimer t(nullptr);
  t.OnTimer = [&](TComponent*) {
    if (++ticks == 3) {
      t.SetEnabled(false);
      done = true;
    }
  };
  t.OnDivide2 = [&](TComponent*) { ++halves; };
  t.SetInterval(1);
  t.SetEnabled(true);
  for (int i = 0; i < 5000 && !done; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(done);
  EXPECT_FALSE(t.Enabled());
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(halves, 1);  // the third tick ended with its OnTimer
}

TEST(DDtimer, DestroyingARunningTimerStopsIt) {
  std::atomic<int> ticks{0};
  {
    TDDtimer t(nullptr);
    t.OnTimer = [&](TComponent*) { ++ticks; };
    t.SetInterval(1);
    t.SetEnabled(true);
    for (int i = 0; i < 5000 && ticks == 0; ++i) std::this_thread::sleep_for(1ms);
  }
  const int at_end = ticks;
  std::this_thread::sleep_for(10ms);
  EXPECT_GT(at_end, 0);
  EXPECT_EQ(ticks, at_end);
}

// A handler and the owner stopping the timer at the same moment: one of
// them stops it, neither waits for the other for ever, and once the
// owner's call returns the handler's tick is over. ThreadSanitizer checks
// the sharing.
TEST(DDtimer, AHandlerAndTheOwnerMayStopItAtTheSameMoment) {
  for (int round = 0; round < 100; ++round) {
    std::atomic<bool> in_tick{false}, ready{false}, go{false};
    std::atomic<int> ticks{0};
    TDDtimer t(nullptr);
    t.OnTimer = [&](TComponent*) {
      in_tick = true;
      if (++ticks == 1) {
        ready = true;
        while (!go) std::this_thread::yield();
        t.SetEnabled(false);
        std::this_thread::sleep_for(std::chrono::microseconds(round % 7 * 50));
      }
      in_tick = false;
    };
    t.SetInterval(1);
    t.SetEnabled(true);
    while (!ready) std::this_thread::yield();
    go = true;
    if (round % 2) std::this_thread::sleep_for(std::chrono::microseconds(round % 5 * 30));
    t.SetEnabled(false);
    EXPECT_FALSE(in_tick) << "round " << round;
    EXPECT_FALSE(t.Enabled());
    std::this_thread::sleep_for(2ms);
    EXPECT_EQ(ticks, 1) << "round " << round;
  }
}

// Started again the moment a handler has stopped it, the timer's new run
// waits for that handler's tick to end: ticks never overlap.
TEST(DDtimer, ARestartRightAfterAHandlerStoppedItKeepsOneTickAtATime) {
  std::atomic<int> active{0}, overlaps{0}, ticks{0};
  TDDtimer t(nullptr);
  t.OnTimer = [&](TComponent*) {
    if (++active > 1) ++overlaps;
    ++ticks;
    if (ticks % 3 == 0) {
      t.SetEnabled(false);
      std::this_thread::sleep_for(2ms);  // the tick goes on after the stop
    }
    --active;
  };
  t.SetInterval(1);
  for (int round = 0; round < 40; ++round) {
    t.SetEnabled(true);
    while (t.Enabled()) std::this_thread::yield();
    // Restarted at once, while the stopping tick still sleeps.
  }
  t.SetEnabled(true);
  t.SetEnabled(false);
  EXPECT_EQ(active, 0);
  EXPECT_EQ(overlaps, 0);
  EXPECT_GE(ticks, 120);
}

// A handler may also restart the timer itself: the new run ticks after the
// current tick ends, with its phase from 0 (OnDivide2 on its first tick).
TEST(DDtimer, AHandlerMayRestartTheTimer) {
  Recorder r;
  std::atomic<int> active{0}, overlaps{0}, ticks{0};
  TDDtimer t(nullptr);
  t.OnTimer = [&](TComponent*) {
    if (++active > 1) ++overlaps;
    r.Add('T');
    if (++ticks == 2) {
      t.SetEnabled(false);
      t.SetEnabled(true);
      std::this_thread::sleep_for(5ms);  // the new run's first tick is due meanwhile
    }
    --active;
  };
  t.OnDivide2 = [&r](TComponent*) { r.Add('D'); };
  t.SetInterval(1);
  t.SetEnabled(true);
  ASSERT_TRUE(r.WaitFor('T', 5));
  t.SetEnabled(false);
  EXPECT_EQ(overlaps, 0);
  // Tick 1 "TD", tick 2 stopped during OnTimer "T", then the new run "TD T ...".
  EXPECT_EQ(r.Events().substr(0, 6), "TDTTDT");
}

// Ticks are due one period after the previous due time, not after the
// moment the previous tick ended, so late handlers do not shift the rhythm;
// a tick more than a period late restarts the rhythm from now.
TEST(DDtimer, NextTickKeepsTheRhythm) {
  using C = TDDtimer::Clock;
  const C::time_point start{};
  EXPECT_EQ(TDDtimer::NextTick(start, 50ms, start + 3ms), start + 50ms);
  EXPECT_EQ(TDDtimer::NextTick(start, 50ms, start + 70ms), start + 50ms);
  EXPECT_EQ(TDDtimer::NextTick(start, 50ms, start + 100ms), start + 50ms);
  EXPECT_EQ(TDDtimer::NextTick(start, 50ms, start + 101ms), start + 101ms);
  // A thousand ticks of 40 ms, each handled 7 ms late, stay on the grid.
  C::time_point due = start;
  for (int i = 0; i < 1000; ++i) due = TDDtimer::NextTick(due, 40ms, due + 7ms);
  EXPECT_EQ(due, start + 40000ms);
}

}  // namespace
}  // namespace sandloop
