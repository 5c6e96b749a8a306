#include "kit/ddraw/sdl/SdlBackend.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// Xlib names events and its result type with macros that clash with the
// input kinds and the seam's status.
#undef KeyPress
#undef KeyRelease
#undef None
#undef Status

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "kit/Picture.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/present.h"
#include "kit/ddraw/sdl/X11Host.h"

namespace sandloop::display {

namespace {

// The platform's virtual-key code for an SDL key.
int VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return 112 + (k - SDLK_F1);
  switch (k) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL: case SDLK_RCTRL: return 17;
    case SDLK_LALT: case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_PLUS: case SDLK_EQUALS: return 187;
    case SDLK_MINUS: return 189;
    default: return 255;  // a key without its own code still counts as a key
  }
}

// Whether the machine has a GPU that the accelerated renderer can use.
bool HaveGpu() {
  std::error_code ec;
  if (!std::filesystem::exists("/dev/dri", ec)) return false;
  const char* soft = std::getenv("LIBGL_ALWAYS_SOFTWARE");
  return soft == nullptr || std::strcmp(soft, "1") != 0;
}

// A renderer name that stands for software rasterising behind OpenGL.
bool SoftwareGl() {
  using GetString = const unsigned char* (*)(unsigned);
  auto get = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (get == nullptr) return false;
  const unsigned char* name = get(0x1F01 /* GL_RENDERER */);
  if (name == nullptr) return false;
  const std::string s(reinterpret_cast<const char*>(name));
  for (const char* soft : {"llvmpipe", "softpipe", "Software", "swrast"})
    if (s.find(soft) != std::string::npos) return true;
  return false;
}

// A decoded sound and where its playing has got to. The audio thread's
// callback owns `pos`; `done` tells the main thread that a single sound
// has ended.
struct Voice {
  Uint8* samples = nullptr;  // from SDL_LoadWAV_RW
  Uint32 length = 0;         // bytes
  Uint32 pos = 0;
  bool loop = false;
  Uint8 silence = 0;
  std::atomic<bool> done{false};
};

// Fills the device's buffer from the voice, wrapping round without a gap
// when it loops and with silence after the end when it does not.
void FillAudio(void* userdata, Uint8* stream, int len) {
  Voice& v = *static_cast<Voice*>(userdata);
  Uint32 want = static_cast<Uint32>(len);
  while (want > 0) {
    if (v.pos >= v.length) {
      if (!v.loop || v.length == 0) {
        std::memset(stream, v.silence, want);
        v.done.store(true, std::memory_order_relaxed);
        return;
      }
      v.pos = 0;
    }
    const Uint32 n = std::min(want, v.length - v.pos);
    std::memcpy(stream, v.samples + v.pos, n);
    v.pos += n;
    stream += n;
    want -= n;
  }
}

class SdlBackend final : public Backend {
 public:
  SdlBackend() = default;
  ~SdlBackend() override {
    StopSound();
    // With the connection gone, every call into SDL's video would only meet
    // it again; the process ends next and the server has gone anyway.
    if (ConnectionLost() || WindowGone().load()) return;
    if (saver_running_ && video_up_) SDL_EnableScreenSaver();
    EndExclusive();
    for (auto& [id, w] : windows_)
      if (w != nullptr) SDL_DestroyWindow(w);
    // After the server has gone, closing a connection would only report
    // the loss again (and Xlib's default would end the process).
    const bool lost = host_ != nullptr && host_->Lost();
    host_.reset();
    if (x_display_ != nullptr && !lost) XCloseDisplay(x_display_);
    if (video_up_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (events_up_) SDL_QuitSubSystem(SDL_INIT_EVENTS);
  }

  bool Start(std::string* why) {
    const bool driver_chosen = std::getenv("SDL_VIDEODRIVER") != nullptr;
    if (!driver_chosen && std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
      *why = "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
      return false;
    }
    // The window's own framebuffer, not one emulated through OpenGL.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Termination signals end the program as usual instead of becoming a
    // quit event that a modal message box would never read.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The system's own screen saver stays on unless the program says that
    // a saver runs (SetSaverRunning); a window alone must not turn it off.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Closing a window is a quit request for its form, not a second one
    // for the whole program.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      *why = SDL_GetError();
      return false;
    }
    WatchConnection();
    // SDL falls back to drivers that draw nowhere; a saver needs a screen.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver_chosen && driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
      *why = std::string("no display: only SDL's \"") + driver + "\" video driver is available";
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    return true;
  }

