#include "kit/ddraw/sdl/X11Host.h"

#include "kit/ddraw/sdl/X11Errors.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
// Xlib names its result type with a macro that clashes with the seam's.
#undef Status
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sandloop::display {

struct X11Host::Shm {
  XShmSegmentInfo info{};
};

namespace {

Display* D(void* p) { return static_cast<Display*>(p); }
XImage* I(void* p) { return static_cast<XImage*>(p); }

// Whether the server runs on this machine, so that it can read our memory.
bool LocalServer(Display* d) {
  const char* name = DisplayString(d);
  return name != nullptr && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
}

}  // namespace

std::unique_ptr<X11Host> X11Host::Open(std::uint32_t window, std::string* why) {
  std::unique_ptr<X11Host> host(new X11Host());
  if (!host->Attach(window, why)) return nullptr;
  return host;
}

void X11Host::OnConnectionLost(void*, void* self) {
  auto* host = static_cast<X11Host*>(self);
  if (!host->lost_) std::fprintf(stderr, "sandloop: the connection to the X display was lost\n");
  host->lost_ = true;
}

bool X11Host::Attach(std::uint32_t window, std::string* why) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    *why = "the X display cannot be opened";
    return false;
  }
  display_ = d;
  // Xlib's default handlers end the process: on a protocol error (a window
  // destroyed between two calls) and on a broken connection. Errors are
  // harmless here, and a broken connection is a reason to end cleanly.
  x11::InstallErrorHandlers();
  XSetIOErrorExitHandler(
      d, [](Display* dd, void* self) { OnConnectionLost(dd, self); }, this);
  const ::Window id = window != 0 ? static_cast<::Window>(window) : DefaultRootWindow(d);
  XWindowAttributes a;
  if (XGetWindowAttributes(d, id, &a) == 0) {
    *why = "there is no window " + std::to_string(window);
    return false;
  }
  // Structure events tell resizes and the end; exposures tell that the
  // server lost part of the picture (the next present puts it whole).
  XSelectInput(d, id, StructureNotifyMask | ExposureMask);
  // Destroyed between the two calls: no DestroyNotify would ever come.
  if (XGetWindowAttributes(d, id, &a) == 0) {
    *why = "the window " + std::to_string(window) + " was destroyed";
    return false;
  }
  window_ = static_cast<std::uint32_t>(id);
  width_ = a.width;
  height_ = a.height;
  visual_ = a.visual;
  depth_ = a.depth;
  gc_ = XCreateGC(d, id, 0, nullptr);
  shm_ = XShmQueryExtension(d) && LocalServer(d);
  return true;
}

X11Host::~X11Host() {
  if (display_ == nullptr) return;
  if (lost_) {
    // The connection is dead: any call would report it again. Only our
    // own memory is given back.
    if (image_ != nullptr && shm_info_ != nullptr) shmdt(shm_info_->info.shmaddr);
    return;
  }
  DropImage();
  if (gc_ != nullptr) XFreeGC(D(display_), static_cast<GC>(gc_));
  XCloseDisplay(D(display_));
}

void X11Host::Pump() {
  if (lost_ || destroyed_) return;
  Display* d = D(display_);
  while (!lost_ && XPending(d) > 0) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == ConfigureNotify && e.xconfigure.window == window_) {
      width_ = e.xconfigure.width;
      height_ = e.xconfigure.height;
    } else if (e.type == DestroyNotify && e.xdestroywindow.window == window_) {
      destroyed_ = true;
    } else if (e.type == Expose && e.xexpose.window == window_) {
      shown_ = false;
    }
  }
}

bool X11Host::MakeImage() {
  DropImage();
  Display* d = D(display_);
  Visual* v = static_cast<Visual*>(visual_);
  const unsigned w = static_cast<unsigned>(width_), h = static_cast<unsigned>(height_);
  XImage* image = nullptr;
  if (shm_) {
    shm_info_ = std::make_unique<Shm>();
    XShmSegmentInfo& info = shm_info_->info;
    image = XShmCreateImage(d, v, static_cast<unsigned>(depth_), ZPixmap, nullptr, &info, w, h);
    if (image != nullptr) {
      info.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * h, IPC_CREAT | 0600);
      info.shmaddr = info.shmid >= 0 ? static_cast<char*>(shmat(info.shmid, nullptr, 0)) : reinterpret_cast<char*>(-1);
      if (info.shmaddr != reinterpret_cast<char*>(-1)) {
        image->data = info.shmaddr;
        info.readOnly = True;
        XShmAttach(d, &info);
        XSync(d, False);
      }
      // Marked for removal now: it goes when both sides have detached,
      // even if this process is killed.
      if (info.shmid >= 0) shmctl(info.shmid, IPC_RMID, nullptr);
      if (info.shmaddr == reinterpret_cast<char*>(-1)) {
        XDestroyImage(image);
        image = nullptr;
      }
    }
    if (image == nullptr) {
      shm_info_.reset();
      shm_ = false;  // shared memory is not to be had: plain images from now on
    }
  }
  if (image == nullptr) {
    image = XCreateImage(d, v, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr, w, h, 32, 0);
    if (image == nullptr) return false;
    image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * h));
    if (image->data == nullptr) {
      XDestroyImage(image);
      return false;
    }
  }
  image_ = image;
  image_width_ = width_;
  image_height_ = height_;
  direct_ = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && v->red_mask == 0xFF0000 &&
            v->green_mask == 0xFF00 && v->blue_mask == 0xFF;
  return true;
}

