#pragma once
// Keeps the pointer where the user left it while a window goes full screen
// or back. SDL moves the pointer itself at those moments (it puts it back
// at its last known place inside the window, which is stale once the
// window has changed size and position): the pointer would jump at the
// saver's start and stay moved after its end. Where SDL can place the
// pointer (X11), a keeper notes the position when made and puts the
// pointer back there when it goes, if it moved. Elsewhere (Wayland, where
// a client cannot move the pointer) it does nothing.
#include <SDL2/SDL.h>

namespace sandloop::display {

class PointerKeeper {
 public:
  explicit PointerKeeper(bool can_warp) : active_(can_warp) {
    if (active_) SDL_GetGlobalMouseState(&x_, &y_);
  }
  ~PointerKeeper() {
    if (!active_) return;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    if (x != x_ || y != y_) SDL_WarpMouseGlobal(x_, y_);
  }
  PointerKeeper(const PointerKeeper&) = delete;
  PointerKeeper& operator=(const PointerKeeper&) = delete;

 private:
  bool active_;
  int x_ = 0, y_ = 0;
};

}  // namespace sandloop::display
