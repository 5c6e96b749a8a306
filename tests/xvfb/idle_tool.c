/* The X server's idle time and its own screen saver, as the screen-saver
 * extension reports them, for the checks that a running saver leaves the
 * session idle:
 *   idle_tool info   prints one line "STATE KIND IDLE_MS TIL_OR_SINCE_MS":
 *                    STATE on, off, cycle or disabled; KIND blanked,
 *                    internal or external; IDLE_MS the time since the last
 *                    input; TIL_OR_SINCE_MS the time until the saver starts
 *                    (off) or since it started (on).
 * Exit 1 where the display or the extension is missing. */
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <stdio.h>
#include <string.h>

static const char* StateName(int state) {
  switch (state) {
    case ScreenSaverOn: return "on";
    case ScreenSaverOff: return "off";
    case ScreenSaverCycle: return "cycle";
    case ScreenSaverDisabled: return "disabled";
    default: return "unknown";
  }
}

static const char* KindName(int kind) {
  switch (kind) {
    case ScreenSaverBlanked: return "blanked";
    case ScreenSaverInternal: return "internal";
    case ScreenSaverExternal: return "external";
    default: return "unknown";
  }
}

int main(int argc, char** argv) {
  if (argc != 2 || strcmp(argv[1], "info") != 0) {
    fprintf(stderr, "usage: idle_tool info\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (d == NULL) {
    fprintf(stderr, "idle_tool: cannot open the display\n");
    return 1;
  }
  int event_base = 0, error_base = 0;
  if (!XScreenSaverQueryExtension(d, &event_base, &error_base)) {
    fprintf(stderr, "idle_tool: no screen-saver extension\n");
    return 1;
  }
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  if (info == NULL || !XScreenSaverQueryInfo(d, DefaultRootWindow(d), info)) {
    fprintf(stderr, "idle_tool: the query failed\n");
    return 1;
  }
  printf("%s %s %lu %lu\n", StateName(info->state), KindName(info->kind), info->idle, info->til_or_since);
  XFree(info);
  XCloseDisplay(d);
  return 0;
}
