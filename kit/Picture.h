#pragma once
// A picture in memory, the bitmap that sprites and strips are made from:
// 32-bit pixels 0x00RRGGBB, rows top to bottom. Pictures are loaded from
// BMP files (8-bit palettised, plain or RLE8, and 24/32-bit) or decoded
// from JPEG. A damaged file is a PictureError naming the picture.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "kit/ddraw/PageMemory.h"

namespace sandloop::display {
struct SurfacePixels;
}

namespace sandloop {

class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height, std::uint32_t fill = 0);

  [[nodiscard]] static Picture FromBmp(std::span<const std::uint8_t> bytes, const std::string& name);
  // At most the first `max_rows` rows: decoding stops there, so the top of
  // a tall picture costs only its own rows.
  [[nodiscard]] static Picture FromJpeg(std::span<const std::uint8_t> bytes, const std::string& name,
                                        int max_rows = kAllRows);
  // BMP or JPEG, told by the first bytes; at most the first `max_rows` rows.
  [[nodiscard]] static Picture FromFile(std::span<const std::uint8_t> bytes, const std::string& name,
                                        int max_rows = kAllRows);
  // An embedded resource by name (assets/Resources.h); at most its first
  // `max_rows` rows.
  [[nodiscard]] static Picture FromResource(const std::string& name, int max_rows = kAllRows);
  static constexpr int kAllRows = 1 << 30;

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] bool Empty() const { return width_ == 0 || height_ == 0; }

  [[nodiscard]] std::uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, std::uint32_t rgb) { Row(y)[x] = rgb; }
  [[nodiscard]] const std::uint32_t* Row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(pixels_.data()) + static_cast<std::size_t>(y) * width_;
  }
  [[nodiscard]] std::uint32_t* Row(int y) {
    return reinterpret_cast<std::uint32_t*>(pixels_.data()) + static_cast<std::size_t>(y) * width_;
  }

  Picture(const Picture& other);
  Picture& operator=(const Picture& other);
  // A picture moved from is empty.
  Picture(Picture&& other) noexcept
      : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)),
        pixels_(std::move(other.pixels_)) {}
  Picture& operator=(Picture&& other) noexcept {
    Picture(std::move(other)).Swap(*this);
    return *this;
  }

  // The picture's rows as a 32-bit surface's pixels, its memory handed
  // over without a copy; the picture is left empty.
  [[nodiscard]] display::SurfacePixels ToSurfacePixels() &&;

  // Copies the rectangle [sx, sx + w) x [sy, sy + h) of `src` to (dx, dy)
  // of this picture; parts outside either picture are left out.
  void CopyRect(int dx, int dy, const Picture& src, int sx, int sy, int w, int h);

 private:
  void Swap(Picture& other) noexcept {
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    pixels_.swap(other.pixels_);
  }
  struct Unfilled {};
  // A picture whose pixels the caller writes, every one of them: its
  // memory is taken as it comes, zeroed by the system or the heap, and not
  // filled again.
  Picture(int width, int height, Unfilled);

  int width_ = 0;
  int height_ = 0;
  // The rows, with 4 spare bytes after the last as a surface's pixels
  // have, so that a picture can become a surface's pixels as it is. Large
  // pictures are mapped straight from the system, as surfaces are: one
  // decoded on another thread and dropped here would otherwise stay in
  // that thread's heap, which giving back free memory does not shrink.
  display::PageMemory pixels_;
};

}  // namespace sandloop
