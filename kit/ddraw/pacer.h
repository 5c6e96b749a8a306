#pragma once
// Frame pacing for presents that have no vertical sync (a window's own
// framebuffer, a host's window, GDI): each present waits until one refresh
// period has passed since the previous one, so that a loop of flips runs
// at the display's rate and does not burn a core. Every real back end
// paces through it.
#include <chrono>

namespace sandloop::display {

class Pacer {
 public:
  // With false, Wait returns at once: a loop of presents runs as fast as
  // the machine allows (Backend::SetPacing).
  void SetPaced(bool paced) { paced_ = paced; }
  [[nodiscard]] bool Paced() const { return paced_; }

  // Waits until one period of `refresh` Hz (at least 1) has passed since
  // the previous present. A present that comes later than that starts the
  // count again from now: a stall is not made up by a burst of presents.
  void Wait(int refresh);

 private:
  bool paced_ = true;
  std::chrono::steady_clock::time_point next_{};
};

}  // namespace sandloop::display
