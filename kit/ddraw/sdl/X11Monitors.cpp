#include "kit/ddraw/sdl/X11Monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <tuple>

namespace sandloop::display {

std::vector<Rect> X11ActiveMonitors(Display* d) {
  std::vector<Rect> out;
  if (d == nullptr) return out;
  int event_base = 0, error_base = 0;
  if (!XRRQueryExtension(d, &event_base, &error_base)) return out;
  XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
  if (res == nullptr) return out;
  for (int i = 0; i < res->ncrtc; ++i) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(d, res, res->crtcs[i]);
    if (crtc == nullptr) continue;
    if (crtc->mode != None && crtc->width > 0 && crtc->height > 0)
      out.push_back(Rect{crtc->x, crtc->y, crtc->x + static_cast<int>(crtc->width),
                         crtc->y + static_cast<int>(crtc->height)});
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(res);
  std::sort(out.begin(), out.end(), [](const Rect& a, const Rect& b) {
    return std::tie(a.left, a.top, a.right, a.bottom) < std::tie(b.left, b.top, b.right, b.bottom);
  });
  return out;
}

}  // namespace sandloop::display
