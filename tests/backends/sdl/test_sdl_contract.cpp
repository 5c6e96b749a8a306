// The back-end contract on the SDL back end, on the X server that
// contract.sh starts, with SDL's dummy audio driver: the screen's pixels
// are read back from the X server and the cursor's state from SDL, and
// the surf must play.
#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tests/backends/contract/BackendContract.h"
#include "kit/ddraw/sdl/SdlBackend.h"

// Xlib's macros (Status, None, Bool) clash with the display layer's names:
// its headers come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace sandloop::display::contract {
namespace {

// The colour the X server shows at (x, y) of the screen, where the
// full-screen window lies, on a connection of its own (as a screenshot
// would take it).
std::uint32_t ShownAt(WindowId, int x, int y) {
  static Display* const display = XOpenDisplay(nullptr);
  if (display == nullptr) return 0xFFFFFFFF;
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0xFFFFFFFF;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  auto channel = [pixel](unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
    return static_cast<std::uint32_t>((pixel >> shift) & mask);
  };
  const std::uint32_t rgb = (channel(image->red_mask) << 16) | (channel(image->green_mask) << 8) | channel(image->blue_mask);
  XDestroyImage(image);
  return rgb;
}

const bool every_case_runs = (FailSkipsWhereEveryCaseMustRun(), true);

INSTANTIATE_TEST_SUITE_P(Sdl, BackendContract,
                         ::testing::Values(BackendFactory{
                             .name = "sdl",
                             .make = [](std::string* why) { return CreateSdlBackend(why); },
                             .shown_at = ShownAt,
                             // The saver's state is the program's own on X11: no system flag to ask.
                             .saver_running = {},
                             .cursor_shown = [] { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; },
                             .sound_required = true}));

}  // namespace
}  // namespace sandloop::display::contract
