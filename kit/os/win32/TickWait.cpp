// One wait on a manual-reset event with a time-out: a tick costs a single
// call into the system. (A condition variable costs several here, each a
// trip to the system under some runtimes.) A time-out that ends a little
// early is waited out again only when a whole millisecond is left, so that
// the timer's granularity does not double the wake-ups.
#include "kit/os/TickWait.h"

#include <windows.h>

namespace sandloop::os {

struct TickWait::Waiter {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Waiter() {
    if (event != nullptr) CloseHandle(event);
  }
};

TickWait::TickWait() : waiter_(std::make_unique<Waiter>()) {}
TickWait::~TickWait() = default;

bool TickWait::Until(Clock::time_point due) {
  using std::chrono::milliseconds;
  for (;;) {
    if (Stopped()) return true;
    const auto left = due - Clock::now();
    if (left < milliseconds(1)) return false;
    const auto ms = std::chrono::ceil<milliseconds>(left).count();
    if (waiter_->event == nullptr) {
      Sleep(static_cast<DWORD>(ms));  // no event: the stop is seen at the next tick
      continue;
    }
    if (WaitForSingleObject(waiter_->event, static_cast<DWORD>(ms)) == WAIT_OBJECT_0) return true;
  }
}

void TickWait::Stop() {
  stopped_.store(true, std::memory_order_release);
  if (waiter_->event != nullptr) SetEvent(waiter_->event);
}

}  // namespace sandloop::os
