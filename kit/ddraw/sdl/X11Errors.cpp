#include "kit/ddraw/sdl/X11Errors.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace sandloop::display::x11 {

namespace {

std::atomic<Display*> g_watched{nullptr};

int OnError(Display* display, XErrorEvent* e) {
  if (display == g_watched.load() && (e->error_code == BadWindow || e->error_code == BadDrawable))
    WindowGone().store(true);
  return 0;
}

// Once a connection is lost the process ends, in order, through the exit
// handler's mark. But an Xlib call that waits for the server's answer
// (SDL hiding its window waits for the unmap) goes on waiting for ever on
// a dead connection, at full speed, if the loss came while it waited:
// then the process is ended from outside that wait.
constexpr auto kEndAfterLoss = std::chrono::seconds(5);

void EndSoonAfterLoss() {
  static std::atomic<bool> armed{false};
  if (armed.exchange(true)) return;
  try {
    std::thread([] {
      std::this_thread::sleep_for(kEndAfterLoss);
      static const char kMessage[] =
          "sandloop: the display was lost and the saver did not end by itself; ending now\n";
      (void)!write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
      std::_Exit(EXIT_FAILURE);
    }).detach();
  } catch (const std::system_error&) {
    // No thread: the orderly end is all there is.
  }
}

// Xlib's default I/O handler exits by itself, before a connection's exit
// handler is asked; this one leaves the decision to that handler, and sees
// to it that the process does end.
int OnIOError(Display*) {
  EndSoonAfterLoss();
  return 0;
}

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
