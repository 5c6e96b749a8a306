#pragma once
// The real display, through SDL2 (and Xlib for windows of other programs).
//
// Mechanism: one SDL window per form; exclusive full-screen use makes it a
// full-screen window, at the desktop's own mode without a mode change, or
// at another listed size through SDL's mode switch. The layer composes
// pages in 16, 24 or 32 bits; every listed size is offered at all three
// depths and the page is converted to the window's format when presented.
//
// Presenting: with a GPU the page goes through a streaming texture of the
// accelerated renderer with vertical sync, so a loop of flips runs at the
// display's rate. Without one (Xvfb, many virtual machines) the renderer
// would be software OpenGL, which caps a 1920x1080 present near 95 fps on
// both cores; there the page is converted straight into the window's own
// framebuffer (SDL_FRAMEBUFFER_ACCELERATION=0, well under a millisecond),
// and flips are paced to the display's refresh rate instead of vsync.
//
// Targets: hosted in another program's window, pages go through Xlib
// (X11Host: shared-memory images, scaled when the window's size differs,
// changed rectangles only when named) and SDL's video is shut down, so that
// nothing of ours holds input, the pointer or the system's screen saver,
// and a lost display ends the loop instead of the process. The try-it
// window is an ordinary resizable SDL window; the page is scaled to its
// current size. Resizes are followed by scaling rather than by rebuilding
// the surfaces: the kit's components keep the device's surfaces, so a
// rebuild would mean opening everything again, while scaling shows the
// new size at the next frame and costs nothing while the sizes agree.
// Only the full-screen run holds the system's screen saver off.
//
// Drivers: on X11 everything above; on Wayland (VideoDriver.h) the saver
// runs full screen or in its own window, pages go through a renderer (SDL
// has no window framebuffer there), and the X11-only parts (Xlib's error
// handlers, windows of other programs, the root window) are left out.
//
// Limits: the preview and host windows must be X11 windows; without a
// display the back end cannot be created (Create returns null with the
// reason).
#include <memory>
#include <string>

#include "kit/ddraw/backend.h"

namespace sandloop::display {

// Starts SDL's video; null (and `why` filled) when no display can be opened.
std::shared_ptr<Backend> CreateSdlBackend(std::string* why);

}  // namespace sandloop::display
