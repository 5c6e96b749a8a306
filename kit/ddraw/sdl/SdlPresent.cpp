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
  presenter_.win = win_;
  const Status hr = presenter_.Whole(page, t);
  if (hr == Status::Ok) repaint_ = false;
  // A renderer waits for the vertical blank itself; the framebuffer does not.
  if (hr == Status::Ok && presenter_.renderer == nullptr) pacer_.Wait(refresh_);
  return hr;
}

Status SdlBackend::PresentRects(const PageView& page, const Ramp* ramp, const Rect* rects, int count) {
  if (Hosted()) return PresentHosted(page, ramp, rects, count);
  if (ConnectionLost()) return Status::SurfaceLost;
  if (win_ == nullptr) return Status::NoExclusiveMode;
  // The window lost its picture (exposed, resized): show all of the page.
  if (repaint_) return Present(page, ramp);
  if (!presenter_chosen_) ChoosePresenter();
  presenter_.win = win_;
  const Status hr = presenter_.Parts(page, ramp_tables_.For(ramp), rects, count);
  if (hr == Status::Ok && presenter_.renderer == nullptr) pacer_.Wait(refresh_);
  return hr;
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
    presenter_.renderer = SDL_CreateRenderer(win_, -1, pacer_.Paced() ? SDL_RENDERER_PRESENTVSYNC : 0);
    return;
  }
  if (!HaveGpu()) return;
  SDL_Renderer* r =
      SDL_CreateRenderer(win_, -1, SDL_RENDERER_ACCELERATED | (pacer_.Paced() ? SDL_RENDERER_PRESENTVSYNC : 0));
  if (r == nullptr) return;
  SDL_RendererInfo info;
  const bool gl = SDL_GetRendererInfo(r, &info) == 0 && std::strncmp(info.name, "opengl", 6) == 0;
  if ((info.flags & SDL_RENDERER_SOFTWARE) != 0 || (gl && SoftwareGl())) {
    SDL_DestroyRenderer(r);
    return;
  }
  presenter_.renderer = r;
}

void SdlBackend::DropPresenter() {
  presenter_.Drop();
  presenter_chosen_ = false;
  refresh_ = 0;
}

}  // namespace sandloop::display::sdl
