// Input through SDL: key, character, mouse and window events become the
// seam's input events, with the platform's virtual-key codes.
#include <cstdio>
#include <thread>
#include <utility>

#include "kit/ddraw/sdl/SdlBackendClass.h"
#include "kit/os/QuitSignals.h"

namespace sandloop::display::sdl {

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

}  // namespace

bool SdlBackend::PollEvent(InputEvent* event) {
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
  // Monitors that changed without SDL's news cannot be covered as they
  // now are: the saver ends in order instead of leaving one uncovered.
  if (!monitors_quit_sent_ && !MonitorsStillCovered()) {
    monitors_quit_sent_ = true;
    std::fprintf(stderr, "sandloop: the monitors changed in a way the saver cannot follow; it ends\n");
    *event = InputEvent{};
    event->kind = InputEvent::Kind::Quit;
    event->window = exclusive_;
    return true;
  }
  if (TakePendingChar(event)) return true;
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    if (Translate(e, event)) return true;
  }
  return false;
}

void SdlBackend::WaitEvent(int timeout_ms) {
  // SDL_WaitEventTimeout would take the event off the queue, and a
  // termination signal (which SDL does not see) would not end it: the wait
  // looks at SDL's queue and the signal every few milliseconds instead, a
  // fifth of the wait at a time (2 to 200 ms), and ends at once on WakeWait.
  using clock = std::chrono::steady_clock;
  const int ms = std::clamp(timeout_ms, 0, 1000);
  const auto step = std::chrono::milliseconds(std::clamp(ms / 5, 2, 200));
  const auto until = clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(wake_mutex_);
      if (std::exchange(woken_, false)) return;
    }
    if (video_up_ && !ConnectionLost()) {
      SDL_PumpEvents();
      if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) return;
    }
    if (QuitSignalPending() != 0) return;
    const auto now = clock::now();
    if (now >= until) return;
    std::unique_lock<std::mutex> lock(wake_mutex_);
    wake_cv_.wait_for(lock, std::min<clock::duration>(until - now, step), [this] { return woken_; });
  }
}

void SdlBackend::WakeWait() {
  {
    std::lock_guard<std::mutex> lock(wake_mutex_);
    woken_ = true;
  }
  wake_cv_.notify_one();
}

bool SdlBackend::Translate(const SDL_Event& e, InputEvent* out) {
  // A further display's cover: its input is the main window's, and its
  // mouse positions are told as the main window's would be.
  const auto from_cover = [this](Uint32 sdl_id, int* x, int* y) {
    const Cover* c = CoverOf(sdl_id);
    if (c == nullptr) return;
    SDL_Rect origin{0, 0, 0, 0};
    SDL_GetDisplayBounds(0, &origin);
    if (x != nullptr) *x += c->bounds.x - origin.x;
    if (y != nullptr) *y += c->bounds.y - origin.y;
  };
  switch (e.type) {
    case SDL_DISPLAYEVENT:
      if (e.display.event != SDL_DISPLAYEVENT_CONNECTED && e.display.event != SDL_DISPLAYEVENT_DISCONNECTED)
        return false;
      if (exclusive_ == 0 || win_ == nullptr || target_.kind != DisplayTarget::Kind::FullScreen) return false;
      // A Wayland compositor does not put a full-screen window made for an
      // output that came while the saver runs on that output (sway keeps it
      // on the focused one): the saver ends in order rather than leave the
      // new output uncovered. An output that went only loses its cover.
      if (driver_ != VideoDriver::X11 && e.display.event == SDL_DISPLAYEVENT_CONNECTED) {
        std::fprintf(stderr, "sandloop: a monitor came that the saver cannot cover; it ends\n");
        out->kind = InputEvent::Kind::Quit;
        out->window = exclusive_;
        return true;
      }
      MakeCovers();
      out->kind = InputEvent::Kind::MonitorsChanged;
      out->window = exclusive_;
      return true;
    case SDL_QUIT:
      out->kind = InputEvent::Kind::Quit;
      out->window = 0;
      return true;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          out->kind = InputEvent::Kind::Quit;
          out->window = CoverOf(e.window.windowID) != nullptr ? exclusive_ : IdOf(e.window.windowID);
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
          for (Cover& c : covers_)
            if (c.win != nullptr && SDL_GetWindowID(c.win) == e.window.windowID) c.repaint = true;
          if (CoverOf(e.window.windowID) == nullptr) repaint_ = true;
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
      from_cover(e.motion.windowID, &out->x, &out->y);
      out->window = IdOf(e.motion.windowID);
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out->kind = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::MouseButtonDown : InputEvent::Kind::MouseButtonUp;
      out->x = e.button.x;
      out->y = e.button.y;
      from_cover(e.button.windowID, &out->x, &out->y);
      out->window = IdOf(e.button.windowID);
      return true;
    default:
      return false;
  }
}

bool SdlBackend::TakePendingChar(InputEvent* out) {
  if (pending_char_ == 0) return false;
  out->kind = InputEvent::Kind::KeyPress;
  out->ch = pending_char_;
  out->window = exclusive_;
  pending_char_ = 0;
  return true;
}

}  // namespace sandloop::display::sdl
