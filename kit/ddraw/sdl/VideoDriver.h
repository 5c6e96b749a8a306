#pragma once
// Which of SDL's video drivers the back end runs on. X11 alone has what
// the rest of the back end builds on Xlib: handlers for a lost connection
// and for windows destroyed under us, windows of other programs to draw
// into (screen-saver daemons, previews, the root window) and XScreenSaver.
// On Wayland none of these exist: the saver runs full screen or in a
// window of its own, and the compositor's idle daemon starts it.
#include <string>

namespace sandloop::display {

enum class VideoDriver {
  X11,
  Wayland,
  Other,  // KMS/DRM, offscreen, dummy and whatever SDL adds
};

// The driver of SDL's running video subsystem (Other when it is not up).
[[nodiscard]] VideoDriver CurrentVideoDriver();

// Before SDL's video starts: where SDL would start on a Wayland compositor
// that offers no seat (which SDL 2.26 cannot survive), X11 is taken
// instead when there is an X display and no driver was named; otherwise
// false with the reason in `why`.
[[nodiscard]] bool PrepareVideoStart(std::string* why);

// Settings for after the start, once the driver is known.
void AdaptToDriver(VideoDriver driver);

}  // namespace sandloop::display
