#include "kit/os/TickWait.h"

#include <condition_variable>
#include <mutex>

namespace sandloop::os {

struct TickWait::Waiter {
  std::mutex mutex;
  std::condition_variable wake;
};

TickWait::TickWait() : waiter_(std::make_unique<Waiter>()) {}
TickWait::~TickWait() = default;

bool TickWait::Until(Clock::time_point due) {
  std::unique_lock<std::mutex> lock(waiter_->mutex);
  return waiter_->wake.wait_until(lock, due, [this] { return Stopped(); });
}

void TickWait::Stop() {
  {
    // Set under the lock, so that a sleeper between its check and its
    // sleep cannot miss the notification.
    std::lock_guard<std::mutex> g(waiter_->mutex);
    stopped_.store(true, std::memory_order_release);
  }
  waiter_->wake.notify_all();
}

}  // namespace sandloop::os
