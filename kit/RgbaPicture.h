#pragma once
// A picture with an alpha channel: 8-bit R, G, B, A per pixel, rows top to
// bottom, the colour already multiplied by the alpha (premultiplied), so
// that averaging pixels never darkens or tints a soft edge. Made from the
// high-resolution masters embedded in the program, scaled down by area
// averaging, and handed to a surface as its pixels and alpha plane.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "kit/Picture.h"
#include "kit/ddraw/PageMemory.h"
#include "kit/ddraw/SurfacePixels.h"
#include "kit/ddraw/ddraw.h"

namespace sandloop {

class RgbaPicture {
 public:
  RgbaPicture() = default;
  // A picture whose pixels the caller writes, every one of them.
  RgbaPicture(int width, int height);

  // A master: "SLMA" (premultiplied RGBA) or "SLMC" (RGB, opaque), width
  // and height as little-endian 32-bit numbers, then the rows as one zlib
  // stream; or a JPEG picture (opaque). A damaged master is a PictureError
  // naming it.
  [[nodiscard]] static RgbaPicture FromMaster(std::span<const std::uint8_t> bytes, const std::string& name);
  // An embedded master by resource name.
  [[nodiscard]] static RgbaPicture FromResource(const std::string& name);
  // An embedded master scaled to w x h while it is decoded (as ScaledTo
  // does, without ever holding the whole master).
  [[nodiscard]] static RgbaPicture FromResourceScaled(const std::string& name, int w, int h);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] bool Empty() const { return width_ == 0 || height_ == 0; }
  [[nodiscard]] std::uint8_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * Pitch(); }
  [[nodiscard]] const std::uint8_t* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * Pitch(); }
  [[nodiscard]] std::size_t Pitch() const { return static_cast<std::size_t>(width_) * 4; }
  // True when every pixel is fully opaque.
  [[nodiscard]] bool Opaque() const;

  // The picture as a 32-bit surface's pixels, made in place: its memory
  // becomes the surface's words, and its alpha the surface's alpha plane
  // unless it is opaque. The picture is empty afterwards.
  [[nodiscard]] display::SurfacePixels ToSurfacePixels() &&;

  // This picture scaled to w x h by area averaging: every output pixel is
  // the mean of the source area it covers (fractional pixels weighted by
  // their share). Meant for shrinking; enlarging it repeats pixels.
  [[nodiscard]] RgbaPicture ScaledTo(int w, int h) const;

 private:
  int width_ = 0, height_ = 0;
  // Mapped memory for large pictures: given back to the system as soon as
  // the picture is dropped, whichever thread made it. Four spare bytes
  // follow the last row, so that the memory can become a surface's.
  display::PageMemory pixels_;
};

// Writes the colours of pixels made for a 32-bit surface into the whole of
// `surface` (which has their size) in the surface's own pixel format: for a
// display at another depth. The alpha plane is the caller's to give.
HRESULT CopyPixelsToSurface(IDirectDrawSurface* surface, const display::SurfacePixels& pixels);

}  // namespace sandloop
