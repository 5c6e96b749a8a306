// RgbaPicture::ScaledTo: area averaging, one axis at a time. For every
// output column (then row) the source pixels it covers are listed once with
// integer weights that add up to exactly 1 << 14; a pixel cut by the
// output's edge counts by the share that lies inside. The pass across
// keeps 8 more bits of precision for the pass down. The pixels are
// premultiplied, so averaging the edge of a shape with the transparent
// pixels next to it gives a softer edge of the same colour, not a darker one.
#include <algorithm>
#include <cmath>
#include <vector>

#include "kit/RgbaPicture.h"

namespace sandloop {

namespace {

constexpr int kOne = 1 << 14;

struct Taps {
  std::vector<int> first;   // first source index of each output
  std::vector<int> start;   // offset of its weights in `weight`
  std::vector<int> weight;  // the weights, kOne in total per output
};

Taps MakeTaps(int from, int to) {
  Taps t;
  t.first.resize(static_cast<std::size_t>(to));
  t.start.resize(static_cast<std::size_t>(to) + 1);
  const double ratio = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    const double a = i * ratio, b = std::min<double>(from, (i + 1) * ratio);
    int j0 = static_cast<int>(std::floor(a));
    int j1 = std::min(from, static_cast<int>(std::ceil(b)));
    if (j1 <= j0) j1 = j0 + 1;  // enlarging: the one pixel the output lies in
    j0 = std::min(j0, from - 1);
    t.first[static_cast<std::size_t>(i)] = j0;
    t.start[static_cast<std::size_t>(i)] = static_cast<int>(t.weight.size());
    const double span = std::max(b - a, 1e-9);
    int total = 0;
    for (int j = j0; j < j1; ++j) {
      const double cover = std::max(0.0, std::min<double>(j + 1, b) - std::max<double>(j, a));
      const int w = static_cast<int>(std::lround(cover / span * kOne));
      t.weight.push_back(w);
      total += w;
    }
    // Rounding is settled on the largest weight, so a flat area stays flat.
    auto begin = t.weight.begin() + t.start[static_cast<std::size_t>(i)];
    if (begin == t.weight.end()) {
      t.weight.push_back(kOne);
    } else {
      *std::max_element(begin, t.weight.end()) += kOne - total;
    }
  }
  t.start[static_cast<std::size_t>(to)] = static_cast<int>(t.weight.size());
  return t;
}

}  // namespace

RgbaPicture RgbaPicture::ScaledTo(int w, int h) const {
  if (w <= 0 || h <= 0 || Empty()) return RgbaPicture();
  const Taps across = MakeTaps(width_, w), down = MakeTaps(height_, h);
  // Across: every source row to w pixels of 16-bit channels (value << 8).
  display::PageMemory mid_memory(static_cast<std::size_t>(w) * 4 * static_cast<std::size_t>(height_) * 2);
  auto* const mid = reinterpret_cast<std::uint16_t*>(mid_memory.data());
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* src = Row(y);
    std::uint16_t* out = mid + static_cast<std::size_t>(y) * w * 4;
    for (int i = 0; i < w; ++i) {
      const int* wt = across.weight.data() + across.start[static_cast<std::size_t>(i)];
      const int n = across.start[static_cast<std::size_t>(i) + 1] - across.start[static_cast<std::size_t>(i)];
      const std::uint8_t* s = src + static_cast<std::size_t>(across.first[static_cast<std::size_t>(i)]) * 4;
      std::uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
      for (int k = 0; k < n; ++k, s += 4) {
        const std::uint32_t f = static_cast<std::uint32_t>(wt[k]);
        c0 += s[0] * f;
        c1 += s[1] * f;
        c2 += s[2] * f;
        c3 += s[3] * f;
      }
      out[4 * i] = static_cast<std::uint16_t>((c0 + 32) >> 6);
      out[4 * i + 1] = static_cast<std::uint16_t>((c1 + 32) >> 6);
      out[4 * i + 2] = static_cast<std::uint16_t>((c2 + 32) >> 6);
      out[4 * i + 3] = static_cast<std::uint16_t>((c3 + 32) >> 6);
    }
  }
  // Down: each output row from the rows it covers.
  RgbaPicture result(w, h);
  std::vector<std::uint32_t> acc(static_cast<std::size_t>(w) * 4);
  for (int j = 0; j < h; ++j) {
    std::fill(acc.begin(), acc.end(), 0u);
    const int* wt = down.weight.data() + down.start[static_cast<std::size_t>(j)];
    const int n = down.start[static_cast<std::size_t>(j) + 1] - down.start[static_cast<std::size_t>(j)];
    for (int k = 0; k < n; ++k) {
      const std::uint32_t f = static_cast<std::uint32_t>(wt[k]);
      const std::uint16_t* m =
          mid + static_cast<std::size_t>(down.first[static_cast<std::size_t>(j)] + k) * w * 4;
      for (std::size_t c = 0, e = acc.size(); c < e; ++c) acc[c] += m[c] * f;
    }
    std::uint8_t* out = result.Row(j);
    for (std::size_t c = 0, e = acc.size(); c < e; ++c) out[c] = static_cast<std::uint8_t>((acc[c] + (1u << 21)) >> 22);
  }
  // Colour can never exceed its alpha in a premultiplied picture.
  for (int j = 0; j < h; ++j) {
    std::uint8_t* p = result.Row(j);
    for (int i = 0; i < w; ++i, p += 4) {
      p[0] = std::min(p[0], p[3]);
      p[1] = std::min(p[1], p[3]);
      p[2] = std::min(p[2], p[3]);
    }
  }
  return result;
}

}  // namespace sandloop
