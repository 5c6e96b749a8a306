/* Asks an X window to close as a window manager does when its close button
 * is pressed: a WM_DELETE_WINDOW message of the WM_PROTOCOLS kind. With
 * --destroy it destroys the window instead, as another program could.
 *   close_window [--destroy] WINDOW-ID */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  int destroy = 0;
  if (argc == 3 && argv[1][0] == '-' && argv[1][1] == '-' && argv[1][2] == 'd') {
    destroy = 1;
    ++argv;
    --argc;
  }
  if (argc != 2) {
    fprintf(stderr, "usage: close_window WINDOW-ID\n");
    return 2;
  }
  char* end = NULL;
  const unsigned long id = strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0') {
    fprintf(stderr, "close_window: '%s' is not a window id\n", argv[1]);
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (d == NULL) {
    fprintf(stderr, "close_window: cannot open the display\n");
    return 1;
  }
  if (destroy) {
    XDestroyWindow(d, (Window)id);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
  }
  XEvent e = {0};
  e.xclient.type = ClientMessage;
  e.xclient.window = (Window)id;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(d, (Window)id, False, NoEventMask, &e);
  XCloseDisplay(d);
  return sent != 0 ? 0 : 1;
}
