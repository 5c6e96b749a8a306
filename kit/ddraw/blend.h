#pragma once
// Drawing with an alpha channel. A surface may carry an alpha plane: one
// coverage byte per pixel, with the surface's own pixels holding the colour
// already multiplied by that coverage. The plane is kept as runs per row:
// transparent stretches are left out, opaque runs are copied and only the
// pixels of partial runs (the soft edges) are blended,
//   dst = src + dst * (255 - a) / 255   per channel.
// A colour byte above its alpha saturates at 255 at every depth. At 16 bits
// the blend works on the colours expanded to 8 bits and is rounded to the
// nearest RGB565 level, so it is close, not exact.
#include <cstdint>
#include <vector>

namespace sandloop::display {

class AlphaPlane {
 public:
  struct Run {
    std::int32_t x = 0;  // first column
    std::int32_t n = 0;  // columns
    bool blend = false;  // false: every pixel opaque
  };

  AlphaPlane() = default;
  // Reads w x h coverage bytes, rows `pitch` bytes apart.
  AlphaPlane(const std::uint8_t* alpha, int pitch, int w, int h);
  // Takes over w x h coverage bytes, rows w bytes apart.
  AlphaPlane(std::vector<std::uint8_t>&& alpha, int w, int h);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] std::uint8_t At(int x, int y) const {
    return alpha_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
  }
  [[nodiscard]] const std::uint8_t* Row(int y) const {
    return alpha_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }
  // The runs of row y, left to right.
  [[nodiscard]] const Run* RowBegin(int y) const { return runs_.data() + row_start_[static_cast<std::size_t>(y)]; }
  [[nodiscard]] const Run* RowEnd(int y) const { return runs_.data() + row_start_[static_cast<std::size_t>(y) + 1]; }

 private:
  void FindRuns();

  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> alpha_;
  std::vector<Run> runs_;
  std::vector<std::uint32_t> row_start_;
};

// How 32-bit runs are blended: eight pixels a step where the processor
// has AVX2, or one at a time. Both give the same bytes; Scalar is there to
// compare them.
enum class BlendPath { Fastest, Scalar };

// Whether this processor blends eight pixels a step.
[[nodiscard]] bool HasWideBlend();

// Draws the w x h rectangle of `src` whose top-left pixel is (sx, sy) of
// `plane` over `dst`. Both pointers address that rectangle's first pixel.
void BlitAlpha(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, const AlphaPlane& plane,
               int sx, int sy, int w, int h, int bpp, BlendPath path = BlendPath::Fastest);

// One pixel: `src` premultiplied, 0x00RRGGBB, over `dst`, with coverage a.
[[nodiscard]] std::uint32_t BlendOver(std::uint32_t src, std::uint32_t dst, unsigned a);

}  // namespace sandloop::display
