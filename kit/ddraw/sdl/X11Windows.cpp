// The X11-only parts of the SDL back end: Xlib's handlers of a lost
// connection and of windows destroyed under the saver, and windows of other
// programs (a preview or a daemon's window, the root window) reached
// through a connection of our own. None of this runs on Wayland.
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// Xlib names events and its result type with macros that clash with the
// input kinds and the seam's status.
#undef KeyPress
#undef KeyRelease
#undef None
#undef Status

#include <cstdio>
#include <cstdlib>

#include "kit/Picture.h"
#include "kit/ddraw/sdl/SdlBackendClass.h"
#include "kit/ddraw/sdl/X11Errors.h"

namespace sandloop::display::sdl {

void SdlBackend::WatchConnection() {
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
  if (probe == nullptr) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(probe, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    // Xlib's default on a protocol error ends the process too. The one
    // that matters is a window or drawable of SDL's connection that no
    // longer exists: someone destroyed the saver's window, and the saver
    // ends in order.
    x11::InstallErrorHandlers();
    x11::WatchWindowsOf(info.info.x11.display);
    XSetIOErrorExitHandler(
        info.info.x11.display,
        [](Display*, void* self) {
          if (!static_cast<SdlBackend*>(self)->connection_lost_.exchange(true))
            std::fprintf(stderr, "sandloop: the connection to the X display was lost\n");
        },
        this);
  }
  SDL_DestroyWindow(probe);
}

std::atomic<bool>& SdlBackend::WindowGone() { return x11::WindowGone(); }

WindowId SdlBackend::RootWindowId() {
  Display* x = XDisplay();
  return x != nullptr ? static_cast<WindowId>(DefaultRootWindow(x)) : 0;
}

bool SdlBackend::WindowExists(WindowId window) {
  if (windows_.find(window) != windows_.end()) return true;
  Display* x = XDisplay();
  XWindowAttributes attributes;
  return x != nullptr && XGetWindowAttributes(x, static_cast<Window>(window), &attributes) != 0;
}

bool SdlBackend::IsWindowVisible(WindowId window) {
  if (const auto it = windows_.find(window); it != windows_.end())
    return it->second != nullptr && (SDL_GetWindowFlags(it->second) & SDL_WINDOW_SHOWN) != 0;
  Display* x = XDisplay();
  if (x == nullptr) return false;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(x, static_cast<Window>(window), &attributes) == 0) return false;
  return attributes.map_state == IsViewable;
}

bool SdlBackend::DrawToWindow(WindowId window, const Picture& picture, int x, int y) {
  Display* d = XDisplay();
  if (d == nullptr || picture.Empty()) return false;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(d, static_cast<Window>(window), &attributes) == 0) return false;
  XImage* image = XCreateImage(d, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(picture.Width()), static_cast<unsigned>(picture.Height()), 32, 0);
  if (image == nullptr) return false;
  image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line), picture.Height()));
  const Visual* v = attributes.visual;
  auto place = [](unsigned long mask, unsigned value) {
    if (mask == 0) return 0ul;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    int bits = 0;
    while (((mask >> (shift + bits)) & 1) != 0) ++bits;
    return (static_cast<unsigned long>(value >> (8 - std::min(bits, 8))) << shift) & mask;
  };
  for (int py = 0; py < picture.Height(); ++py)
    for (int px = 0; px < picture.Width(); ++px) {
      const std::uint32_t c = picture.Pixel(px, py);
      XPutPixel(image, px, py,
                place(v->red_mask, (c >> 16) & 0xFF) | place(v->green_mask, (c >> 8) & 0xFF) |
                    place(v->blue_mask, c & 0xFF));
    }
  GC gc = XCreateGC(d, static_cast<Window>(window), 0, nullptr);
  XPutImage(d, static_cast<Window>(window), gc, image, 0, 0, x, y, static_cast<unsigned>(picture.Width()),
            static_cast<unsigned>(picture.Height()));
  XFreeGC(d, gc);
  XDestroyImage(image);  // frees the data too
  XSync(d, False);
  return true;
}

Display* SdlBackend::XDisplay() {
  if (driver_ != VideoDriver::X11) return nullptr;
  if (x_display_ == nullptr && !x_tried_) {
    x_tried_ = true;
    // Xlib's default handler ends the process on any error, such as a
    // window id that names no window; such calls just fail instead.
    x11::InstallErrorHandlers();
    x_display_ = XOpenDisplay(nullptr);
  }
  return x_display_;
}

// A connection for asking the server's power and saver state only; its
// queries cause no errors. A lost server marks the connection lost
// instead of ending the process.
Display* SdlBackend::PowerDisplay() {
  if (driver_ != VideoDriver::X11) return nullptr;
  if (power_display_ == nullptr && !power_tried_) {
    power_tried_ = true;
    power_display_ = XOpenDisplay(nullptr);
    if (power_display_ != nullptr)
      XSetIOErrorExitHandler(
          power_display_,
          [](Display*, void* self) { static_cast<SdlBackend*>(self)->connection_lost_.store(true); }, this);
  }
  return power_display_;
}

void SdlBackend::CloseXDisplay() {
  if (x_display_ != nullptr) XCloseDisplay(x_display_);
  x_display_ = nullptr;
  if (power_display_ != nullptr) XCloseDisplay(power_display_);
  power_display_ = nullptr;
}
}  // namespace sandloop::display::sdl
