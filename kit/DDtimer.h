#pragma once
// TDDtimer: the periodic frame timer. While enabled, a thread of its own
// fires OnTimer every Interval milliseconds, and OnDivide2 on every second
// tick, against the steady clock: the ticks are due at start + k * Interval,
// so no drift accumulates however long it runs. Handlers run on that
// thread, one tick at a time, never on the thread that enabled the timer.
//
// Once SetEnabled(false) returns on the owner's thread, no tick is running
// and none will run, so the owner may release what the handlers use. A
// handler may stop (and restart) the timer from inside a tick; it may do so
// while the owner stops it at the same moment. SetInterval belongs to the
// owner's thread; the events are assigned while stopped.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
  [[nodiscard]] bool Enabled() const { return FEnabled.load(std::memory_order_relaxed); }
  // Takes effect the next time the timer starts.
  void SetInterval(int value) { FInterval.store(value, std::memory_order_relaxed); }
  [[nodiscard]] int GetInterval() const { return FInterval.load(std::memory_order_relaxed); }

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
  // Ends the runs that were stopped, waiting for their threads (those of
  // the calling thread itself excepted: they end once its tick returns).
  void JoinStopped();

  // Shortest and longest period a start accepts, in milliseconds.
  static constexpr int kMinInterval = 1;
  static constexpr int kMaxInterval = 1000000;

  std::atomic<bool> FEnabled{false};
  std::atomic<int> FInterval{40};
  // Guards FRunner and FStopped, which the owner and a handler may both
  // change; never held while waiting for a thread or running a handler.
  mutable std::mutex FControl;
  std::shared_ptr<Runner> FRunner;  // the running timer; null: none was made
  std::vector<std::shared_ptr<Runner>> FStopped;  // stopped runs whose threads are not yet joined
  // Held for the whole of each tick, so that a run started right after a
  // handler stopped the previous one cannot tick while that tick goes on.
  std::mutex FTickMutex;
  // The thread running a tick now (under FTickMutex). It never waits for
  // other runs' threads: they may be waiting for its tick to end.
  std::atomic<std::thread::id> FTickThread{};
};

}  // namespace sandloop
