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

#include "kit/os/Pages.h"

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

  [[nodiscard]] std::uint32_t Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void SetPixel(int x, int y, std::uint32_t rgb) { pixels_[static_cast<std::size_t>(y) * width_ + x] = rgb; }
  [[nodiscard]] const std::uint32_t* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  [[nodiscard]] std::uint32_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

  // Copies the rectangle [sx, sx + w) x [sy, sy + h) of `src` to (dx, dy)
  // of this picture; parts outside either picture are left out.
  void CopyRect(int dx, int dy, const Picture& src, int sx, int sy, int w, int h);

 private:
  // Leaves new elements uninitialised: a decoder writes every pixel, and
  // filling a large picture first would cost a whole extra pass. Large
  // pictures are mapped straight from the system, as surfaces are: one
  // decoded on another thread and dropped here would otherwise stay in
  // that thread's heap, which giving back free memory does not shrink.
  template <class T>
  struct DefaultInit : std::allocator<T> {
    using value_type = T;
    DefaultInit() = default;
    template <class U>
    DefaultInit(const DefaultInit<U>&) noexcept {}
    template <class U>
    struct rebind {
      using other = DefaultInit<U>;
    };
    static constexpr std::size_t kMapped = std::size_t{1} << 20;
    T* allocate(std::size_t n) {
      if (n * sizeof(T) < kMapped) return std::allocator<T>::allocate(n);
      if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
      void* p = os::AllocatePages(n * sizeof(T));
      if (p == nullptr) throw std::bad_alloc();
      return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept {
      if (n * sizeof(T) < kMapped)
        std::allocator<T>::deallocate(p, n);
      else
        os::FreePages(p, n * sizeof(T));
    }
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
