// The X server's power and saver state, read through the DPMS and
// screen-saver extensions.
#include "kit/ddraw/sdl/X11Power.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace sandloop::display {

bool X11ScreenDark(Display* d) {
  if (d == nullptr) return false;
  int event_base = 0, error_base = 0;
  if (DPMSQueryExtension(d, &event_base, &error_base) && DPMSCapable(d)) {
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (DPMSInfo(d, &level, &enabled) && enabled && level != DPMSModeOn) return true;
  }
  if (XScreenSaverQueryExtension(d, &event_base, &error_base)) {
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info != nullptr) {
      const bool on = XScreenSaverQueryInfo(d, DefaultRootWindow(d), info) != 0 && info->state == ScreenSaverOn;
      XFree(info);
      if (on) return true;
    }
  }
  return false;
}

}  // namespace sandloop::display
