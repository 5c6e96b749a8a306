#pragma once
// Whether an X server shows anything at all: its display in power saving,
// or its own screen saver on. Xlib stays out of the header.

struct _XDisplay;

namespace sandloop::display {

// True when the DPMS extension reports the monitor in standby, suspend or
// off (with power saving enabled), or the screen-saver extension reports
// the server's own saver on, blanking or showing its own pattern (not a
// client's window in its place). False when neither extension is there.
bool X11ScreenDark(struct _XDisplay* display);

}  // namespace sandloop::display
