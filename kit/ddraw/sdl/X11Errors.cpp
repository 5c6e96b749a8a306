#include "kit/ddraw/sdl/X11Errors.h"

#include <X11/Xlib.h>

namespace sandloop::display::x11 {

namespace {

std::atomic<Display*> g_watched{nullptr};

int OnError(Display* display, XErrorEvent* e) {
  if (display == g_watched.load() && (e->error_code == BadWindow || e->error_code == BadDrawable))
    WindowGone().store(true);
  return 0;
}

// Xlib's default I/O handler exits by itself, before a connection's exit
// handler is asked; this one leaves the decision to that handler.
int OnIOError(Display*) { return 0; }

}  // namespace

// Installed again at every call: SDL gives back the handlers it found
// when its video starts as its video ends, so a back end made after
// another would otherwise run with Xlib's defaults.
void InstallErrorHandlers() {
  XSetErrorHandler(OnError);
  XSetIOErrorHandler(OnIOError);
}

void WatchWindowsOf(_XDisplay* display) { g_watched.store(display); }

std::atomic<bool>& WindowGone() {
  static std::atomic<bool> gone{false};
  return gone;
}

}  // namespace sandloop::display::x11
