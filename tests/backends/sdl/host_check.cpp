// Checks of the SDL back end's hosted and try-it targets on a real X
// server (run by host.sh under Xvfb):
//   host_check hosted   a plain X11 window of this program is hosted into:
//                       the page appears, changed rectangles are put, a
//                       resize is followed by a scaled page, destruction
//                       gives Quit and later presents are harmless;
//   host_check window   the try-it window has its size, shows the page
//                       scaled to its size after a resize, and its close
//                       request gives Quit;
//   host_check fullscreen  the ordinary full-screen run holds the system's
//                       screen saver off no more than the others, and
//                       reports the screen dark while it is on; a hold
//                       that SDL makes when asked is seen (so that the
//                       checks can fail);
//   host_check gone     the try-it window destroyed by another program
//                       gives Quit after errors on the process's other
//                       connections and with a host connection open;
//   host_check lose     hosted into the root window, presents until the X
//                       server goes away, then prints "lost" and ends with 0;
//   host_check nonblack ID [PERCENT]  prints the share of pixels of window
//                       ID (0x-hex or decimal) that are not black; exit 0
//                       when over PERCENT (default 50) are (a screenshot
//                       check for the harnesses);
//   host_check makewindow W H  makes a plain window of that size, prints
//                       its id, and keeps it until killed (a host for the
//                       program-level harness);
//   host_check bench W H N [PW PH]  N presents of a WxH page (or PWxPH)
//                       into a WxH window, printing the CPU time they take.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/sdl/SdlBackend.h"
#include "kit/ddraw/sdl/X11Host.h"

#include <SDL2/SDL.h>

// Xlib after the layer: its macros clash with the layer's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>
#undef None
#undef Status

using namespace sandloop::display;

namespace {

int failures = 0;
int checks = 0;
#define CHECK(cond, ...)                                 \
  do {                                                   \
    ++checks;                                            \
    if (!(cond)) {                                       \
      ++failures;                                        \
      std::printf("FAIL line %d: %s: ", __LINE__, #cond); \
      std::printf(__VA_ARGS__);                          \
      std::printf("\n");                                 \
    }                                                    \
  } while (0)

struct Page {
  int width, height;
  std::vector<std::uint8_t> bytes;
  Page(int w, int h, std::uint32_t fill) : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 4 + 4) {
    Fill(0, 0, w, h, fill);
  }
  void Fill(int x0, int y0, int x1, int y1, std::uint32_t c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) std::memcpy(&bytes[(static_cast<std::size_t>(y) * width + x) * 4], &c, 4);
  }
  PageView View() const { return {bytes.data(), width, height, width * 4, 32}; }
};

