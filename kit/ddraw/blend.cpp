#include "kit/ddraw/blend.h"

#include <algorithm>
#include <cstring>

#include "kit/ddraw/pixel.h"

namespace sandloop::display {

namespace {

// x / 255 rounded, for x in 0 .. 255 * 255.
inline unsigned Div255(unsigned x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

}  // namespace

AlphaPlane::AlphaPlane(const std::uint8_t* alpha, int pitch, int w, int h)
    : width_(w), height_(h), alpha_(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
  row_start_.reserve(static_cast<std::size_t>(h) + 1);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = alpha + static_cast<std::ptrdiff_t>(y) * pitch;
    std::memcpy(alpha_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), row,
                static_cast<std::size_t>(w));
    row_start_.push_back(static_cast<std::uint32_t>(runs_.size()));
    int x = 0;
    while (x < w) {
      if (row[x] == 0) {
        ++x;
        continue;
      }
      const bool opaque = row[x] == 255;
      int end = x + 1;
      while (end < w && row[end] != 0 && (row[end] == 255) == opaque) ++end;
      runs_.push_back(Run{x, end - x, !opaque});
      x = end;
    }
  }
  row_start_.push_back(static_cast<std::uint32_t>(runs_.size()));
}

std::uint32_t BlendOver(std::uint32_t src, std::uint32_t dst, unsigned a) {
  const unsigned keep = 255 - a;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
    out |= std::min(255u, s + Div255(d * keep)) << shift;
  }
  return out;
}

void BlitAlpha(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, const AlphaPlane& plane,
               int sx, int sy, int w, int h, int bpp) {
  const int bytes = bpp / 8;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* drow = dst + static_cast<std::ptrdiff_t>(y) * dst_pitch;
    const std::uint8_t* srow = src + static_cast<std::ptrdiff_t>(y) * src_pitch;
    const std::uint8_t* arow = plane.Row(sy + y);
    for (const AlphaPlane::Run* r = plane.RowBegin(sy + y); r != plane.RowEnd(sy + y); ++r) {
      // The run cut to the columns sx .. sx + w, in the rectangle's columns.
      const int x0 = std::max(r->x, sx) - sx, x1 = std::min(r->x + r->n, sx + w) - sx;
      if (x0 >= x1) {
        if (r->x >= sx + w) break;
        continue;
      }
      std::uint8_t* d = drow + static_cast<std::ptrdiff_t>(x0) * bytes;
      const std::uint8_t* s = srow + static_cast<std::ptrdiff_t>(x0) * bytes;
      if (!r->blend) {
        std::memcpy(d, s, static_cast<std::size_t>(x1 - x0) * static_cast<std::size_t>(bytes));
        continue;
      }
      const std::uint8_t* a = arow + sx + x0;
      for (int x = x0; x < x1; ++x, d += bytes, s += bytes, ++a) {
        if (*a == 0) continue;
        if (bpp == 32) {
          // Red and blue, then green, scaled at once in spare bits of one
          // word; the fourth byte stays as it is.
          std::uint32_t dv, sv;
          std::memcpy(&dv, d, 4);
          std::memcpy(&sv, s, 4);
          const std::uint32_t keep = 255u - *a;
          std::uint32_t rb = (dv & 0x00FF00FFu) * keep + 0x00800080u;
          rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
          std::uint32_t g = (dv & 0x0000FF00u) * keep + 0x00008000u;
          g = ((g + ((g >> 8) & 0x0000FF00u)) >> 8) & 0x0000FF00u;
          // A premultiplied colour is at most its alpha, so no channel
          // carries into the next.
          const std::uint32_t out = (dv & 0xFF000000u) | (((sv & 0x00FFFFFFu) + (rb | g)) & 0x00FFFFFFu);
          std::memcpy(d, &out, 4);
        } else if (bpp == 16) {
          const std::uint32_t v = BlendOver(DecodePixel(LoadPixel(s, 16), 16), DecodePixel(LoadPixel(d, 16), 16), *a);
          StorePixel(d, 16, EncodePixel(v, 16));
        } else {
          // 24 bits: the three colour bytes.
          const unsigned keep = 255u - *a;
          for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(std::min(255u, s[c] + Div255(d[c] * keep)));
        }
      }
    }
  }
}

}  // namespace sandloop::display
