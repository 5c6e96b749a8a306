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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The pass down for the bytes [c0, c1) of a row: the n source rows
// weighted by `wt` (kOne in all), kept as value << 7.
inline void DownColumnsFrom(const std::uint8_t* const* rows, const int* wt, int n, std::size_t c0, std::size_t c1,
                            std::uint16_t* m) {
  for (std::size_t c = c0; c < c1; ++c) {
    std::uint32_t a = 0;
    for (int k = 0; k < n; ++k) a += rows[k][c] * static_cast<std::uint32_t>(wt[k]);
    m[c] = static_cast<std::uint16_t>((a + 64) >> 7);
  }
}

#if defined(__SSE2__)
// Eight bytes at a time, two source rows per multiply: the same sums.
inline void DownColumns(const std::uint8_t* const* rows, const int* wt, int n, std::size_t c0, std::size_t c1,
                        std::uint16_t* m) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(64);
  std::size_t c = c0;
  for (; c + 8 <= c1; c += 8) {
    __m128i lo = zero, hi = zero;
    int k = 0;
    for (; k + 1 < n; k += 2) {
      const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[k] + c)), zero);
      const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[k + 1] + c)), zero);
      const __m128i weights = _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(wt[k + 1]) << 16) |
                                                              static_cast<std::uint32_t>(wt[k])));
      lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weights));
      hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), weights));
    }
    if (k < n) {
      const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[k] + c)), zero);
      const __m128i weight = _mm_set1_epi32(wt[k]);
      lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, zero), weight));
      hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, zero), weight));
    }
    lo = _mm_srli_epi32(_mm_add_epi32(lo, half), 7);
    hi = _mm_srli_epi32(_mm_add_epi32(hi, half), 7);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(m + c), _mm_packs_epi32(lo, hi));
  }
  DownColumnsFrom(rows, wt, n, c, c1, m);
}
#else
inline void DownColumns(const std::uint8_t* const* rows, const int* wt, int n, std::size_t c0, std::size_t c1,
                        std::uint16_t* m) {
  DownColumnsFrom(rows, wt, n, c0, c1, m);
}
#endif

// One output pixel of the pass across: the xn pixels from `s` (16-bit
// channels, value << 7) weighted by `xw` (kOne in all), rounded to 8 bits.
// Colour can never exceed its alpha in a premultiplied picture.
#if defined(__SSE2__)
// Two source pixels at a time: their channels interleaved, each pair
// multiplied by its two weights and added in one step.
inline void AcrossPixel(const std::uint16_t* s, const int* xw, int xn, std::uint8_t* out) {
  __m128i sum = _mm_setzero_si128();
  int k = 0;
  for (; k + 1 < xn; k += 2, s += 8) {
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 4));
    const __m128i weights = _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(xw[k + 1]) << 16) |
                                                            static_cast<std::uint32_t>(xw[k])));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weights));
  }
  if (k < xn) {
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, _mm_setzero_si128()), _mm_set1_epi32(xw[k])));
  }
  sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << 20)), 21);
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sum, sum), _mm_setzero_si128());
  const auto alpha = static_cast<std::uint8_t>(_mm_cvtsi128_si32(bytes) >> 24);
  const __m128i limited = _mm_min_epu8(bytes, _mm_set1_epi8(static_cast<char>(alpha)));
  const std::uint32_t rgba = (static_cast<std::uint32_t>(_mm_cvtsi128_si32(limited)) & 0x00FFFFFFu) |
                             (static_cast<std::uint32_t>(alpha) << 24);
  std::memcpy(out, &rgba, 4);
}
#else
inline void AcrossPixel(const std::uint16_t* s, const int* xw, int xn, std::uint8_t* out) {
  std::uint32_t a[4] = {0, 0, 0, 0};
  for (int k = 0; k < xn; ++k, s += 4) {
    const std::uint32_t f = static_cast<std::uint32_t>(xw[k]);
    for (int c = 0; c < 4; ++c) a[c] += s[c] * f;
  }
  const std::uint8_t alpha = static_cast<std::uint8_t>((a[3] + (1u << 20)) >> 21);
  for (int c = 0; c < 3; ++c) out[c] = std::min(static_cast<std::uint8_t>((a[c] + (1u << 20)) >> 21), alpha);
  out[3] = alpha;
}
#endif

}  // namespace

// Four pixels at a time where SSE2 is there; the scaler's sums are limited
// the same way.
void LimitToAlpha(std::uint8_t* row, int begin, int end) {
  int x = begin;
#if defined(__SSE2__)
  for (; x + 4 <= end; x += 4) {
    auto* p = reinterpret_cast<__m128i*>(row + static_cast<std::size_t>(x) * 4);
    const __m128i v = _mm_loadu_si128(p);
    __m128i a = _mm_srli_epi32(v, 24);
    a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
    _mm_storeu_si128(p, _mm_min_epu8(v, a));
  }
#endif
  for (; x < end; ++x) {
    std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
    for (int c = 0; c < 3; ++c) p[c] = std::min(p[c], p[3]);
  }
}

namespace {

// Rows already of the size asked for are read straight into the picture.
RgbaPicture ReadUnscaled(PictureRows& rows) {
  RgbaPicture result(rows.Width(), rows.Height());
  for (int y = 0; y < result.Height(); ++y) {
    std::uint8_t* row = result.Row(y);
    const RowSpan span = rows.Next(row);
    LimitToAlpha(row, std::max(span.begin, 0), std::min(span.end, result.Width()));
  }
  rows.Finish();
  return result;
}

}  // namespace

RgbaPicture RgbaPicture::ScaledTo(int w, int h) const {
  if (w <= 0 || h <= 0 || Empty()) return RgbaPicture();
  return ScaleRows(*RowsOf(*this), w, h);
}

RgbaPicture ScaleRows(PictureRows& rows, int w, int h) {
  const int width = rows.Width(), height = rows.Height();
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) return RgbaPicture();
  if (w == width && h == height) return ReadUnscaled(rows);
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
  // 7 more bits, value << 7, in 16-bit channels that stay below 1 << 15),
  // then across that row.
  std::vector<const std::uint8_t*> sources;
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
      for (std::size_t c = c0; c < c1; ++c) m[c] = static_cast<std::uint16_t>(s[c] << 7);
    } else {
      sources.clear();
      for (int k = 0; k < n; ++k) sources.push_back(line_at(first + k).pixels.data());
      DownColumns(sources.data(), wt, n, c0, c1, m);
    }
    if (w == width) {
      for (std::size_t c = 0; c < src_row; c += 4) {
        const std::uint8_t alpha = static_cast<std::uint8_t>((m[c + 3] + 64) >> 7);
        for (int k = 0; k < 3; ++k)
          out[c + k] = std::min(static_cast<std::uint8_t>((m[c + k] + 64) >> 7), alpha);
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
      AcrossPixel(s, xw, xn, out + 4 * i);
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
