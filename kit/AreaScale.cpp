// RgbaPicture::ScaledTo: area averaging, one axis at a time. For every
// output row (then column) the source pixels it covers are listed once with
// integer weights that add up to exactly 1 << 14; a pixel cut by the
// output's edge counts by the share that lies inside. The pixels are
// premultiplied, so averaging the edge of a shape with the transparent
// pixels next to it gives a softer edge of the same colour, not a darker one.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <vector>

#include "kit/MasterRows.h"
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
  return ScaleRows(*RowsOf(*this), w, h);
}

RgbaPicture ScaleRows(PictureRows& rows, int w, int h) {
  const int width = rows.Width(), height = rows.Height();
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) return RgbaPicture();
  const std::size_t src_row = static_cast<std::size_t>(width) * 4;
  const Taps down = MakeTaps(height, h), across = MakeTaps(width, w);
  RgbaPicture result(w, h);
  // The source rows that output rows still need, read in order: rows
  // window_first onwards; buffers of rows no longer needed are reused.
  struct Line {
    std::vector<std::uint8_t> pixels;
    RowSpan span;
  };
  std::deque<Line> window;
  std::vector<Line> spare;
  int window_first = 0, next_row = 0;
  auto read_row = [&] {
    Line line;
    if (!spare.empty()) {
      line = std::move(spare.back());
      spare.pop_back();
    } else {
      line.pixels.resize(src_row);
    }
    line.span = rows.Next(line.pixels.data());
    window.push_back(std::move(line));
    ++next_row;
  };
  // One output row at a time: down over the source rows it covers (keeping
  // 8 more bits, value << 8, in 16-bit channels), then across that row.
  std::vector<std::uint32_t> acc(src_row);
  std::vector<std::uint16_t> mid(src_row);
  for (int j = 0; j < h; ++j) {
    const int* wt = down.weight.data() + down.start[static_cast<std::size_t>(j)];
    const int n = down.start[static_cast<std::size_t>(j) + 1] - down.start[static_cast<std::size_t>(j)];
    const int first = down.first[static_cast<std::size_t>(j)];
    while (window_first < first && !window.empty()) {
      spare.push_back(std::move(window.front()));
      window.pop_front();
      ++window_first;
    }
    if (window.empty()) window_first = next_row;
    while (next_row < first) {  // rows no output covers (none when shrinking)
      read_row();
      spare.push_back(std::move(window.back()));
      window.pop_back();
      window_first = next_row;
    }
    while (next_row < first + n) read_row();
    auto line_at = [&](int r) -> const Line& { return window[static_cast<std::size_t>(r - window_first)]; };
    // Only the columns some of these rows cover are worked on; every other
    // pixel of the output row is transparent.
    int begin = width, end = 0;
    for (int k = 0; k < n; ++k) {
      const RowSpan span = line_at(first + k).span;
      if (span.begin < span.end) {
        begin = std::min(begin, span.begin);
        end = std::max(end, span.end);
      }
    }
    std::uint8_t* out = result.Row(j);
    if (begin >= end) {
      std::memset(out, 0, result.Pitch());
      continue;
    }
    const std::size_t c0 = static_cast<std::size_t>(begin) * 4, c1 = static_cast<std::size_t>(end) * 4;
    std::uint16_t* m = mid.data();
    std::memset(m, 0, c0 * 2);
    std::memset(m + c1, 0, (src_row - c1) * 2);
    if (n == 1) {
      const std::uint8_t* s = line_at(first).pixels.data();
      for (std::size_t c = c0; c < c1; ++c) m[c] = static_cast<std::uint16_t>(s[c] << 8);
    } else {
      std::uint32_t* a = acc.data();
      const std::uint32_t f0 = static_cast<std::uint32_t>(wt[0]);
      const std::uint8_t* s0 = line_at(first).pixels.data();
      for (std::size_t c = c0; c < c1; ++c) a[c] = s0[c] * f0;
      for (int k = 1; k < n; ++k) {
        const std::uint32_t f = static_cast<std::uint32_t>(wt[k]);
        const std::uint8_t* s = line_at(first + k).pixels.data();
        for (std::size_t c = c0; c < c1; ++c) a[c] += s[c] * f;
      }
      for (std::size_t c = c0; c < c1; ++c) m[c] = static_cast<std::uint16_t>((a[c] + 32) >> 6);
    }
    if (w == width) {
      for (std::size_t c = 0; c < src_row; c += 4) {
        const std::uint8_t alpha = static_cast<std::uint8_t>((m[c + 3] + 128) >> 8);
        for (int k = 0; k < 3; ++k)
          out[c + k] = std::min(static_cast<std::uint8_t>((m[c + k] + 128) >> 8), alpha);
        out[c + 3] = alpha;
      }
      continue;
    }
    // Output columns whose source columns all lie outside [begin, end) are
    // transparent; the ones from just before to just after are computed.
    const int i0 = std::max(0, static_cast<int>(static_cast<std::int64_t>(begin) * w / width) - 1);
    const int i1 = std::min(w, static_cast<int>(static_cast<std::int64_t>(end) * w / width) + 2);
    std::memset(out, 0, static_cast<std::size_t>(i0) * 4);
    std::memset(out + static_cast<std::size_t>(i1) * 4, 0, static_cast<std::size_t>(w - i1) * 4);
    for (int i = i0; i < i1; ++i) {
      const int* xw = across.weight.data() + across.start[static_cast<std::size_t>(i)];
      const int xn = across.start[static_cast<std::size_t>(i) + 1] - across.start[static_cast<std::size_t>(i)];
      const std::uint16_t* s = m + static_cast<std::size_t>(across.first[static_cast<std::size_t>(i)]) * 4;
      std::uint32_t a[4] = {0, 0, 0, 0};
      for (int k = 0; k < xn; ++k, s += 4) {
        const std::uint32_t f = static_cast<std::uint32_t>(xw[k]);
        for (int c = 0; c < 4; ++c) a[c] += s[c] * f;
      }
      // Colour can never exceed its alpha in a premultiplied picture.
      const std::uint8_t alpha = static_cast<std::uint8_t>((a[3] + (1u << 21)) >> 22);
      for (int c = 0; c < 3; ++c)
        out[4 * i + c] = std::min(static_cast<std::uint8_t>((a[c] + (1u << 21)) >> 22), alpha);
      out[4 * i + 3] = alpha;
    }
  }
  // The rest of the picture is read too, so that damage anywhere shows.
  std::vector<std::uint8_t> rest(src_row);
  while (next_row < height) {
    rows.Next(rest.data());
    ++next_row;
  }
  rows.Finish();
  return result;
}

}  // namespace sandloop