  // Xlib's default on a broken connection (the X server ended or was
  // killed) ends the process at once, with exit code 1 and nothing in the
  // saver's log. Instead the connection is marked lost: presents fail as a
  // lost surface and the loop gets a quit request, so the saver ends in
  // order with its log lines, and nothing touches the dead connection.
  void WatchConnection() {
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    if (probe == nullptr) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(probe, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
      // Xlib's default on a protocol error ends the process too. The one
      // that matters is a window or drawable that no longer exists: someone
      // destroyed the saver's window, and the saver ends in order.
      XSetErrorHandler([](Display*, XErrorEvent* e) {
        if (e->error_code == BadWindow || e->error_code == BadDrawable) WindowGone().store(true);
        return 0;
      });
      XSetIOErrorHandler([](Display*) { return 0; });
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
  bool ConnectionLost() const { return connection_lost_.load(); }
  // Xlib's error handler has no place for the back end: the flag is the
  // process's, as the handler is.
  static std::atomic<bool>& WindowGone() {
    static std::atomic<bool> gone{false};
    return gone;
  }

  const char* Name() const override { return "sdl"; }

  std::vector<DisplayMode> Modes() override {
    std::vector<DisplayMode> out;
    if (Hosted()) {
      const DisplayMode d = DesktopMode();
      for (int bpp : {16, 24, 32}) out.push_back({d.width, d.height, bpp});
      return out;
    }
    const int n = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < n; ++i) {
      SDL_DisplayMode m;
      if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
      for (int bpp : {16, 24, 32}) {
        const DisplayMode d{m.w, m.h, bpp};
        if (std::find(out.begin(), out.end(), d) == out.end()) out.push_back(d);
      }
    }
    const DisplayMode desk = DesktopMode();
    for (int bpp : {16, 24, 32}) {
      const DisplayMode d{desk.width, desk.height, bpp};
      if (std::find(out.begin(), out.end(), d) == out.end()) out.push_back(d);
    }
    return out;
  }

  DisplayMode DesktopMode() override {
    if (Hosted()) {
      host_->Pump();
      return {std::max(host_->Width(), 1), std::max(host_->Height(), 1), 32};
    }
    if (target_.kind == DisplayTarget::Kind::Window) {
      int w = target_.width, h = target_.height;
      if (win_ != nullptr) SDL_GetWindowSize(win_, &w, &h);
      return {w, h, 32};
    }
    return MonitorMode();
  }

  DisplayMode MonitorMode() override {
    SDL_DisplayMode m;
    if (!video_up_ || SDL_GetDesktopDisplayMode(0, &m) != 0) return monitor_;
    const int bytes = SDL_BYTESPERPIXEL(m.format);
    return {m.w, m.h, bytes >= 4 ? 32 : bytes == 3 ? 24 : bytes == 2 ? 16 : 32};
  }

  int MonitorCount() override { return Hosted() || !video_up_ ? 1 : std::max(1, SDL_GetNumVideoDisplays()); }

  WindowId RootWindowId() override {
    Display* x = XDisplay();
    return x != nullptr ? static_cast<WindowId>(DefaultRootWindow(x)) : 0;
  }

  Status SetTarget(const DisplayTarget& target) override {
    using Kind = DisplayTarget::Kind;
    if (target.kind == Kind::Window && (target.width <= 0 || target.height <= 0)) return Status::InvalidParams;
    if (target.kind == Kind::Hosted) {
      if (target.foreign == 0 || target.foreign > 0xFFFFFFFFu) return Status::InvalidParams;
      std::string why;  // the caller names the window itself
      auto host = X11Host::Open(static_cast<std::uint32_t>(target.foreign), &why);
      if (host == nullptr) return Status::InvalidParams;
      host_ = std::move(host);
      host_refresh_ = DesktopRefresh();
    }
    target_ = target;
    const bool drop_video = target.kind == Kind::Hosted && video_up_ && windows_.empty();
    if (target.kind != Kind::FullScreen && !drop_video) AllowScreenSaver();
    if (drop_video) {
      monitor_ = MonitorMode();  // asked later for the full-screen settings
      // A host's window needs nothing of SDL's video: its connection would
      // only hold input and the screen saver, and end the process when the
      // display goes. The event queue stays for quit requests.
      events_up_ = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      video_up_ = false;
    }
    return Status::Ok;
  }

  DisplayTarget Target() const override { return target_; }

  WindowId CreateFormWindow(const std::string& title) override {
    if (!video_up_) {
      // Hosted: the form has a window id but nothing on the screen.
      const WindowId id = next_id_++;
      windows_[id] = nullptr;
      return id;
    }
    SDL_Window* w = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640, 480,
                                     SDL_WINDOW_HIDDEN);
    if (w == nullptr) return 0;
    const WindowId id = next_id_++;
    windows_[id] = w;
    return id;
  }

