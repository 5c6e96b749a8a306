#pragma once
// The monitors an X server shows now, as RandR's CRTCs place them: SDL
// learns of a monitor plugged in only when its output connects with a
// CRTC already set, and of no later change of a CRTC at all, so the saver
// asks the server itself whether what it covers is still what is there.
// Xlib stays out of the header.
#include <vector>

#include "kit/ddraw/backend.h"

struct _XDisplay;

namespace sandloop::display {

// The rectangles of the CRTCs that show something, in the root window's
// coordinates, sorted; empty without RandR.
std::vector<Rect> X11ActiveMonitors(struct _XDisplay* display);

}  // namespace sandloop::display
