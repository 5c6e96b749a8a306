#include "kit/ddraw/sdl/WaylandSeat.h"

#include <wayland-client.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace sandloop::display {

namespace {

void OnGlobal(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0) *static_cast<bool*>(data) = true;
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

constexpr wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};

}  // namespace

WaylandSeat ProbeWaylandSeat() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return WaylandSeat::NoCompositor;
  bool seat = false;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kListener, &seat);
  const bool answered = wl_display_roundtrip(display) >= 0;
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  if (!answered) return WaylandSeat::NoCompositor;
  return seat ? WaylandSeat::Present : WaylandSeat::Missing;
}

bool WaylandMayBeChosen() {
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if (chosen != nullptr && *chosen != '\0') return std::strncmp(chosen, "wayland", 7) == 0;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x = std::getenv("DISPLAY");
  return (wayland != nullptr && *wayland != '\0') || x == nullptr || *x == '\0';
}

}  // namespace sandloop::display
