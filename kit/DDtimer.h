#pragma once
// TDDtimer: the periodic frame timer. While enabled, a thread of its own
// fires OnTimer every Interval milliseconds, and OnDivide2 on every second
// tick, against the steady clock: the ticks are due at start + k * Interval,
// so no drift accumulates however long it runs. Handlers run on that
// thread, one tick at a time, never on the thread that enabled the timer.
//
// Once SetEnabled(false) returns, no tick is running and none will run, so
// the owner may release what the handlers use. SetEnabled and SetInterval
// belong to the owner's thread; the events are assigned while stopped.
#include <chrono>
#include <memory>
#include <thread>

#include "kit/Component.h"

namespace sandloop {

class TDDtimer : public TComponent {
 public:
  explicit TDDtimer(TComponent* owner);
  // Stops a timer that is still running.
  ~TDDtimer() override;

  TNotifyEvent OnTimer;
  TNotifyEvent OnDivide2;

  void SetEnabled(bool value);
  [[nodiscard]] bool Enabled() const { return FEnabled; }
  // Takes effect the next time the timer starts.
  void SetInterval(int value) { FInterval = value; }
  [[nodiscard]] int GetInterval() const { return FInterval; }

  // The period of the running timer in milliseconds, 0 when no ticks come
  // (stopped, or a start that failed).
  [[nodiscard]] int RunningInterval() const;

  // When the tick after the one that was due at `due` is due: one period
  // later, or at once when the handlers have fallen more than a period
  // behind (the missed ticks are dropped rather than fired in a burst).
  using Clock = std::chrono::steady_clock;
  static Clock::time_point NextTick(Clock::time_point due, std::chrono::milliseconds period, Clock::time_point now);

 private:
  struct Runner;
  void Tick(Runner& runner);
  void Stop();

  // Shortest and longest period a start accepts, in milliseconds.
  static constexpr int kMinInterval = 1;
  static constexpr int kMaxInterval = 1000000;

  bool FEnabled = false;
  int FInterval = 40;
  int FPhase = 0;  // 0 or 1; written by the ticks only while running
  std::shared_ptr<Runner> FRunner;  // null: no platform timer was made
};

}  // namespace sandloop
