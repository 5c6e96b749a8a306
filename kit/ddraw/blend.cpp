#include "kit/ddraw/blend.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "kit/ddraw/blit.h"
#include "kit/ddraw/pixel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SANDLOOP_BLEND_X86 1
#else
#define SANDLOOP_BLEND_X86 0
#endif

namespace sandloop::display {

namespace {

// Opaque stretches shorter than this are blended with their neighbours.
constexpr int kShortestCopy = 24;

// x / 255 rounded, for x in 0 .. 255 * 255.
inline unsigned Div255(unsigned x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// One 32-bit pixel: red and blue, then green, scaled at once in spare
// bits of one word; the fourth byte stays as it is. The source is added in
// the same spare bits, and a channel that passes 255 (a colour byte above
// its alpha) is held at 255 instead of carrying into the next one.
inline void Blend32(std::uint8_t* d, const std::uint8_t* s, unsigned a) {
  std::uint32_t dv, sv;
  std::memcpy(&dv, d, 4);
  std::memcpy(&sv, s, 4);
  const std::uint32_t keep = 255u - a;
  std::uint32_t rb = (dv & 0x00FF00FFu) * keep + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  std::uint32_t g = (dv & 0x0000FF00u) * keep + 0x00008000u;
  g = ((g + ((g >> 8) & 0x0000FF00u)) >> 8) & 0x0000FF00u;
  rb += sv & 0x00FF00FFu;  // each channel at most 0x1FE
  rb = (rb | (((rb >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
  g += sv & 0x0000FF00u;
  g = (g | (((g >> 16) & 1u) * 0xFF00u)) & 0x0000FF00u;
  const std::uint32_t out = (dv & 0xFF000000u) | rb | g;
  std::memcpy(d, &out, 4);
}

void BlendRun32(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* a, int n) {
  for (int x = 0; x < n; ++x, d += 4, s += 4) Blend32(d, s, a[x]);
}

#if SANDLOOP_BLEND_X86
// Eight 32-bit pixels a step: each channel times (255 - a) in 16-bit
// lanes, divided by 255 with rounding, plus the source with saturation;
// the same bytes as Blend32.
__attribute__((target("avx2"))) void BlendRun32Avx2(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* a,
                                                   int n) {
  const __m128i spread_lo = _mm_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3);
  const __m128i spread_hi = _mm_setr_epi8(4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
  const __m256i full = _mm256_set1_epi16(255), half = _mm256_set1_epi16(128);
  const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 4 * x));
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
    const __m128i a8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + x));
    const __m256i keep_lo = _mm256_sub_epi16(full, _mm256_cvtepu8_epi16(_mm_shuffle_epi8(a8, spread_lo)));
    const __m256i keep_hi = _mm256_sub_epi16(full, _mm256_cvtepu8_epi16(_mm_shuffle_epi8(a8, spread_hi)));
    __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(dv)), keep_lo), half);
    __m256i hi =
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(dv, 1)), keep_hi), half);
    lo = _mm256_srli_epi16(_mm256_add_epi16(lo, _mm256_srli_epi16(lo, 8)), 8);
    hi = _mm256_srli_epi16(_mm256_add_epi16(hi, _mm256_srli_epi16(hi, 8)), 8);
    const __m256i scaled = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
    const __m256i out = _mm256_blendv_epi8(_mm256_adds_epu8(sv, scaled), dv, fourth);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x), out);
  }
  BlendRun32(d + 4 * x, s + 4 * x, a + x, n - x);
}
#endif

// The RGB565 level whose expansion (DecodePixel) lies nearest to each
// 8-bit value: a blend result is rounded to it, not cut down. A value
// halfway between two levels goes to the even one, so that on average
// the rounding neither darkens nor brightens.
template <int Bits>
constexpr std::array<std::uint8_t, 256> NearestLevels() {
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int best = 0, best_distance = 256;
    for (int k = 0; k < (1 << Bits); ++k) {
      const int e = Bits == 5 ? (k << 3) | (k >> 2) : (k << 2) | (k >> 4);
      const int distance = e > v ? e - v : v - e;
      if (distance < best_distance || (distance == best_distance && k % 2 == 0)) {
        best = k;
        best_distance = distance;
      }
    }
    table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(best);
  }
  return table;
}
constexpr std::array<std::uint8_t, 256> kNearest5 = NearestLevels<5>(), kNearest6 = NearestLevels<6>();

