#include "kit/ddraw/pacer.h"

#include <algorithm>
#include <thread>

namespace sandloop::display {

void Pacer::Wait(int refresh) {
  if (!paced_) return;
  const auto period = std::chrono::microseconds(1000000 / std::max(refresh, 1));
  const auto now = std::chrono::steady_clock::now();
  if (next_ > now) {
    std::this_thread::sleep_until(next_);
    next_ += period;
  } else {
    next_ = now + period;
  }
}

}  // namespace sandloop::display
