#include "kit/ddraw/sdl/VideoDriver.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "kit/ddraw/sdl/WaylandSeat.h"

namespace sandloop::display {

VideoDriver CurrentVideoDriver() {
  const char* name = SDL_GetCurrentVideoDriver();
  if (name == nullptr) return VideoDriver::Other;
  if (std::strcmp(name, "x11") == 0) return VideoDriver::X11;
  if (std::strcmp(name, "wayland") == 0) return VideoDriver::Wayland;
  return VideoDriver::Other;
}

bool PrepareVideoStart(std::string* why) {
  if (!WaylandMayBeChosen() || ProbeWaylandSeat() != WaylandSeat::Missing) return true;
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  const char* x = std::getenv("DISPLAY");
  if ((chosen == nullptr || *chosen == '\0') && x != nullptr && *x != '\0') {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    return true;
  }
  *why = "the Wayland compositor offers no seat: no keyboard or pointer could end the saver";
  return false;
}

void AdaptToDriver(VideoDriver driver) {
  // Only X11 gives SDL a window framebuffer; elsewhere SDL may put the
  // window's surface on a texture of its renderer.
  if (driver != VideoDriver::X11) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1");
}

}  // namespace sandloop::display
