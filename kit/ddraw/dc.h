#pragma once
// The device context behind an HDC: a view of one surface's pixels plus the
// drawing state GDI keeps per context. Only the layer's own files use it.
#include <cstdint>

#include "kit/ddraw/ddraw.h"
#include "kit/ddraw/pixel.h"

class DeviceContext {
 public:
  DeviceContext(std::uint8_t* bits, int width, int height, int pitch, int bpp)
      : bits_(bits), width_(width), height_(height), pitch_(pitch), bpp_(bpp) {}
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

  [[nodiscard]] std::uint8_t* At(int x, int y) const {
    return bits_ + static_cast<std::ptrdiff_t>(y) * pitch_ + static_cast<std::ptrdiff_t>(x) * (bpp_ / 8);
  }
  // Colours here are 0x00RRGGBB.
  [[nodiscard]] std::uint32_t LoadRgb(int x, int y) const {
    return sandloop::display::DecodePixel(sandloop::display::LoadPixel(At(x, y), bpp_), bpp_);
  }
  void StoreRgb(int x, int y, std::uint32_t rgb) const {
    sandloop::display::StorePixel(At(x, y), bpp_, sandloop::display::EncodePixel(rgb, bpp_));
  }
  // Mixes `rgb` over the pixel with coverage 0..255; outside pixels are left.
  void BlendRgb(int x, int y, std::uint32_t rgb, unsigned coverage) const;

  // GDI state.
  int bk_mode = 2;  // OPAQUE
  COLORREF text_color = 0x000000;
  COLORREF bk_color = 0xFFFFFF;
  void* pen = nullptr;    // selected pen (shapes), null = the stock black pen
  void* brush = nullptr;  // selected brush (shapes), null = the stock white brush
  int pos_x = 0, pos_y = 0;  // current position for LineTo

 private:
  std::uint8_t* bits_;
  int width_, height_, pitch_, bpp_;
};
