#pragma once
// Whether a Wayland compositor has powered its outputs off (an idle
// daemon's "outputs off" step), as its output-power protocol reports it.
//
// Mechanism: a connection of its own, which binds every output and asks
// for each one's power object; the compositor sends each output's mode
// when asked and again whenever it changes. Dark() reads what has arrived
// without waiting. Compositors without the protocol never report dark.
#include <memory>

namespace sandloop::display {

class WaylandPower {
 public:
  // Null when no compositor answers, or it does not offer the protocol.
  static std::unique_ptr<WaylandPower> Open();
  ~WaylandPower();
  WaylandPower(const WaylandPower&) = delete;
  WaylandPower& operator=(const WaylandPower&) = delete;

  // True when there is at least one output and every output is off. Reads
  // the events that have arrived; never blocks. After the connection fails
  // it stays false.
  bool Dark();

 private:
  WaylandPower() = default;
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sandloop::display