void X11Host::DropImage() {
  if (image_ == nullptr) return;
  XImage* image = I(image_);
  if (shm_info_ != nullptr) {
    XShmDetach(D(display_), &shm_info_->info);
    XSync(D(display_), False);
    shmdt(shm_info_->info.shmaddr);
    image->data = nullptr;
    shm_info_.reset();
  }
  XDestroyImage(image);  // frees plain image data too
  image_ = nullptr;
}

void X11Host::Put(int x, int y, int w, int h) {
  Display* d = D(display_);
  XImage* image = I(image_);
  GC gc = static_cast<GC>(gc_);
  const ::Window id = static_cast<::Window>(window_);
  if (shm_info_ != nullptr)
    XShmPutImage(d, id, gc, image, x, y, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), False);
  else
    XPutImage(d, id, gc, image, x, y, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
}

Status X11Host::Present(const PageView& page, const RampTables* tables, const Rect* rects, int count) {
  Pump();
  if (lost_) return Status::SurfaceLost;
  if (destroyed_ || width_ <= 0 || height_ <= 0) return Status::Ok;
  if (image_ == nullptr || image_width_ != width_ || image_height_ != height_) {
    shown_ = false;
    if (!MakeImage()) return Status::OutOfMemory;
  }
  XImage* image = I(image_);
  const int bpl = image->bytes_per_line;
  auto* data = reinterpret_cast<std::uint8_t*>(image->data);
  const bool same_size = page.width == width_ && page.height == height_;
  if (direct_ && same_size) {
    // Parts only while the window still shows the rest of the last page.
    if (rects != nullptr && count >= 0 && shown_) {
      for (int i = 0; i < count; ++i) {
        const Rect& r = rects[i];
        if (r.left >= r.right || r.top >= r.bottom) continue;
        ConvertPage(SubPage(page, r), data + static_cast<std::ptrdiff_t>(r.top) * bpl + 4 * r.left, bpl, tables);
        Put(r.left, r.top, r.right - r.left, r.bottom - r.top);
      }
    } else {
      ConvertPage(page, data, bpl, tables);
      Put(0, 0, width_, height_);
    }
  } else {
    const int pitch = page.width * 4;
    scratch_.resize(static_cast<std::size_t>(pitch) * page.height);
    ConvertPage(page, scratch_.data(), pitch, tables);
    if (direct_) {
      Scale32(scratch_.data(), page.width, page.height, pitch, data, width_, height_, bpl);
    } else {
      // Another pixel layout: scale into words, then place each pixel.
      std::vector<std::uint8_t> words(static_cast<std::size_t>(width_) * height_ * 4);
      Scale32(scratch_.data(), page.width, page.height, pitch, words.data(), width_, height_, width_ * 4);
      const Visual* v = static_cast<Visual*>(visual_);
      auto place = [](unsigned long mask, unsigned value) {
        if (mask == 0) return 0ul;
        int shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        int bits = 0;
        while (((mask >> (shift + bits)) & 1) != 0) ++bits;
        return (static_cast<unsigned long>(value >> (8 - std::min(bits, 8))) << shift) & mask;
      };
      for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
          std::uint32_t c;
          std::memcpy(&c, words.data() + (static_cast<std::size_t>(y) * width_ + x) * 4, 4);
          XPutPixel(image, x, y,
                    place(v->red_mask, (c >> 16) & 0xFF) | place(v->green_mask, (c >> 8) & 0xFF) |
                        place(v->blue_mask, c & 0xFF));
        }
    }
    Put(0, 0, width_, height_);
  }
  shown_ = true;
  // The server has read the shared image once this returns, so the next
  // frame may overwrite it; a destroyed window shows up as an ignored error
  // here and as DestroyNotify at the next Pump.
  XSync(D(display_), False);
  return lost_ ? Status::SurfaceLost : Status::Ok;
}

}  // namespace sandloop::display
