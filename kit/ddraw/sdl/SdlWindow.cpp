// Form windows of the SDL back end and the choice of target: full screen,
// hosted in another program's window, or the try-it window.
#include <string>

#include "kit/ddraw/sdl/SdlBackendClass.h"
#include "kit/ddraw/sdl/X11Errors.h"

namespace sandloop::display::sdl {

Status SdlBackend::DoSetTarget(const DisplayTarget& target) {
  using Kind = DisplayTarget::Kind;
  if (target.kind == Kind::Hosted) {
    // Windows of other programs are X11 windows, reached through Xlib.
    if (driver_ != VideoDriver::X11) return Status::Unsupported;
    if (target.foreign == 0 || target.foreign > 0xFFFFFFFFu) return Status::InvalidParams;
    std::string why;  // the caller names the window itself
    auto host = X11Host::Open(static_cast<std::uint32_t>(target.foreign), &why);
    if (host == nullptr) return Status::InvalidParams;
    host_ = std::move(host);
    host_refresh_ = DesktopRefresh();
  }
  target_ = target;
  const bool drop_video = target.kind == Kind::Hosted && video_up_ && windows_.empty();
  if (drop_video) {
    monitor_ = MonitorMode();  // asked later for the full-screen settings
    // A host's window needs nothing of SDL's video: its connection would
    // only hold input and the screen saver, and end the process when the
    // display goes. The event queue stays for quit requests.
    events_up_ = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    video_up_ = false;
    // SDL gave Xlib back the handlers it found as its video started, and
    // Xlib's own end the process on any error: a present into the host's
    // window just after it went would.
    x11::InstallErrorHandlers();
  }
  return Status::Ok;
}

WindowId SdlBackend::CreateFormWindow(const std::string& title) {
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

void SdlBackend::DestroyWindow(WindowId window) {
  if (window == exclusive_) EndExclusive();
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  if (it->second != nullptr && !ConnectionLost() && !WindowGone().load()) SDL_DestroyWindow(it->second);
  windows_.erase(it);
}

void SdlBackend::ShowOwnWindow() {
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

WindowId SdlBackend::IdOf(Uint32 sdl_id) const {
  for (const auto& [id, w] : windows_)
    if (SDL_GetWindowID(w) == sdl_id) return id;
  return 0;
}

}  // namespace sandloop::display::sdl
