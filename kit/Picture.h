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
#include <utility>
#include <vector>

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
  [[nodiscard]] static Picture FromJpeg(std::span<const std::uint8_t> bytes, const std::string& name);
  // BMP or JPEG, told by the first bytes.
  [[nodiscard]] static Picture FromFile(std::span<const std::uint8_t> bytes, const std::string& name);
  // An embedded resource by name (assets/Resources.h).
  [[nodiscard]] static Picture FromResource(const std::string& name);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] bool Empty() const { return width_ == 0 || height_ == 0; }

  [[nodiscard]] std::uint32_t Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void SetPixel(int x, int y, std::uint32_t rgb) { pixels_[static_cast<std::size_t>(y) * width_ + x] = rgb; }
  [[nodiscard]] const std::uint32_t* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  [[nodiscard]] std::uint32_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

  // Copies the rectangle [sx, sx + w) x [sy, sy + h) of `src` to (dx, dy)
  // of this picture; parts outside either picture are left out.
  void CopyRect(int dx, int dy, const Picture& src, int sx, int sy, int w, int h);

 private:
  // Leaves new elements uninitialised: a decoder writes every pixel, and
  // filling a large picture first would cost a whole extra pass.
  template <class T>
  struct DefaultInit : std::allocator<T> {
    template <class U>
    struct rebind {
      using other = DefaultInit<U>;
    };
    template <class U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... A>
    void construct(U* p, A&&... a) {
      ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
  };
  struct Unfilled {};
  // A picture whose pixels the caller writes, every one of them.
  Picture(int width, int height, Unfilled);

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t, DefaultInit<std::uint32_t>> pixels_;
};

}  // namespace sandloop