  void DestroyWindow(WindowId window) override {
    if (window == exclusive_) EndExclusive();
    const auto it = windows_.find(window);
    if (it == windows_.end()) return;
    if (it->second != nullptr && !ConnectionLost() && !WindowGone().load()) SDL_DestroyWindow(it->second);
    windows_.erase(it);
  }

  bool WindowExists(WindowId window) override {
    if (windows_.find(window) != windows_.end()) return true;
    Display* x = XDisplay();
    XWindowAttributes attributes;
    return x != nullptr && XGetWindowAttributes(x, static_cast<Window>(window), &attributes) != 0;
  }

  bool IsWindowVisible(WindowId window) override {
    if (const auto it = windows_.find(window); it != windows_.end())
      return it->second != nullptr && (SDL_GetWindowFlags(it->second) & SDL_WINDOW_SHOWN) != 0;
    Display* x = XDisplay();
    if (x == nullptr) return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, static_cast<Window>(window), &attributes) == 0) return false;
    return attributes.map_state == IsViewable;
  }

  bool DrawToWindow(WindowId window, const Picture& picture, int x, int y) override {
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

  Status BeginExclusive(WindowId window) override {
    const auto it = windows_.find(window);
    if (it == windows_.end()) return Status::InvalidParams;
    exclusive_ = window;
    win_ = it->second;
    return Status::Ok;
  }

  Status SetMode(const DisplayMode& mode) override {
    if (exclusive_ == 0) return Status::NoExclusiveMode;
    if (target_.kind != DisplayTarget::Kind::FullScreen) {
      // Hosted or in a window: the size is the page's; no switch.
      if (mode.width < 1 || mode.height < 1 || mode.width > 16384 || mode.height > 16384) return Status::InvalidMode;
      if (target_.kind == DisplayTarget::Kind::Window) ShowOwnWindow();
      mode_ = mode;
      return Status::Ok;
    }
    if (win_ == nullptr) return Status::NoExclusiveMode;
    const std::vector<DisplayMode> listed = Modes();
    if (std::find(listed.begin(), listed.end(), mode) == listed.end()) return Status::InvalidMode;
    const DisplayMode desk = DesktopMode();
    DropPresenter();
    // Without a window manager nothing moves a full-screen window to the
    // screen's corner, so place it there first.
    SDL_Rect bounds{0, 0, 0, 0};
    SDL_GetDisplayBounds(0, &bounds);
    SDL_SetWindowPosition(win_, bounds.x, bounds.y);
    SDL_SetWindowSize(win_, mode.width, mode.height);
    if (mode.width == desk.width && mode.height == desk.height) {
      // The desktop's own size: full screen without a mode change.
      if (SDL_SetWindowFullscreen(win_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return Status::InvalidMode;
    } else {
      SDL_DisplayMode want{};
      want.w = mode.width;
      want.h = mode.height;
      SDL_DisplayMode got;
      if (SDL_GetClosestDisplayMode(0, &want, &got) == nullptr || got.w != mode.width || got.h != mode.height)
        return Status::InvalidMode;
      if (SDL_SetWindowDisplayMode(win_, &got) != 0 || SDL_SetWindowFullscreen(win_, SDL_WINDOW_FULLSCREEN) != 0)
        return Status::InvalidMode;
      refresh_ = got.refresh_rate;
    }
    if (refresh_ <= 0) {
      SDL_DisplayMode m;
      refresh_ = SDL_GetDesktopDisplayMode(0, &m) == 0 && m.refresh_rate > 0 ? m.refresh_rate : 60;
    }
    SDL_ShowWindow(win_);
    SDL_RaiseWindow(win_);
    mode_ = mode;
    return Status::Ok;
  }

  void EndExclusive() override {
    if (ConnectionLost() || WindowGone().load()) {  // nothing of the screen is left to give back
      win_ = nullptr;
      exclusive_ = 0;
      return;
    }
    DropPresenter();
    if (win_ != nullptr) {
      SDL_SetWindowFullscreen(win_, 0);
      SDL_HideWindow(win_);
    }
    win_ = nullptr;
    exclusive_ = 0;
  }

  Status Present(const PageView& page, const Ramp* ramp) override {
    if (Hosted()) return PresentHosted(page, ramp, nullptr, -1);
    if (ConnectionLost()) return Status::SurfaceLost;
    if (win_ == nullptr) return Status::NoExclusiveMode;
    const RampTables* t = ramp_tables_.For(ramp);
    if (!presenter_chosen_) ChoosePresenter();
    const Status hr = renderer_ != nullptr ? PresentTexture(page, t) : PresentSurface(page, t);
    if (hr == Status::Ok) repaint_ = false;
    return hr;
  }

  Status PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) override {
    if (Hosted()) return PresentHosted(page, ramp, rects, count);
    if (ConnectionLost()) return Status::SurfaceLost;
    if (win_ == nullptr) return Status::NoExclusiveMode;
    // The window lost its picture (exposed, resized): show all of the page.
    if (repaint_) return Present(page, ramp);
    if (!presenter_chosen_) ChoosePresenter();
    const RampTables* t = ramp_tables_.For(ramp);
    sdl_rects_.clear();
    for (int i = 0; i < count; ++i)
      sdl_rects_.push_back(SDL_Rect{rects[i].left, rects[i].top, rects[i].right - rects[i].left,
                                    rects[i].bottom - rects[i].top});
    if (renderer_ != nullptr) {
      if (texture_ == nullptr || tex_w_ != page.width || tex_h_ != page.height) return PresentTexture(page, t);
      for (int i = 0; i < count; ++i) {
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, &sdl_rects_[static_cast<std::size_t>(i)], &pixels, &pitch) != 0)
          return Status::SurfaceLost;
        ConvertPage(SubPage(page, rects[i]), static_cast<std::uint8_t*>(pixels), pitch, t);
        SDL_UnlockTexture(texture_);
      }
      SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
      SDL_RenderPresent(renderer_);
      return Status::Ok;
    }
    SDL_Surface* target = SDL_GetWindowSurface(win_);
    if (target == nullptr) return Status::SurfaceLost;
    const bool direct = target->format->format == SDL_PIXELFORMAT_RGB888 ||
                        target->format->format == SDL_PIXELFORMAT_ARGB8888;
    // A new window surface starts black: it needs the whole page.
    if (!direct || target != shown_surface_ || target->w != page.width || target->h != page.height)
      return PresentSurface(page, t);
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      ConvertPage(SubPage(page, r),
                  static_cast<std::uint8_t*>(target->pixels) + static_cast<std::ptrdiff_t>(r.top) * target->pitch +
                      r.left * 4,
                  target->pitch, t);
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    if (count > 0 && SDL_UpdateWindowSurfaceRects(win_, sdl_rects_.data(), count) != 0) return Status::SurfaceLost;
    Pace(refresh_);
    return Status::Ok;
  }

  void SetPacing(bool paced) override { paced_ = paced; }

  bool PollEvent(InputEvent* event) override {
    if (Hosted()) {
      // The host owns the input; we only learn that it is time to end.
      host_->Pump();
      SDL_Event e;
      bool quit = false;
      while ((video_up_ || events_up_) && SDL_PollEvent(&e) != 0) quit = quit || e.type == SDL_QUIT;
      if (host_->Gone() && !host_quit_sent_) {
        host_quit_sent_ = true;
        quit = true;
      }
      if (!quit) return false;
      *event = InputEvent{};
      event->kind = InputEvent::Kind::Quit;
      return true;
    }
    if (ConnectionLost() || (win_ != nullptr && WindowGone().load())) {
      if (lost_quit_sent_) return false;
      lost_quit_sent_ = true;
      *event = InputEvent{};
      event->kind = InputEvent::Kind::Quit;
      return true;
    }
    if (TakePendingChar(event)) return true;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
      if (Translate(e, event)) return true;
    }
    return false;
  }

  void WaitEvent(int timeout_ms) override {
    // SDL_WaitEventTimeout would take the event off the queue; short sleeps
    // leave the event for PollEvent, and a termination signal (which SDL
    // does not see) wakes the wait within a few milliseconds.
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + std::chrono::milliseconds(std::clamp(timeout_ms, 0, 50));
    for (;;) {
      if (video_up_ && !ConnectionLost()) {
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) return;
      }
      if (QuitSignalPending() != 0) return;
      const auto now = clock::now();
      if (now >= until) return;
      std::this_thread::sleep_for(std::min<clock::duration>(until - now, std::chrono::milliseconds(2)));
    }
  }

  void ShowMessage(WindowId owner, const std::string& text, const std::string& caption) override {
    // Nothing may pop up over a host's window (it may be a lock screen).
    if (target_.kind == DisplayTarget::Kind::Hosted || ConnectionLost()) {
      std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
      return;
    }
    SDL_Window* parent = nullptr;
    if (const auto it = windows_.find(owner); it != windows_.end()) parent = it->second;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), parent) != 0)
      std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }

  bool PlaySound(const SoundRequest& sound, std::string* why) override {
    StopSound();
    auto fail = [&](const std::string& reason) {
      if (why != nullptr) *why = reason;
      StopSound();
      return false;
    };
    // The audio subsystem starts with the first sound, so that a program
    // that never plays one never touches an audio device.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail(std::string("no audio: ") + SDL_GetError());
    audio_started_ = true;
    auto voice = std::make_unique<Voice>();
    SDL_AudioSpec spec;
    SDL_RWops* rw = SDL_RWFromConstMem(sound.wave.data(), static_cast<int>(sound.wave.size()));
    if (rw == nullptr || SDL_LoadWAV_RW(rw, 1, &spec, &voice->samples, &voice->length) == nullptr)
      return fail("sound \"" + sound.name + "\" cannot be decoded: " + SDL_GetError());
    voice->loop = sound.loop;
    voice->silence = spec.silence;
    // A buffer of about 40 ms: the decoder's default of 4096 frames lasts
    // 370 ms at 11 kHz, and closing the device waits for the buffer in play.
    spec.samples = 64;
    while (spec.samples < 8192 && spec.samples * 25 < spec.freq) spec.samples *= 2;
    spec.callback = FillAudio;
    spec.userdata = voice.get();
    // The device takes the sound's own format; SDL converts where the
    // hardware wants another.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (device_ == 0) {
      SDL_FreeWAV(voice->samples);
      return fail(std::string("no audio device: ") + SDL_GetError());
    }
    voice_ = std::move(voice);
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  void StopSound() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for the callback
    device_ = 0;
    if (voice_ != nullptr) SDL_FreeWAV(voice_->samples);
    voice_.reset();
    if (audio_started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio_started_ = false;
  }

  bool SoundPlaying() override { return device_ != 0 && !voice_->done.load(std::memory_order_relaxed); }

  // Only the full-screen saver holds the system's screen saver off and
  // hides the cursor; hosted or in a window the state is kept, nothing more.
  bool SetSaverRunning(bool running) override {
    const bool before = saver_running_;
    saver_running_ = running;
    if (target_.kind != DisplayTarget::Kind::FullScreen || ConnectionLost()) return before;
    if (running)
      SDL_DisableScreenSaver();
    else
      SDL_EnableScreenSaver();
    SDL_PumpEvents();  // sends the request to the display server now
    return before;
  }

 protected:
  void SetCursorVisible(bool visible) override {
    if (target_.kind == DisplayTarget::Kind::FullScreen && !ConnectionLost())
      SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
  }

 private:
  Status PresentHosted(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
    if (exclusive_ == 0) return Status::NoExclusiveMode;
    const Status hr = host_->Present(page, ramp_tables_.For(ramp), rects, count);
    Pace(host_refresh_);
    return hr;
  }

  bool Hosted() const { return target_.kind == DisplayTarget::Kind::Hosted && host_ != nullptr; }

  // Only the full-screen saver holds the system's screen saver off; SDL
  // does so by default, again at every window it makes unless hinted.
  void AllowScreenSaver() {
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (!video_up_) return;
    // Enabling it after the start does not undo SDL's hold for good (the
    // next window made renews it); starting the video afresh under the
    // hint does, and costs nothing while no window exists.
    if (windows_.empty()) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      video_up_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (video_up_) SDL_EnableScreenSaver();
  }

  int DesktopRefresh() {
    SDL_DisplayMode m;
    if (video_up_ && SDL_GetDesktopDisplayMode(0, &m) == 0 && m.refresh_rate > 0) return m.refresh_rate;
    return 60;
  }

  // The try-it window: an ordinary resizable window at its first size,
  // centred once; later the user's size is kept.
  void ShowOwnWindow() {
    if (win_ == nullptr) return;
    DropPresenter();
    SDL_SetWindowFullscreen(win_, 0);
    SDL_SetWindowResizable(win_, SDL_TRUE);
    if (!own_window_placed_) {
      SDL_SetWindowSize(win_, target_.width, target_.height);
      SDL_SetWindowPosition(win_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
      own_window_placed_ = true;
    }
    SDL_ShowWindow(win_);
    SDL_RaiseWindow(win_);
    refresh_ = DesktopRefresh();
  }

  Display* XDisplay() {
    if (x_display_ == nullptr && !x_tried_) {
      x_tried_ = true;
      x_display_ = XOpenDisplay(nullptr);
      // Xlib's default handler ends the process on any error, such as a
      // window id that names no window; such calls just fail instead.
      if (x_display_ != nullptr) XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    return x_display_;
  }

  void ChoosePresenter() {
    presenter_chosen_ = true;
    if (!HaveGpu()) return;
    renderer_ = SDL_CreateRenderer(win_, -1, SDL_RENDERER_ACCELERATED | (paced_ ? SDL_RENDERER_PRESENTVSYNC : 0));
    if (renderer_ == nullptr) return;
    SDL_RendererInfo info;
    const bool gl = SDL_GetRendererInfo(renderer_, &info) == 0 && std::strncmp(info.name, "opengl", 6) == 0;
    if ((info.flags & SDL_RENDERER_SOFTWARE) != 0 || (gl && SoftwareGl())) {
      SDL_DestroyRenderer(renderer_);
      renderer_ = nullptr;
    }
  }

  void DropPresenter() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (scratch_ != nullptr) SDL_FreeSurface(scratch_);
    texture_ = nullptr;
    renderer_ = nullptr;
    scratch_ = nullptr;
    shown_surface_ = nullptr;
    presenter_chosen_ = false;
    refresh_ = 0;
  }

  Status PresentTexture(const PageView& page, const RampTables* t) {
    if (texture_ == nullptr || tex_w_ != page.width || tex_h_ != page.height) {
      if (texture_ != nullptr) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, page.width,
                                   page.height);
      if (texture_ == nullptr) return Status::SurfaceLost;
      tex_w_ = page.width;
      tex_h_ = page.height;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return Status::SurfaceLost;
    ConvertPage(page, static_cast<std::uint8_t*>(pixels), pitch, t);
    SDL_UnlockTexture(texture_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);  // waits for the vertical blank
    return Status::Ok;
  }

  Status PresentSurface(const PageView& page, const RampTables* t) {
    SDL_Surface* target = SDL_GetWindowSurface(win_);
    if (target == nullptr) return Status::SurfaceLost;
    const bool direct = target->format->format == SDL_PIXELFORMAT_RGB888 ||
                        target->format->format == SDL_PIXELFORMAT_ARGB8888;
    if (direct && target->w == page.width && target->h == page.height) {
      if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
      ConvertPage(page, static_cast<std::uint8_t*>(target->pixels), target->pitch, t);
      if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    } else {
      if (scratch_ == nullptr || scratch_->w != page.width || scratch_->h != page.height) {
        if (scratch_ != nullptr) SDL_FreeSurface(scratch_);
        scratch_ = SDL_CreateRGBSurfaceWithFormat(0, page.width, page.height, 32, SDL_PIXELFORMAT_RGB888);
        if (scratch_ == nullptr) return Status::SurfaceLost;
      }
      ConvertPage(page, static_cast<std::uint8_t*>(scratch_->pixels), scratch_->pitch, t);
      SDL_BlitScaled(scratch_, nullptr, target, nullptr);
    }
    if (SDL_UpdateWindowSurface(win_) != 0) return Status::SurfaceLost;
    shown_surface_ = target;
    Pace(refresh_);
    return Status::Ok;
  }

  std::vector<SDL_Rect> sdl_rects_;  // the parts of a partial present
  bool paced_ = true;

  // Without vertical sync, waits until one refresh period has passed since
  // the previous present, so that a loop of flips does not burn a core.
  void Pace(int refresh) {
    if (!paced_) return;
    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / std::max(refresh, 1));
    const auto now = clock::now();
    if (next_present_ > now) {
      std::this_thread::sleep_until(next_present_);
      next_present_ += period;
    } else {
      next_present_ = now + period;
    }
  }

  bool Translate(const SDL_Event& e, InputEvent* out) {
    switch (e.type) {
      case SDL_QUIT:
        out->kind = InputEvent::Kind::Quit;
        out->window = 0;
        return true;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            out->kind = InputEvent::Kind::Quit;
            out->window = IdOf(e.window.windowID);
            return true;
          // The window's picture was lost in part or whole (another window
          // passed over it, or its surface was made anew): the next present
          // shows the whole page.
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SHOWN:
          case SDL_WINDOWEVENT_RESIZED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_MAXIMIZED:
          case SDL_WINDOWEVENT_RESTORED:
            repaint_ = true;
            return false;
          default:
            return false;
        }
      case SDL_KEYDOWN: {
        out->kind = InputEvent::Kind::KeyDown;
        out->key = VirtualKey(e.key.keysym.sym);
        out->window = IdOf(e.key.windowID);
        // Keys that make a control character come as characters as well.
        const int vk = out->key;
        if (vk == 27 || vk == 13 || vk == 8 || vk == 9) pending_char_ = static_cast<char>(vk);
        return true;
      }
      case SDL_TEXTINPUT: {
        const unsigned char c = static_cast<unsigned char>(e.text.text[0]);
        if (c == 0 || c >= 0x80 || e.text.text[1] != 0) return false;
        out->kind = InputEvent::Kind::KeyPress;
        out->ch = static_cast<char>(c);
        out->window = IdOf(e.text.windowID);
        return true;
      }
      case SDL_MOUSEMOTION:
        out->kind = InputEvent::Kind::MouseMove;
        out->x = e.motion.x;
        out->y = e.motion.y;
        out->window = IdOf(e.motion.windowID);
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        out->kind = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseButtonDown : InputEvent::Kind::MouseButtonUp;
        out->x = e.button.x;
        out->y = e.button.y;
        out->window = IdOf(e.button.windowID);
        return true;
      default:
        return false;
    }
  }

  WindowId IdOf(Uint32 sdl_id) const {
    for (const auto& [id, w] : windows_)
      if (SDL_GetWindowID(w) == sdl_id) return id;
    return 0;
  }

 public:
  // A control character from the last key, delivered after its key-down.
  bool TakePendingChar(InputEvent* out) {
    if (pending_char_ == 0) return false;
    out->kind = InputEvent::Kind::KeyPress;
    out->ch = pending_char_;
    out->window = exclusive_;
    pending_char_ = 0;
    return true;
  }

 private:
  std::map<WindowId, SDL_Window*> windows_;
  WindowId next_id_ = 1;
  WindowId exclusive_ = 0;
  SDL_Window* win_ = nullptr;
  DisplayMode mode_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int tex_w_ = 0, tex_h_ = 0;
  SDL_Surface* scratch_ = nullptr;
  bool presenter_chosen_ = false;
  SDL_Surface* shown_surface_ = nullptr;  // the window surface the last whole page went to
  bool repaint_ = false;                  // the window lost its picture since
  DisplayMode monitor_{800, 600, 32};     // read before a hosted run gives up the video
  RampTableCache ramp_tables_;  // presents come from the drawing thread only
  int refresh_ = 0;
  std::chrono::steady_clock::time_point next_present_{};
  char pending_char_ = 0;
  Display* x_display_ = nullptr;
  bool x_tried_ = false;
  DisplayTarget target_;
  std::unique_ptr<X11Host> host_;
  int host_refresh_ = 60;
  bool host_quit_sent_ = false;
  bool video_up_ = true;
  bool lost_quit_sent_ = false;
  std::atomic<bool> connection_lost_{false};  // set by Xlib's handler
  bool events_up_ = false;
  bool own_window_placed_ = false;
  bool audio_started_ = false;
  SDL_AudioDeviceID device_ = 0;
  std::unique_ptr<Voice> voice_;
  bool saver_running_ = false;
};

}  // namespace

std::shared_ptr<Backend> CreateSdlBackend(std::string* why) {
  auto b = std::make_shared<SdlBackend>();
  std::string reason;
  if (!b->Start(&reason)) {
    if (why != nullptr) *why = reason;
    return nullptr;
  }
  return b;
}

}  // namespace sandloop::display
