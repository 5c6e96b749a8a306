// Start and end of the SDL back end, message boxes, and the saver's state:
// what it tells the system (nothing that holds off idle) and whether the
// screen can be seen at all.
#include "kit/ddraw/sdl/SdlBackend.h"

#include <cstdlib>
#include <cstring>

#include "kit/ddraw/sdl/AlsaQuiet.h"
#include "kit/ddraw/sdl/SdlBackendClass.h"
#include "kit/ddraw/sdl/WaylandPower.h"
#include "kit/ddraw/sdl/X11Power.h"

namespace sandloop::display::sdl {

SdlBackend::~SdlBackend() {
  StopSound();
  // With the connection gone, every call into SDL's video would only meet
  // it again; the process ends next and the server has gone anyway.
  if (ConnectionLost() || WindowGone().load()) return;
  EndExclusive();
  for (auto& [id, w] : windows_)
    if (w != nullptr) SDL_DestroyWindow(w);
  // After the server has gone, closing a connection would only report
  // the loss again (and Xlib's default would end the process).
  const bool lost = host_ != nullptr && host_->Lost();
  host_.reset();
  if (!lost) CloseXDisplay();
  if (video_up_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (events_up_) SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

bool SdlBackend::Start(std::string* why) {
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
  // The session stays idle while the saver runs: SDL would otherwise
  // suspend the X server's saver and reset its idle time, ask the desktop
  // over D-Bus not to lock, or take a Wayland idle inhibitor, and the
  // display would never sleep nor the lock come.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Closing a window is a quit request for its form, not a second one
  // for the whole program.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (!PrepareVideoStart(why)) return false;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    *why = SDL_GetError();
    return false;
  }
  driver_ = CurrentVideoDriver();
  AdaptToDriver(driver_);
  if (driver_ == VideoDriver::X11) WatchConnection();
  // SDL falls back to drivers that draw nowhere; a saver needs a screen.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver_chosen && driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    *why = std::string("no display: only SDL's \"") + driver + "\" video driver is available";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

void SdlBackend::ShowMessage(WindowId owner, const std::string& text, const std::string& caption) {
  // Nothing may pop up over a host's window (it may be a lock screen).
  if (target_.kind == DisplayTarget::Kind::Hosted || ConnectionLost()) {
    EchoMessage(text, caption);
    return;
  }
  SDL_Window* parent = nullptr;
  if (const auto it = windows_.find(owner); it != windows_.end()) parent = it->second;
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), parent) != 0)
    EchoMessage(text, caption);
}

// A saver runs because the session is idle: nothing is held off, so the
// display's power saving, the session's lock and system sleep come at
// their times. The state is only kept.
bool SdlBackend::SetSaverRunning(bool running) {
  const bool before = saver_running_;
  saver_running_ = running;
  return before;
}

bool SdlBackend::DisplayAsleep() {
  if (ConnectionLost() || (driver_ != VideoDriver::X11 && driver_ != VideoDriver::Wayland)) return false;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_dark_check_) return dark_;
  next_dark_check_ = now + std::chrono::seconds(1);
  if (driver_ == VideoDriver::X11) {
    dark_ = X11ScreenDark(PowerDisplay());
  } else {
    if (!wayland_power_tried_) {
      wayland_power_tried_ = true;
      wayland_power_ = WaylandPower::Open();
    }
    dark_ = wayland_power_ != nullptr && wayland_power_->Dark();
  }
  return dark_;
}

void SdlBackend::SetCursorVisible(bool visible) {
  if (target_.kind == DisplayTarget::Kind::FullScreen && !ConnectionLost())
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace sandloop::display::sdl

namespace sandloop::display {

std::shared_ptr<Backend> CreateSdlBackend(std::string* why) { return StartBackend<sdl::SdlBackend>(why); }

}  // namespace sandloop::display
