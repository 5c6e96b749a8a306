#pragma once
// The frame timer's sleep: waits until a time on the steady clock or until
// another thread stops it, whichever comes first. Each platform waits in
// the cheapest way it has: where every blocking call costs a trip to the
// system, a tick costs one wait and nothing else.
#include <atomic>
#include <chrono>
#include <memory>

namespace sandloop::os {

class TickWait {
 public:
  using Clock = std::chrono::steady_clock;

  TickWait();
  ~TickWait();
  TickWait(const TickWait&) = delete;
  TickWait& operator=(const TickWait&) = delete;

  // Sleeps until `due` (at once when it has passed). True when the wait
  // was stopped, before or during the sleep; the stop is for good.
  [[nodiscard]] bool Until(Clock::time_point due);
  // From any thread: ends a sleep that goes on and every later one.
  void Stop();
  [[nodiscard]] bool Stopped() const { return stopped_.load(std::memory_order_acquire); }

 private:
  struct Waiter;  // the platform's wait
  std::atomic<bool> stopped_{false};
  std::unique_ptr<Waiter> waiter_;
};

}  // namespace sandloop::os
