#include "kit/RgbaPicture.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "assets/Resources.h"
#include "kit/MasterRows.h"
#include "kit/ddraw/pixel.h"

namespace sandloop {

RgbaPicture::RgbaPicture(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4 + 4) {}

RgbaPicture RgbaPicture::FromMaster(std::span<const std::uint8_t> bytes, const std::string& name) {
  return ReadAll(*OpenPicture(bytes, name));
}

namespace {
std::span<const std::uint8_t> Resource(const std::string& name) {
  const auto bytes = assets::FindResource(name);
  if (!bytes) throw PictureError("no master '" + name + "' in the program");
  return *bytes;
}
}  // namespace

RgbaPicture RgbaPicture::FromResource(const std::string& name) { return FromMaster(Resource(name), name); }

RgbaPicture RgbaPicture::FromResourceScaled(const std::string& name, int w, int h) {
  return ScaleRows(*OpenPicture(Resource(name), name), w, h);
}

// Row by row, all of a row's alphas at once (the loop has no early exit,
// so that it is vectorised).
bool RgbaPicture::Opaque() const {
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* p = Row(y);
    std::uint32_t all = 0xFFFFFFFFu;
    for (int x = 0; x < width_; ++x) {
      std::uint32_t v;
      std::memcpy(&v, p + 4 * x, 4);
      all &= v;
    }
    if ((all >> 24) != 0xFF) return false;
  }
  return true;
}

display::SurfacePixels RgbaPicture::ToSurfacePixels() && {
  display::SurfacePixels out;
  if (Empty()) return out;
  if (!Opaque()) {
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* s = Row(y);
      std::uint8_t* a = alpha.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
      for (int x = 0; x < width_; ++x) a[x] = s[4 * x + 3];
    }
    out.alpha = std::make_unique<display::AlphaPlane>(std::move(alpha), width_, height_);
  }
  // The bytes R, G, B, A read as one little-endian word are 0xAABBGGRR;
  // reversed and shifted down they are 0x00RRGGBB.
  std::uint8_t* p = pixels_.data();
  for (std::size_t i = 0, n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); i < n; ++i) {
    std::uint32_t v;
    std::memcpy(&v, p + 4 * i, 4);
    v = __builtin_bswap32(v) >> 8;
    std::memcpy(p + 4 * i, &v, 4);
  }
  out.width = width_;
  out.height = height_;
  out.words = std::move(pixels_);
  width_ = height_ = 0;
  return out;
}

HRESULT CopyPixelsToSurface(IDirectDrawSurface* surface, const display::SurfacePixels& pixels) {
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  HRESULT hr;
  while ((hr = surface->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
  }
  if (FAILED(hr)) return hr;
  const int w = std::min(pixels.width, static_cast<int>(desc.dwWidth));
  const int h = std::min(pixels.height, static_cast<int>(desc.dwHeight));
  const int bpp = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount), bytes = bpp / 8;
  auto* base = static_cast<std::uint8_t*>(desc.lpSurface);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = pixels.words.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width) * 4;
    std::uint8_t* d = base + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
    for (int x = 0; x < w; ++x, d += bytes) {
      std::uint32_t v;
      std::memcpy(&v, s + 4 * x, 4);
      display::StorePixel(d, bpp, display::EncodePixel(v, bpp));
    }
  }
  surface->Unlock(nullptr);
  return DD_OK;
}

}  // namespace sandloop
