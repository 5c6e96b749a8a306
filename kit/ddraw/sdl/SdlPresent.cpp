// Presenting pages through SDL: a streaming texture of an accelerated
// renderer with vertical sync where there is a GPU (and always on Wayland),
// otherwise the window's own framebuffer with presents paced to the
// refresh rate; hosted pages go to X11Host.
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "kit/ddraw/sdl/SdlBackendClass.h"

namespace sandloop::display::sdl {

namespace {

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

}  // namespace

Status SdlBackend::Present(const PageView& page, const Ramp* ramp) {
  if (Hosted()) return PresentHosted(page, ramp, nullptr, -1);
  if (ConnectionLost()) return Status::SurfaceLost;
  if (win_ == nullptr) return Status::NoExclusiveMode;
  const RampTables* t = ramp_tables_.For(ramp);
  if (!presenter_chosen_) ChoosePresenter();
  const Status hr = renderer_ != nullptr ? PresentTexture(page, t) : PresentSurface(page, t);
  if (hr == Status::Ok) repaint_ = false;
  return hr;
}

Status SdlBackend::PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
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
  pacer_.Wait(refresh_);
  return Status::Ok;
}

Status SdlBackend::PresentHosted(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  if (exclusive_ == 0) return Status::NoExclusiveMode;
  const Status hr = host_->Present(page, ramp_tables_.For(ramp), rects, count);
  pacer_.Wait(host_refresh_);
  return hr;
}

void SdlBackend::ChoosePresenter() {
  presenter_chosen_ = true;
  // Wayland gives SDL no window framebuffer of its own: pages reach the
  // compositor through a renderer, software OpenGL included.
  if (driver_ != VideoDriver::X11) {
    renderer_ = SDL_CreateRenderer(win_, -1, pacer_.Paced() ? SDL_RENDERER_PRESENTVSYNC : 0);
    return;
  }
  if (!HaveGpu()) return;
  renderer_ = SDL_CreateRenderer(win_, -1, SDL_RENDERER_ACCELERATED | (pacer_.Paced() ? SDL_RENDERER_PRESENTVSYNC : 0));
  if (renderer_ == nullptr) return;
  SDL_RendererInfo info;
  const bool gl = SDL_GetRendererInfo(renderer_, &info) == 0 && std::strncmp(info.name, "opengl", 6) == 0;
  if ((info.flags & SDL_RENDERER_SOFTWARE) != 0 || (gl && SoftwareGl())) {
    SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
  }
}

void SdlBackend::DropPresenter() {
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

Status SdlBackend::PresentTexture(const PageView& page, const RampTables* t) {
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

Status SdlBackend::PresentSurface(const PageView& page, const RampTables* t) {
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
  pacer_.Wait(refresh_);
  return Status::Ok;
}

}  // namespace sandloop::display::sdl