inline void Blend16(std::uint8_t* d, const std::uint8_t* s, unsigned a) {
  const std::uint32_t v = BlendOver(DecodePixel(LoadPixel(s, 16), 16), DecodePixel(LoadPixel(d, 16), 16), a);
  StorePixel(d, 16,
             (std::uint32_t{kNearest5[(v >> 16) & 0xFF]} << 11) | (std::uint32_t{kNearest6[(v >> 8) & 0xFF]} << 5) |
                 kNearest5[v & 0xFF]);
}

}  // namespace

bool HasWideBlend() {
#if SANDLOOP_BLEND_X86
  static const bool avx2 = CpuHasAvx2();
  return avx2;
#else
  return false;
#endif
}

AlphaPlane::AlphaPlane(const std::uint8_t* alpha, int pitch, int w, int h)
    : width_(w), height_(h), alpha_(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
  for (int y = 0; y < h; ++y)
    std::memcpy(alpha_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w),
                alpha + static_cast<std::ptrdiff_t>(y) * pitch, static_cast<std::size_t>(w));
  FindRuns();
}

AlphaPlane::AlphaPlane(std::vector<std::uint8_t>&& alpha, int w, int h)
    : width_(w), height_(h), alpha_(std::move(alpha)) {
  alpha_.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  FindRuns();
}

namespace {

// The first column from x on, before end, whose coverage is not `value`
// (end if there is none); eight columns at a time while they are all it.
int SkipCoverage(const std::uint8_t* row, int x, int end, std::uint8_t value) {
  const std::uint64_t all = 0x0101010101010101ull * value;
  for (; x + 8 <= end; x += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, row + x, 8);
    if (eight != all) break;
  }
  while (x < end && row[x] == value) ++x;
  return x;
}

// The first column from x on, before end, whose coverage is 0 (end if
// there is none); eight columns at a time while none of them is.
int SkipCovered(const std::uint8_t* row, int x, int end) {
  for (; x + 8 <= end; x += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, row + x, 8);
    // A byte that is 0 sets its top bit here (the classic zero-byte test).
    if (((eight - 0x0101010101010101ull) & ~eight & 0x8080808080808080ull) != 0) break;
  }
  while (x < end && row[x] != 0) ++x;
  return x;
}

}  // namespace

void AlphaPlane::FindRuns() {
  const int w = width_, h = height_;
  row_start_.reserve(static_cast<std::size_t>(h) + 1);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = Row(y);
    row_start_.push_back(static_cast<std::uint32_t>(runs_.size()));
    int x = 0;
    while (x < w) {
      if (row[x] == 0) {
        x = SkipCoverage(row, x, w, 0);
        continue;
      }
      // A stretch of covered pixels; its opaque parts are copied when they
      // are long, and blended with the edges around them when they are
      // short (a blend of an opaque pixel is a copy, and one run is
      // cheaper than three).
      const int end = SkipCovered(row, x, w);
      int start = x;
      for (int i = x; i < end;) {
        if (row[i] != 255) {
          ++i;
          continue;
        }
        const int j = SkipCoverage(row, i, end, 255);
        if (j - i >= kShortestCopy || (i == x && j == end)) {
          if (i > start) runs_.push_back(Run{start, i - start, true});
          runs_.push_back(Run{i, j - i, false});
          start = j;
        }
        i = j;
      }
      if (end > start) runs_.push_back(Run{start, end - start, true});
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
               int sx, int sy, int w, int h, int bpp, BlendPath path) {
  const int bytes = bpp / 8;
  [[maybe_unused]] const bool avx2 = path == BlendPath::Fastest && HasWideBlend();
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
      if (bpp == 32) {
#if SANDLOOP_BLEND_X86
        if (avx2) {
          BlendRun32Avx2(d, s, a, x1 - x0);
          continue;
        }
#endif
        BlendRun32(d, s, a, x1 - x0);
        continue;
      }
      for (int x = x0; x < x1; ++x, d += bytes, s += bytes, ++a) {
        if (bpp == 16) {
          Blend16(d, s, *a);
        } else {
          const unsigned keep = 255u - *a;
          for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(std::min(255u, s[c] + Div255(d[c] * keep)));
        }
      }
    }
  }
}

}  // namespace sandloop::display
