// Further monitors through SDL: while the full-screen window is in
// exclusive use, every other display SDL lists is covered by a borderless
// full-screen window of its own, black until a page is shown there. Pages
// reach a cover as they reach the main window: through a renderer where
// there is one (always on Wayland), else through the window's framebuffer;
// a cover never waits for the display.
#include <algorithm>

#include "kit/ddraw/sdl/PointerKeeper.h"
#include "kit/ddraw/sdl/SdlBackendClass.h"
#include "kit/ddraw/sdl/X11Monitors.h"

namespace sandloop::display::sdl {

std::vector<Monitor> SdlBackend::Monitors() {
  if (Hosted() || !video_up_ || target_.kind != DisplayTarget::Kind::FullScreen) return Backend::Monitors();
  std::vector<Monitor> out;
  SDL_Rect origin{0, 0, 0, 0};
  SDL_GetDisplayBounds(0, &origin);
  const int bpp = MonitorMode().bpp;
  for (int i = 0, n = SDL_GetNumVideoDisplays(); i < n; ++i) {
    SDL_Rect r;
    SDL_DisplayMode m;
    if (SDL_GetDisplayBounds(i, &r) != 0 || SDL_GetDesktopDisplayMode(i, &m) != 0) continue;
    // The mode's pixels: on a scaled Wayland output the bounds are smaller.
    out.push_back(Monitor{Rect{r.x - origin.x, r.y - origin.y, r.x - origin.x + r.w, r.y - origin.y + r.h},
                          DisplayMode{m.w, m.h, bpp}});
  }
  if (out.empty()) return Backend::Monitors();
  return out;
}

void SdlBackend::MakeCovers() {
  DropCovers();
  if (Hosted() || !video_up_ || target_.kind != DisplayTarget::Kind::FullScreen) return;
  const PointerKeeper pointer(driver_ == VideoDriver::X11);
  std::vector<SDL_Rect> earlier;
  for (int i = 0, n = SDL_GetNumVideoDisplays(); i < n; ++i) {
    Cover c;
    c.display = i;
    if (SDL_GetDisplayBounds(i, &c.bounds) != 0) continue;
    // A clone of a display before it shows that display's window.
    const bool clone = std::any_of(earlier.begin(), earlier.end(),
                                   [&](const SDL_Rect& e) { return SDL_HasIntersection(&e, &c.bounds) == SDL_TRUE; });
    earlier.push_back(c.bounds);
    if (i == 0 || clone) continue;
    c.win = SDL_CreateWindow("Sandloop", static_cast<int>(SDL_WINDOWPOS_UNDEFINED_DISPLAY(i)),
                             static_cast<int>(SDL_WINDOWPOS_UNDEFINED_DISPLAY(i)), c.bounds.w, c.bounds.h,
                             SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR);
    if (c.win == nullptr) continue;
    // Without a window manager nothing moves a full-screen window to its
    // monitor, so place it there first. (A Wayland client places nothing:
    // the display it was made for is its output.)
    if (driver_ == VideoDriver::X11) SDL_SetWindowPosition(c.win, c.bounds.x, c.bounds.y);
    SDL_SetWindowFullscreen(c.win, SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_ShowWindow(c.win);
    if (driver_ != VideoDriver::X11) c.renderer = SDL_CreateRenderer(c.win, -1, 0);
    Blacken(c);
    covers_.push_back(c);
  }
  // The main window keeps the keyboard.
  if (win_ != nullptr && !covers_.empty()) SDL_RaiseWindow(win_);
  // What the server shows now (a mode switched for the saver included: the
  // switch has been made by now).
  covered_ = driver_ == VideoDriver::X11 ? X11ActiveMonitors(PowerDisplay()) : std::vector<Rect>{};
  uncovered_checks_ = 0;
}

bool SdlBackend::MonitorsStillCovered() {
  if (driver_ != VideoDriver::X11 || exclusive_ == 0 || win_ == nullptr || Hosted() ||
      target_.kind != DisplayTarget::Kind::FullScreen || ConnectionLost())
    return true;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_cover_check_) return true;
  next_cover_check_ = now + std::chrono::seconds(1);
  const bool unchanged = X11ActiveMonitors(PowerDisplay()) == covered_;
  // SDL's own news of a change comes within the second check, when it
  // comes at all; it covers the monitors again.
  uncovered_checks_ = unchanged ? 0 : uncovered_checks_ + 1;
  return uncovered_checks_ < 2;
}

void SdlBackend::DropCovers() {
  for (Cover& c : covers_) {
    if (ConnectionLost() || WindowGone().load()) continue;  // nothing left to give back
    c.Drop();
    if (c.win != nullptr) SDL_DestroyWindow(c.win);
  }
  covers_.clear();
}

void SdlBackend::Blacken(Cover& c) {
  if (c.renderer != nullptr) {
    SDL_SetRenderDrawColor(c.renderer, 0, 0, 0, 255);
    SDL_RenderClear(c.renderer);
    SDL_RenderPresent(c.renderer);
    return;
  }
  if (SDL_Surface* s = SDL_GetWindowSurface(c.win)) {
    SDL_FillRect(s, nullptr, 0);
    SDL_UpdateWindowSurface(c.win);
  }
  c.shown = nullptr;
}

const SdlBackend::Cover* SdlBackend::CoverOf(Uint32 sdl_id) const {
  for (const Cover& c : covers_)
    if (c.win != nullptr && SDL_GetWindowID(c.win) == sdl_id) return &c;
  return nullptr;
}

Status SdlBackend::PresentMonitor(int index, const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  if (ConnectionLost()) return Status::SurfaceLost;
  if (exclusive_ == 0 || win_ == nullptr) return Status::NoExclusiveMode;
  Cover* found = nullptr;
  for (Cover& c : covers_)
    if (c.display == index) found = &c;
  if (found == nullptr) return Status::InvalidParams;
  Cover& c = *found;
  const RampTables* t = ramp_tables_.For(ramp);
  const bool whole = rects == nullptr || count < 0 || c.repaint;
  const Status hr = whole ? c.Whole(page, t) : c.Parts(page, t, rects, count);
  if (hr == Status::Ok) c.repaint = false;
  return hr;
}

}  // namespace sandloop::display::sdl
