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
      // An external saver is a client's window that the server maps instead
      // of blanking (xss-lock's, say, which may run this program over it):
      // the screen still shows, so only the server's blank or its own
      // pattern count.
      const bool on = XScreenSaverQueryInfo(d, DefaultRootWindow(d), info) != 0 && info->state == ScreenSaverOn &&
                      info->kind != ScreenSaverExternal;
      XFree(info);
      if (on) return true;
    }
  }
  return false;
}

}  // namespace sandloop::display
