// Display modes and exclusive use through SDL: every size SDL lists, at
// every depth (the page is converted when presented), the desktop's own
// size without a mode change, other sizes through SDL's mode switch.
#include "kit/ddraw/sdl/PointerKeeper.h"
#include "kit/ddraw/sdl/SdlBackendClass.h"

namespace sandloop::display::sdl {

std::vector<DisplayMode> SdlBackend::DoModes() {
  std::vector<DisplayMode> out;
  const int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) == 0) AddAtEveryDepth(&out, m.w, m.h);
  }
  const DisplayMode desk = DesktopMode();
  AddAtEveryDepth(&out, desk.width, desk.height);
  return out;
}

DisplayMode SdlBackend::DesktopMode() {
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

DisplayMode SdlBackend::MonitorMode() {
  SDL_DisplayMode m;
  if (!video_up_ || SDL_GetDesktopDisplayMode(0, &m) != 0) return monitor_;
  const int bytes = SDL_BYTESPERPIXEL(m.format);
  return {m.w, m.h, bytes >= 4 ? 32 : bytes == 3 ? 24 : bytes == 2 ? 16 : 32};
}

Status SdlBackend::BeginExclusive(WindowId window) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return Status::InvalidParams;
  exclusive_ = window;
  win_ = it->second;
  return Status::Ok;
}

Status SdlBackend::DoSetMode(const DisplayMode& mode) {
  if (target_.kind != DisplayTarget::Kind::FullScreen) {
    // Hosted or in a window: the size is the page's; no switch.
    if (target_.kind == DisplayTarget::Kind::Window) ShowOwnWindow();
    mode_ = mode;
    return Status::Ok;
  }
  if (win_ == nullptr) return Status::NoExclusiveMode;
  const DisplayMode desk = DesktopMode();
  DropPresenter();
  const PointerKeeper pointer(driver_ == VideoDriver::X11);
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
  MakeCovers();
  return Status::Ok;
}

void SdlBackend::EndExclusive() {
  DropCovers();
  if (ConnectionLost() || WindowGone().load()) {  // nothing of the screen is left to give back
    win_ = nullptr;
    exclusive_ = 0;
    return;
  }
  DropPresenter();
  if (win_ != nullptr) {
    const PointerKeeper pointer(driver_ == VideoDriver::X11);
    SDL_SetWindowFullscreen(win_, 0);
    SDL_HideWindow(win_);
  }
  win_ = nullptr;
  exclusive_ = 0;
}

int SdlBackend::DesktopRefresh() {
  SDL_DisplayMode m;
  if (video_up_ && SDL_GetDesktopDisplayMode(0, &m) == 0 && m.refresh_rate > 0) return m.refresh_rate;
  return 60;
}

}  // namespace sandloop::display::sdl
