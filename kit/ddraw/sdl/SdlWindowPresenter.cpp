#include "kit/ddraw/sdl/SdlWindowPresenter.h"

namespace sandloop::display::sdl {

namespace {

// Whether the window surface takes converted pages as they are.
bool Direct(const SDL_Surface* target) {
  return target->format->format == SDL_PIXELFORMAT_RGB888 || target->format->format == SDL_PIXELFORMAT_ARGB8888;
}

}  // namespace

Status WindowPresenter::Whole(const PageView& page, const RampTables* t) {
  if (renderer != nullptr) {
    if (texture == nullptr || tex_w != page.width || tex_h != page.height) {
      if (texture != nullptr) SDL_DestroyTexture(texture);
      texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, page.width,
                                  page.height);
      if (texture == nullptr) return Status::SurfaceLost;
      tex_w = page.width;
      tex_h = page.height;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0) return Status::SurfaceLost;
    ConvertPage(page, static_cast<std::uint8_t*>(pixels), pitch, t);
    SDL_UnlockTexture(texture);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);  // with vertical sync, waits for the blank
    return Status::Ok;
  }
  SDL_Surface* target = SDL_GetWindowSurface(win);
  if (target == nullptr) return Status::SurfaceLost;
  if (Direct(target) && target->w == page.width && target->h == page.height) {
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    ConvertPage(page, static_cast<std::uint8_t*>(target->pixels), target->pitch, t);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  } else {
    if (scratch == nullptr || scratch->w != page.width || scratch->h != page.height) {
      if (scratch != nullptr) SDL_FreeSurface(scratch);
      scratch = SDL_CreateRGBSurfaceWithFormat(0, page.width, page.height, 32, SDL_PIXELFORMAT_RGB888);
      if (scratch == nullptr) return Status::SurfaceLost;
    }
    ConvertPage(page, static_cast<std::uint8_t*>(scratch->pixels), scratch->pitch, t);
    SDL_BlitScaled(scratch, nullptr, target, nullptr);
  }
  if (SDL_UpdateWindowSurface(win) != 0) return Status::SurfaceLost;
  shown = target;
  return Status::Ok;
}

Status WindowPresenter::Parts(const PageView& page, const RampTables* t, const Rect* rects, int count) {
  parts_.clear();
  for (int i = 0; i < count; ++i)
    parts_.push_back(SDL_Rect{rects[i].left, rects[i].top, rects[i].right - rects[i].left,
                              rects[i].bottom - rects[i].top});
  if (renderer != nullptr) {
    if (texture == nullptr || tex_w != page.width || tex_h != page.height) return Whole(page, t);
    for (int i = 0; i < count; ++i) {
      void* pixels = nullptr;
      int pitch = 0;
      if (SDL_LockTexture(texture, &parts_[static_cast<std::size_t>(i)], &pixels, &pitch) != 0)
        return Status::SurfaceLost;
      ConvertPage(SubPage(page, rects[i]), static_cast<std::uint8_t*>(pixels), pitch, t);
      SDL_UnlockTexture(texture);
    }
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
    return Status::Ok;
  }
  SDL_Surface* target = SDL_GetWindowSurface(win);
  if (target == nullptr) return Status::SurfaceLost;
  // A new window surface starts black: it needs the whole page.
  if (!Direct(target) || target != shown || target->w != page.width || target->h != page.height)
    return Whole(page, t);
  if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
  for (int i = 0; i < count; ++i) {
    const Rect& r = rects[i];
    ConvertPage(SubPage(page, r),
                static_cast<std::uint8_t*>(target->pixels) + static_cast<std::ptrdiff_t>(r.top) * target->pitch +
                    r.left * 4,
                target->pitch, t);
  }
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  if (count > 0 && SDL_UpdateWindowSurfaceRects(win, parts_.data(), count) != 0) return Status::SurfaceLost;
  return Status::Ok;
}

void WindowPresenter::Drop() {
  if (texture != nullptr) SDL_DestroyTexture(texture);
  if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  if (scratch != nullptr) SDL_FreeSurface(scratch);
  texture = nullptr;
  renderer = nullptr;
  scratch = nullptr;
  shown = nullptr;
  tex_w = tex_h = 0;
}

}  // namespace sandloop::display::sdl
