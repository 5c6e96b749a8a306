#pragma once
// Showing pages in an X11 window that another program made and owns (a
// screen-saver daemon's window, a settings preview, the root window).
//
// Mechanism: a connection of its own to the X server, listening only for
// the window's structure events (resizes, destruction) and exposures; input
// is left to the window's owner. Pages are converted into an image
// of the window's current size (MIT shared memory where the server is on
// this machine, a plain image otherwise) and put into the window. A page of
// another size is scaled to fill the window; a page of the window's size is
// put in the changed rectangles only, when the caller names them and the
// window has not lost its picture since (an exposure).
//
// Loss: a destroyed window is noticed by its DestroyNotify; a broken
// connection by Xlib's I/O error exit handler, which here only records the
// loss instead of ending the process, after which the connection is never
// used again (not even to close it).
//
// Limits: visuals other than 24-bit TrueColor in 32-bit pixels are written
// pixel by pixel, which is correct but slow.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/present.h"

namespace sandloop::display {

class X11Host {
 public:
  // Opens a connection and attaches to `window` (0: the root window); null
  // with `why` filled when there is no display or no such window.
  static std::unique_ptr<X11Host> Open(std::uint32_t window, std::string* why);
  ~X11Host();
  X11Host(const X11Host&) = delete;
  X11Host& operator=(const X11Host&) = delete;

  // Reads the events that have arrived: follows resizes, notices the end.
  void Pump();
  [[nodiscard]] bool Destroyed() const { return destroyed_; }
  [[nodiscard]] bool Lost() const { return lost_; }
  [[nodiscard]] bool Gone() const { return destroyed_ || lost_; }
  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] std::uint32_t Id() const { return window_; }

  // Puts a page into the window (scaled when its size differs). With
  // `count` >= 0 only `rects` (inside the page) changed since the page last
  // put, which the window still shows if its size is unchanged. A gone
  // window takes nothing; a lost connection gives Status::SurfaceLost.
  Status Present(const PageView& page, const RampTables* tables, const Rect* rects, int count);

 private:
  X11Host() = default;
  bool Attach(std::uint32_t window, std::string* why);
  bool MakeImage();
  void DropImage();
  void Put(int x, int y, int w, int h);
  static void OnConnectionLost(void* display, void* self);

  void* display_ = nullptr;  // Display*, kept opaque so that Xlib stays out of this header
  std::uint32_t window_ = 0;
  int width_ = 0, height_ = 0;
  void* visual_ = nullptr;  // Visual*
  int depth_ = 0;
  void* gc_ = nullptr;     // GC
  void* image_ = nullptr;  // XImage* of the window's size
  int image_width_ = 0, image_height_ = 0;
  bool direct_ = false;  // the image's pixels are 0x00RRGGBB words
  bool shown_ = false;   // the window shows the image's whole content
  bool shm_ = false;     // the server reads the image from shared memory
  struct Shm;
  std::unique_ptr<Shm> shm_info_;
  std::vector<std::uint8_t> scratch_;  // the converted page before scaling
  bool destroyed_ = false;
  bool lost_ = false;
};

}  // namespace sandloop::display
