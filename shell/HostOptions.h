#pragma once
// What the program that starts the saver asks for, read from the command
// line and the environment before the mode switch: a window of another
// program to draw into (a screen-saver daemon's window, a settings
// preview, or the root window), a try-it window of our own, and the
// frame-rate read-out. Everything else is passed on unchanged.
//
// Where the host window comes from, strongest first: -window-id ID (or
// --window-id ID, --window-id=ID), then XSCREENSAVER_WINDOW, then -root (or
// --root), which alone means the root window. Screen-saver daemons set the
// variable and pass -root, so the variable beats -root; a settings preview
// names its window explicitly.
#include <cstdint>
#include <string>
#include <vector>

namespace sandloop {

namespace display {
class Backend;
}

struct HostOptions {
  enum class Target {
    FullScreen,  // the ordinary run: full screen on a window of our own
    Hosted,      // into a window of another program
    Window,      // an ordinary resizable window of our own (try-it)
  };
  Target target = Target::FullScreen;
  // Hosted: the X11 window id; 0 with `root` true means the root window.
  std::uint32_t window_id = 0;
  bool root = false;
  // Window: the window's initial size.
  int width = 1024;
  int height = 768;
  bool fps = false;  // -fps: the frame-rate read-out for this run
  // The arguments not consumed here, in their order (the mode switch,
  // --set NAME=VALUE ...).
  std::vector<std::string> rest;
  // Empty when the arguments are good; otherwise what is wrong, for people.
  std::string error;
};

// `xscreensaver_window` is the value of XSCREENSAVER_WINDOW (null or empty
// when unset). The variable is ignored when the arguments ask for a try-it
// window or for a mode other than run (/c, /p, /a).
[[nodiscard]] HostOptions ParseHostOptions(const std::vector<std::string>& args, const char* xscreensaver_window);

// Points the display back end at what the options ask for (nothing for the
// ordinary full-screen run). Returns an empty text, or what went wrong for
// people (no back end, no such window). Call it before any form is made.
[[nodiscard]] std::string ApplyDisplayTarget(const HostOptions& options, display::Backend* backend);

// A window id: decimal, or hexadecimal after 0x; 1 .. 0xFFFFFFFF. False
// for anything else.
[[nodiscard]] bool ParseWindowId(const std::string& text, std::uint32_t* id);

}  // namespace sandloop
