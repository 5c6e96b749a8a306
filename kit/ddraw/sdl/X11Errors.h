#pragma once
// Xlib's handlers of protocol and I/O errors are one for the whole process,
// whichever connection an error comes on: a second installer would silently
// replace the first. This is their one owner. The protocol handler sorts
// errors by connection: on the connection watched for the saver's own
// windows (SDL's), an error naming a window or drawable that no longer
// exists means someone destroyed the saver's window, and is noted; on any
// other connection (windows of other programs, which may go at any moment)
// an error only makes the call that caused it fail. Neither handler ends
// the process: a lost connection is left to each connection's exit handler,
// and the process is ended five seconds later if that has not ended it (an
// Xlib call that was waiting for the server when it went never returns).
#include <atomic>

struct _XDisplay;

namespace sandloop::display::x11 {

// Installs both handlers (again: whoever replaced them meanwhile, SDL
// among them, is overruled). Called before each use of a connection.
void InstallErrorHandlers();
// Errors on `display` that name a gone window or drawable set WindowGone.
// One connection is watched at a time; null watches none.
void WatchWindowsOf(_XDisplay* display);
// Set once a watched window was found destroyed; never cleared.
std::atomic<bool>& WindowGone();

}  // namespace sandloop::display::x11