// Whether some client holds the server's screen saver off (SDL does so
// unless told otherwise): with a one-second time-out and no input, the
// server's saver starts within two seconds unless it is held off.
bool ScreenSaverHeldOff(Display* d) {
  XSetScreenSaver(d, 1, 0, DontPreferBlanking, AllowExposures);
  XResetScreenSaver(d);
  XSync(d, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  const bool on = XScreenSaverQueryInfo(d, DefaultRootWindow(d), info) != 0 && info->state == ScreenSaverOn;
  XFree(info);
  XSetScreenSaver(d, 0, 0, DontPreferBlanking, AllowExposures);
  XForceScreenSaver(d, ScreenSaverReset);
  XSync(d, False);
  return !on;
}

std::uint32_t PixelAt(Display* d, Window w, int x, int y) {
  XImage* image = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0xDEADBEEF;
  const std::uint32_t v = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
  XDestroyImage(image);
  return v;
}

// Polls the back end until it delivers Quit or the time is up.
bool QuitWithin(Backend& b, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    InputEvent e;
    while (b.PollEvent(&e))
      if (e.kind == InputEvent::Kind::Quit) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

Window MakeWindow(Display* d, int w, int h) {
  const Window win = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, static_cast<unsigned>(w),
                                         static_cast<unsigned>(h), 0, 0, 0);
  XMapWindow(d, win);
  XSync(d, False);
  return win;
}

std::shared_ptr<Backend> Start() {
  std::string why;
  auto b = CreateSdlBackend(&why);
  if (!b) {
    std::printf("no back end: %s\n", why.c_str());
    std::exit(1);
  }
  return b;
}

void Hosted(Display* d) {
  const Window win = MakeWindow(d, 320, 240);
  auto b = Start();
  CHECK(b->SetTarget({DisplayTarget::Kind::Hosted, 0x7FFFFFF, 0, 0}) == Status::InvalidParams, "a missing window is refused");
  CHECK(b->SetTarget({DisplayTarget::Kind::Hosted, static_cast<WindowId>(win), 0, 0}) == Status::Ok, "hosting");
  // Hosting ends SDL's video, which gives Xlib its own error handler back;
  // that one ends the process on any error, such as a present into the
  // host's window just after it went. An error now must pass harmlessly.
  XMapWindow(d, 0x7FFFFFE);
  XSync(d, False);
  CHECK(true, "an X error after hosting began does not end the process");
  CHECK(b->DesktopMode() == (DisplayMode{320, 240, 32}), "desktop is the window: %dx%d", b->DesktopMode().width,
        b->DesktopMode().height);
  const WindowId form = b->CreateFormWindow("host-check");
  CHECK(b->BeginExclusive(form) == Status::Ok, "exclusive");
  CHECK(b->SetMode({320, 240, 32}) == Status::Ok, "any size is taken");
  b->SetSaverRunning(true);  // what the scene says at its start, in every mode
  CHECK(!ScreenSaverHeldOff(d), "the system's screen saver is not held off when hosted");

  Page page(320, 240, 0x2060A0);
  page.Fill(300, 220, 320, 240, 0xF0E010);
  CHECK(b->Present(page.View(), nullptr) == Status::Ok, "present");
  CHECK(PixelAt(d, win, 5, 5) == 0x2060A0, "page shown: %06x", PixelAt(d, win, 5, 5));
  CHECK(PixelAt(d, win, 310, 230) == 0xF0E010, "corner shown: %06x", PixelAt(d, win, 310, 230));

  // Only the named rectangle is put: a change outside it stays unseen.
  page.Fill(0, 0, 20, 20, 0xFF0000);
  page.Fill(100, 100, 120, 120, 0x00FF00);
  const Rect changed{100, 100, 120, 120};
  CHECK(b->PresentRects(page.View(), nullptr, &changed, 1) == Status::Ok, "partial present");
  CHECK(PixelAt(d, win, 110, 110) == 0x00FF00, "changed part shown: %06x", PixelAt(d, win, 110, 110));
  CHECK(PixelAt(d, win, 5, 5) == 0x2060A0, "the rest untouched: %06x", PixelAt(d, win, 5, 5));

  // The window loses its picture (an exposure): the next present of parts
  // puts the whole page back.
  XClearArea(d, win, 0, 0, 0, 0, True);
  XSync(d, False);
  CHECK(PixelAt(d, win, 5, 5) == 0, "cleared");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  CHECK(b->PresentRects(page.View(), nullptr, &changed, 1) == Status::Ok, "partial present after an exposure");
  CHECK(PixelAt(d, win, 5, 5) == 0xFF0000, "whole page again: %06x", PixelAt(d, win, 5, 5));

  // A resize: the same page fills the new size.
  XResizeWindow(d, win, 640, 480);
  XSync(d, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  CHECK(b->Present(page.View(), nullptr) == Status::Ok, "present after resize");
  CHECK(b->DesktopMode() == (DisplayMode{640, 480, 32}), "desktop follows: %dx%d", b->DesktopMode().width,
        b->DesktopMode().height);
  CHECK(PixelAt(d, win, 630, 470) == 0xF0E010, "scaled corner: %06x", PixelAt(d, win, 630, 470));
  CHECK(PixelAt(d, win, 220, 220) == 0x00FF00, "scaled middle: %06x", PixelAt(d, win, 220, 220));

  InputEvent e;
  CHECK(!b->PollEvent(&e), "nothing to deliver while the window lives");
  XDestroyWindow(d, win);
  XSync(d, False);
  CHECK(QuitWithin(*b, 1000), "destroyed window gives Quit");
  CHECK(b->Present(page.View(), nullptr) == Status::Ok, "a present after that is harmless");
  CHECK(!b->PollEvent(&e), "Quit comes once");
  b->EndExclusive();
  b->DestroyWindow(form);
}

Window FindByName(Display* d, Window parent, const char* name) {
  Window root, up, *kids = nullptr;
  unsigned n = 0;
  if (XQueryTree(d, parent, &root, &up, &kids, &n) == 0) return 0;
  Window found = 0;
  for (unsigned i = 0; i < n && found == 0; ++i) {
    char* title = nullptr;
    if (XFetchName(d, kids[i], &title) != 0 && title != nullptr) {
      if (std::strcmp(title, name) == 0) found = kids[i];
      XFree(title);
    }
    if (found == 0) found = FindByName(d, kids[i], name);
  }
  if (kids != nullptr) XFree(kids);
  return found;
}

void OwnWindow(Display* d) {
  auto b = Start();
  CHECK(b->SetTarget({DisplayTarget::Kind::Window, 0, 400, 300}) == Status::Ok, "window target");
  const WindowId form = b->CreateFormWindow("host-check-window");
  CHECK(b->BeginExclusive(form) == Status::Ok, "exclusive");
  CHECK(b->SetMode({800, 600, 32}) == Status::Ok, "a page size of its own");
  Page page(800, 600, 0x103050);
  page.Fill(780, 580, 800, 600, 0xE0C020);
  Window win = 0;
  for (int i = 0; i < 100 && win == 0; ++i) {
    b->Present(page.View(), nullptr);
    InputEvent e;
    while (b->PollEvent(&e)) {
    }
    win = FindByName(d, DefaultRootWindow(d), "host-check-window");
  }
  CHECK(win != 0, "the window is on the screen");
  if (win == 0) return;
  XWindowAttributes a;
  XGetWindowAttributes(d, win, &a);
  CHECK(a.width == 400 && a.height == 300, "first size: %dx%d", a.width, a.height);
  CHECK(b->DesktopMode() == (DisplayMode{400, 300, 32}), "desktop is the window");
  CHECK(PixelAt(d, win, 10, 10) == 0x103050, "page scaled into it: %06x", PixelAt(d, win, 10, 10));
  CHECK(PixelAt(d, win, 396, 296) == 0xE0C020, "corner: %06x", PixelAt(d, win, 396, 296));

  XResizeWindow(d, win, 500, 200);
  XSync(d, False);
  for (int i = 0; i < 20; ++i) {
    InputEvent e;
    while (b->PollEvent(&e)) {
    }
    b->Present(page.View(), nullptr);
  }
  CHECK(b->DesktopMode() == (DisplayMode{500, 200, 32}), "desktop follows the resize: %dx%d", b->DesktopMode().width,
        b->DesktopMode().height);
  CHECK(PixelAt(d, win, 496, 196) == 0xE0C020, "fills the new size: %06x", PixelAt(d, win, 496, 196));
  CHECK(!ScreenSaverHeldOff(d), "the system's screen saver is not held off by the try-it window");

  // The close button: a window manager sends WM_DELETE_WINDOW.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = win;
  close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, win, False, NoEventMask, &close);
  XSync(d, False);
  CHECK(QuitWithin(*b, 2000), "the close request gives Quit");
  b->EndExclusive();
  b->DestroyWindow(form);
}

// The saver's own window destroyed by another program is noticed after
// other connections of the process have met errors of their own and after
// a host connection was opened: Xlib's error handler is one for the
// process, and a second one installed over it would miss the end.
void GoneAfterOtherErrors(Display* d) {
  auto b = Start();
  CHECK(b->SetTarget({DisplayTarget::Kind::Window, 0, 320, 240}) == Status::Ok, "window target");
  const WindowId form = b->CreateFormWindow("host-check-gone");
  CHECK(b->BeginExclusive(form) == Status::Ok, "exclusive");
  CHECK(b->SetMode({320, 240, 32}) == Status::Ok, "mode");
  Page page(320, 240, 0x305070);
  Window win = 0;
  for (int i = 0; i < 100 && win == 0; ++i) {
    b->Present(page.View(), nullptr);
    InputEvent e;
    while (b->PollEvent(&e)) {
    }
    win = FindByName(d, DefaultRootWindow(d), "host-check-gone");
  }
  CHECK(win != 0, "the window is on the screen");
  if (win == 0) return;
  // Errors on the connection for other programs' windows: a window id that
  // names nothing. They are not the saver's window going.
  CHECK(!b->WindowExists(0x7fffff0), "no such window");
  CHECK(!b->IsWindowVisible(0x7fffff0), "no such window to see");
  CHECK(!QuitWithin(*b, 300), "an error about another window is no Quit");
  // A connection that shows pages in another program's window.
  const Window other = MakeWindow(d, 64, 48);
  std::string why;
  auto host = X11Host::Open(static_cast<std::uint32_t>(other), &why);
  CHECK(host != nullptr, "host connection: %s", why.c_str());
  XDestroyWindow(d, win);
  XSync(d, False);
  bool quit = false;
  for (int i = 0; i < 100 && !quit; ++i) {
    b->Present(page.View(), nullptr);
    quit = QuitWithin(*b, 20);
  }
  CHECK(quit, "the destroyed window gives Quit");
  host.reset();
  XDestroyWindow(d, other);
  b->EndExclusive();
  b->DestroyWindow(form);
}

// The full-screen saver holds nothing off: the server's saver comes while
// it runs, and the back end then reports the screen dark, until it ends.
void FullScreenHoldsNothingOff(Display* d) {
  auto b = Start();
  const WindowId form = b->CreateFormWindow("host-check-full");
  CHECK(b->BeginExclusive(form) == Status::Ok, "exclusive");
  CHECK(b->SetMode(b->DesktopMode()) == Status::Ok, "full screen");
  b->SetSaverRunning(true);
  CHECK(!b->DisplayAsleep(), "the screen is not dark before the server's saver comes");
  CHECK(!ScreenSaverHeldOff(d), "the full-screen saver does not hold the system's screen saver off");
  XSetScreenSaver(d, 1, 0, DontPreferBlanking, AllowExposures);
  XResetScreenSaver(d);
  XSync(d, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  CHECK(b->DisplayAsleep(), "the screen counts as dark while the server's saver is on");
  XSetScreenSaver(d, 0, 0, DontPreferBlanking, AllowExposures);
  XForceScreenSaver(d, ScreenSaverReset);
  XSync(d, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the back end asks once a second
  CHECK(!b->DisplayAsleep(), "the screen counts as seen again once the server's saver ends");
  SDL_DisableScreenSaver();
  SDL_PumpEvents();
  CHECK(ScreenSaverHeldOff(d), "a hold of the system's screen saver is seen (SDL's, asked for by the check)");
  SDL_EnableScreenSaver();
  SDL_PumpEvents();
  b->SetSaverRunning(false);
  b->EndExclusive();
  b->DestroyWindow(form);
}

int Lose() {
  auto b = Start();
  if (b->SetTarget({DisplayTarget::Kind::Hosted, b->RootWindowId(), 0, 0}) != Status::Ok) return 1;
  const WindowId form = b->CreateFormWindow("host-check");
  b->BeginExclusive(form);
  const DisplayMode m = b->DesktopMode();
  b->SetMode(m);
  Page page(m.width, m.height, 0x406080);
  std::printf("hosting\n");
  std::fflush(stdout);
  for (int i = 0; i < 3000; ++i) {
    const Status hr = b->Present(page.View(), nullptr);
    InputEvent e;
    bool quit = false;
    while (b->PollEvent(&e)) quit = quit || e.kind == InputEvent::Kind::Quit;
    if (quit) {
      std::printf("lost (present %s)\n", hr == Status::SurfaceLost ? "failed with DDERR_SURFACELOST" : "ok");
      return 0;
    }
  }
  std::printf("the loss was never noticed\n");
  return 1;
}

int NonBlack(Display* d, Window w, double need) {
  XWindowAttributes a;
  if (XGetWindowAttributes(d, w, &a) == 0) {
    std::printf("no window %lu\n", w);
    return 1;
  }
  XImage* image = XGetImage(d, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    std::printf("window %lu cannot be read\n", w);
    return 1;
  }
  long lit = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) lit += (XGetPixel(image, x, y) & 0xFFFFFF) > 0x080808 ? 1 : 0;
  XDestroyImage(image);
  const double share = static_cast<double>(lit) / (static_cast<double>(a.width) * a.height);
  std::printf("%dx%d, %.1f%% not black\n", a.width, a.height, 100 * share);
  return share > need ? 0 : 1;
}

int Bench(Display* d, int w, int h, int n, int pw, int ph) {
  const Window win = MakeWindow(d, w, h);
  auto b = Start();
  if (b->SetTarget({DisplayTarget::Kind::Hosted, static_cast<WindowId>(win), 0, 0}) != Status::Ok) return 1;
  const WindowId form = b->CreateFormWindow("host-check");
  b->BeginExclusive(form);
  b->SetMode({pw, ph, 32});
  Page page(pw, ph, 0x336699);
  const Rect small{w / 2, h / 2, w / 2 + 200, h / 2 + 100};
  rusage before{}, after{};
  for (int pass = 0; pass < 2; ++pass) {
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
      if (pass == 0) b->Present(page.View(), nullptr);
      else b->PresentRects(page.View(), nullptr, &small, 1);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_SELF, &after);
    const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) + (after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                       1e-6 * ((after.ru_utime.tv_usec - before.ru_utime.tv_usec) + (after.ru_stime.tv_usec - before.ru_stime.tv_usec));
    std::printf("%s: %d presents of %dx%d into %dx%d in %.2f s (%.1f per s), saver CPU %.2f ms per present, %.1f%% of a core\n",
                pass == 0 ? "whole page" : "one 200x100 rectangle", n, pw, ph, w, h, wall, n / wall, 1000 * cpu / n,
                100 * cpu / wall);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "lose") return Lose();
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::printf("no display\n");
    return 1;
  }
  if (what == "bench" && (argc == 5 || argc == 7)) {
    const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
    return Bench(d, w, h, std::atoi(argv[4]), argc == 7 ? std::atoi(argv[5]) : w, argc == 7 ? std::atoi(argv[6]) : h);
  }
  if (what == "nonblack" && (argc == 3 || argc == 4))
    return NonBlack(d, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)), argc == 4 ? std::atof(argv[3]) / 100 : 0.5);
  if (what == "makewindow" && argc == 4) {
    const Window w = MakeWindow(d, std::atoi(argv[2]), std::atoi(argv[3]));
    std::printf("0x%lx\n", w);
    std::fflush(stdout);
    for (;;) {
      XEvent e;
      XNextEvent(d, &e);  // the window lives as long as this connection
    }
  }
  if (what == "hosted") Hosted(d);
  else if (what == "window") OwnWindow(d);
  else if (what == "fullscreen") FullScreenHoldsNothingOff(d);
  else if (what == "gone") GoneAfterOtherErrors(d);
  else {
    std::printf("usage: host_check hosted | window | fullscreen | gone | lose | nonblack ID [PERCENT] | makewindow W H | bench W H N [PW PH]\n");
    return 2;
  }
  std::printf("%s: %d checks, %d failed\n", what.c_str(), checks, failures);
  return failures == 0 ? 0 : 1;
}
