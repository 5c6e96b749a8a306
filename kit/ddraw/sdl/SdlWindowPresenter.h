#pragma once
// A page shown in one SDL window: through a streaming texture of the
// window's renderer when it has one, otherwise through the window's own
// framebuffer, into which a page of another size is scaled. The saver's
// window and the other monitors' covers each have one. It never waits:
// pacing is the caller's.
#include <SDL2/SDL.h>

#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/present.h"

namespace sandloop::display::sdl {

struct WindowPresenter {
  SDL_Window* win = nullptr;
  SDL_Renderer* renderer = nullptr;  // none: the window's framebuffer
  SDL_Texture* texture = nullptr;
  int tex_w = 0, tex_h = 0;
  SDL_Surface* scratch = nullptr;  // a page of another size, before scaling
  SDL_Surface* shown = nullptr;    // the window surface the last whole page went to

  // The whole page.
  Status Whole(const PageView& page, const RampTables* t);
  // Only `rects` of the page, where the window still shows the page before
  // (the same texture or window surface); otherwise the whole page.
  Status Parts(const PageView& page, const RampTables* t, const Rect* rects, int count);
  // Gives back the texture, the renderer and the scratch surface; the window
  // stays.
  void Drop();

 private:
  std::vector<SDL_Rect> parts_;
};

}  // namespace sandloop::display::sdl
