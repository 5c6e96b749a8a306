#pragma once
// The device context behind an HDC: a view of one surface's pixels plus the
// drawing state GDI keeps per context. Only the layer's own files use it.
#include <cstdint>

#include "kit/ddraw/ddraw.h"
#include "kit/ddraw/pixel.h"

class DeviceContext {
 public:
  DeviceContext(std::uint8_t* bits, int width, int height, int pitch, int bpp)
      : bits_(bits), width_(width), height_(height), pitch_(pitch), bpp_(bpp), clip_{0, 0, width, height} {}
  // Releasing a context selects its pen and brush out, so that they can be
  // deleted afterwards (gdi_shapes.cpp).
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] int Bpp() const { return bpp_; }
  [[nodiscard]] int Pitch() const { return pitch_; }
  [[nodiscard]] std::uint8_t* Bits() const { return bits_; }
  [[nodiscard]] bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Drawing changes only pixels inside the clip rectangle (the whole
  // surface unless the surface had one when the context was taken).
  void SetClip(const RECT& r) {
    clip_ = RECT{r.left < 0 ? 0 : r.left, r.top < 0 ? 0 : r.top, r.right > width_ ? width_ : r.right,
                 r.bottom > height_ ? height_ : r.bottom};
  }
  [[nodiscard]] const RECT& Clip() const { return clip_; }
  [[nodiscard]] bool InClip(int x, int y) const {
    return x >= clip_.left && y >= clip_.top && x < clip_.right && y < clip_.bottom;
  }

  [[nodiscard]] std::uint8_t* At(int x, int y) const {
    return bits_ + static_cast<std::ptrdiff_t>(y) * pitch_ + static_cast<std::ptrdiff_t>(x) * (bpp_ / 8);
  }
  // Colours here are 0x00RRGGBB.
  [[nodiscard]] std::uint32_t LoadRgb(int x, int y) const {
    return sandloop::display::DecodePixel(sandloop::display::LoadPixel(At(x, y), bpp_), bpp_);
  }
  void StoreRgb(int x, int y, std::uint32_t rgb) const {
    if (!InClip(x, y)) return;
    sandloop::display::StorePixel(At(x, y), bpp_, sandloop::display::EncodePixel(rgb, bpp_));
  }
  // Mixes `rgb` over the pixel with coverage 0..255; outside pixels are left.
  void BlendRgb(int x, int y, std::uint32_t rgb, unsigned coverage) const;

  // GDI state.
  int bk_mode = 2;  // OPAQUE
  int text_pixels = 16;  // the font's size (kFontPixels unless set)
  COLORREF text_color = 0x000000;
  COLORREF bk_color = 0xFFFFFF;
  void* pen = nullptr;    // selected pen (shapes), null = the stock black pen
  void* brush = nullptr;  // selected brush (shapes), null = the stock white brush
  int pos_x = 0, pos_y = 0;  // current position for LineTo

 private:
  std::uint8_t* bits_;
  int width_, height_, pitch_, bpp_;
  RECT clip_;
};
