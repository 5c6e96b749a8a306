#pragma once
// Whether a Wayland compositor offers a seat (keyboard and pointer). SDL
// 2.26's Wayland driver dereferences the seat while it starts and crashes
// where there is none (a headless compositor without input, a kiosk
// without devices); the back end asks first and reports the missing
// seat instead. Without a seat no key or movement could end the saver.
#include <string>

namespace sandloop::display {

enum class WaylandSeat {
  Present,
  Missing,
  NoCompositor,  // nothing to connect to: SDL will pick another driver or fail
};

// Connects to the compositor named by WAYLAND_DISPLAY (as SDL would),
// lists its globals once and disconnects.
[[nodiscard]] WaylandSeat ProbeWaylandSeat();

// Whether SDL's video may start on its Wayland driver: SDL_VIDEODRIVER
// names it first, or, with no driver named, a compositor may be running.
[[nodiscard]] bool WaylandMayBeChosen();

}  // namespace sandloop::display
