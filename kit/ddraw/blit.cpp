// Blit loops. The keyed copy exists twice: a plain loop that handles one
// pixel at a time, and an AVX2 loop that compares 8 (32 bits), 16 (16 bits)
// or 16 (24 bits) pixels with the key at once and blends the source over the
// destination where they differ. The AVX2 functions are compiled for AVX2
// by a target attribute and called only after the processor has been asked
// whether it has AVX2, so the rest of the program needs no AVX2. Both give
// the same bytes; copies whose source and destination overlap always take
// the plain loop, whose pixel order decides such a copy.
#include "kit/ddraw/blit.h"

#include <array>
#include <cstring>
#include <vector>

#include "kit/ddraw/pixel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SANDLOOP_HAVE_X86 1
#else
#define SANDLOOP_HAVE_X86 0
#endif

namespace sandloop::display {

namespace {

bool Overlap(const std::uint8_t* a, int a_pitch, const std::uint8_t* b, int b_pitch, int w, int h, int bytes) {
  const std::size_t row = static_cast<std::size_t>(w) * bytes;
  const std::uint8_t* a_end = a + static_cast<std::ptrdiff_t>(h - 1) * a_pitch + row;
  const std::uint8_t* b_end = b + static_cast<std::ptrdiff_t>(h - 1) * b_pitch + row;
  return a < b_end && b < a_end;
}

#if SANDLOOP_HAVE_X86

__attribute__((target("avx2"))) void Row32Avx2(std::uint8_t* d, const std::uint8_t* s, int w, std::uint32_t key) {
  const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
  int x = 0;
  for (; x + 8 <= w; x += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
    const __m256i keyed = _mm256_cmpeq_epi32(v, k);
    const int m = _mm256_movemask_epi8(keyed);
    __m256i* out = reinterpret_cast<__m256i*>(d + 4 * x);
    if (m == 0) {
      _mm256_storeu_si256(out, v);
    } else if (m != -1) {
      _mm256_storeu_si256(out, _mm256_blendv_epi8(v, _mm256_loadu_si256(out), keyed));
    }
  }
  for (; x < w; ++x) {
    std::uint32_t v;
    std::memcpy(&v, s + 4 * x, 4);
    if (v != key) std::memcpy(d + 4 * x, &v, 4);
  }
}

__attribute__((target("avx2"))) void Row16Avx2(std::uint8_t* d, const std::uint8_t* s, int w, std::uint32_t key) {
  const __m256i k = _mm256_set1_epi16(static_cast<short>(key));
  int x = 0;
  for (; x + 16 <= w; x += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * x));
    const __m256i keyed = _mm256_cmpeq_epi16(v, k);
    const int m = _mm256_movemask_epi8(keyed);
    __m256i* out = reinterpret_cast<__m256i*>(d + 2 * x);
    if (m == 0) {
      _mm256_storeu_si256(out, v);
    } else if (m != -1) {
      _mm256_storeu_si256(out, _mm256_blendv_epi8(v, _mm256_loadu_si256(out), keyed));
    }
  }
  for (; x < w; ++x) {
    std::uint16_t v;
    std::memcpy(&v, s + 2 * x, 2);
    if (v != key) std::memcpy(d + 2 * x, &v, 2);
  }
}

// 24 bits: sixteen pixels (48 bytes) per step. Each group of eight pixels
// is read as 32 bytes and widened to 32-bit lanes for the comparison; the
// resulting masks are narrowed back to 3 bytes per pixel and the 48 bytes
// are blended and written as 32 + 16 bytes, so that no step reads back
// bytes the previous step has just written. A step is taken only while all
// bytes it reads lie inside the row's pixels.
__attribute__((target("avx2"))) void Row24Avx2(std::uint8_t* d, const std::uint8_t* s, int w, std::uint32_t key) {
  const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
  // Bring pixels 4..7 (bytes 12..23) into the upper lane, then widen each
  // 3-byte pixel to a 32-bit lane.
  const __m256i spread = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
  const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                         0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  // And back: each pixel's mask repeated over its 3 bytes; the 24 bytes of
  // a group then sit in 32-bit lanes 0, 1, 2, 4, 5, 6.
  const __m256i narrow = _mm256_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1,  //
                                          0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1);
  const __m256i first_group = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 6, 6);   // bytes 0..23
  const __m256i second_head = _mm256_setr_epi32(0, 0, 0, 0, 0, 0, 0, 1);   // bytes 24..31
  const __m256i second_tail = _mm256_setr_epi32(2, 4, 5, 6, 6, 6, 6, 6);   // bytes 32..47
  int x = 0;
  for (; x + 19 <= w; x += 16) {
    const std::uint8_t* p = s + 3 * x;
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));         // bytes 0..31
    const __m256i group2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 24)); // bytes 24..55
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));      // bytes 32..47
    const __m256i eq1 = _mm256_cmpeq_epi32(_mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(low, spread), widen), k);
    const __m256i eq2 =
        _mm256_cmpeq_epi32(_mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(group2, spread), widen), k);
    const __m256i n1 = _mm256_shuffle_epi8(eq1, narrow);
    const __m256i n2 = _mm256_shuffle_epi8(eq2, narrow);
    const __m256i keyed_low = _mm256_blend_epi32(_mm256_permutevar8x32_epi32(n1, first_group),
                                                 _mm256_permutevar8x32_epi32(n2, second_head), 0xC0);
    const __m128i keyed_high = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(n2, second_tail));
    const int m_low = _mm256_movemask_epi8(keyed_low);
    const int m_high = _mm_movemask_epi8(keyed_high);
    if (m_low == -1 && m_high == 0xFFFF) continue;  // all sixteen keyed
    __m256i* out_low = reinterpret_cast<__m256i*>(d + 3 * x);
    __m128i* out_high = reinterpret_cast<__m128i*>(d + 3 * x + 32);
    if ((m_low | m_high) == 0) {
      _mm256_storeu_si256(out_low, low);
      _mm_storeu_si128(out_high, high);
      continue;
    }
    _mm256_storeu_si256(out_low, _mm256_blendv_epi8(low, _mm256_loadu_si256(out_low), keyed_low));
    _mm_storeu_si128(out_high, _mm_blendv_epi8(high, _mm_loadu_si128(out_high), keyed_high));
  }
  for (; x < w; ++x) {
    const std::uint8_t* p = s + 3 * x;
    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                            (static_cast<std::uint32_t>(p[2]) << 16);
    if (v != key) std::memcpy(d + 3 * x, p, 3);
  }
}

#endif

}  // namespace

bool CpuHasAvx2() {
#if SANDLOOP_HAVE_X86
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

void BlitOpaque(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                int bpp) {
  const std::size_t row_bytes = static_cast<std::size_t>(w) * (bpp / 8);
  if (h <= 0 || row_bytes == 0) return;
  if (static_cast<std::size_t>(dst_pitch) == row_bytes && static_cast<std::size_t>(src_pitch) == row_bytes) {
    std::memmove(dst, src, row_bytes * static_cast<std::size_t>(h));
    return;
  }
  for (int y = 0; y < h; ++y)
    std::memmove(dst + static_cast<std::ptrdiff_t>(y) * dst_pitch, src + static_cast<std::ptrdiff_t>(y) * src_pitch,
                 row_bytes);
}

namespace {

template <class Pixel>
void StretchRow(std::uint8_t* d, const std::uint8_t* s, const std::int32_t* columns, std::int64_t w, bool keyed,
                Pixel key) {
  auto* out = reinterpret_cast<Pixel*>(d);
  const auto* in = reinterpret_cast<const Pixel*>(s);
  if (!keyed) {
    for (std::int64_t i = 0; i < w; ++i) out[i] = in[columns[i]];
    return;
  }
  for (std::int64_t i = 0; i < w; ++i)
    if (const Pixel v = in[columns[i]]; v != key) out[i] = v;
}

void StretchRow24(std::uint8_t* d, const std::uint8_t* s, const std::int32_t* columns, std::int64_t w, bool keyed,
                  std::uint32_t key) {
  for (std::int64_t i = 0; i < w; ++i, d += 3) {
    const std::uint8_t* p = s + 3 * static_cast<std::ptrdiff_t>(columns[i]);
    if (keyed && LoadPixel(p, 24) == key) continue;
    d[0] = p[0];
    d[1] = p[1];
    d[2] = p[2];
  }
}

}  // namespace

void StretchNearest(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch,
                    const StretchGeometry& g, int bpp, bool keyed, std::uint32_t key) {
  if (g.w <= 0 || g.h <= 0 || g.dst_w <= 0 || g.dst_h <= 0 || g.src_w <= 0 || g.src_h <= 0) return;
  key &= PixelMask(bpp);
  // The source column of every column of the part. The surf is stretched on
  // every tick, so the table lives on the stack (64 KB covers the widest
  // surface there is) and a frame makes no allocation for it.
  constexpr std::int64_t kStackColumns = 16384;
  std::array<std::int32_t, kStackColumns> on_stack;
  std::vector<std::int32_t> on_heap;
  std::int32_t* columns = on_stack.data();
  if (g.w > kStackColumns) {
    on_heap.resize(static_cast<std::size_t>(g.w));
    columns = on_heap.data();
  }
  for (std::int64_t i = 0; i < g.w; ++i) columns[i] = static_cast<std::int32_t>((g.x + i) * g.src_w / g.dst_w);
  const std::size_t row_bytes = static_cast<std::size_t>(g.w) * static_cast<std::size_t>(bpp / 8);
  std::int64_t previous_sy = -1;
  for (std::int64_t j = 0; j < g.h; ++j) {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(j) * dst_pitch;
    const std::int64_t sy = (g.y + j) * g.src_h / g.dst_h;
    if (!keyed && sy == previous_sy) {
      std::memcpy(d, d - dst_pitch, row_bytes);
      continue;
    }
    previous_sy = sy;
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(sy) * src_pitch;
    if (bpp == 32)
      StretchRow<std::uint32_t>(d, s, columns, g.w, keyed, key);
    else if (bpp == 16)
      StretchRow<std::uint16_t>(d, s, columns, g.w, keyed, static_cast<std::uint16_t>(key));
    else
      StretchRow24(d, s, columns, g.w, keyed, key);
  }
}

void BlitKeyedPlain(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                    int bpp, std::uint32_t key) {
  const int bytes = bpp / 8;
  key &= PixelMask(bpp);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dst_pitch;
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * src_pitch;
    for (int x = 0; x < w; ++x, d += bytes, s += bytes) {
      const std::uint32_t v = LoadPixel(s, bpp);
      if (v != key) StorePixel(d, bpp, v);
    }
  }
}

void BlitKeyedAvx2(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
                   int bpp, std::uint32_t key) {
#if SANDLOOP_HAVE_X86
  key &= PixelMask(bpp);
  auto row = bpp == 16 ? Row16Avx2 : bpp == 24 ? Row24Avx2 : Row32Avx2;
  for (int y = 0; y < h; ++y)
    row(dst + static_cast<std::ptrdiff_t>(y) * dst_pitch, src + static_cast<std::ptrdiff_t>(y) * src_pitch, w, key);
#else
  BlitKeyedPlain(dst, dst_pitch, src, src_pitch, w, h, bpp, key);
#endif
}

void BlitKeyed(std::uint8_t* dst, int dst_pitch, const std::uint8_t* src, int src_pitch, int w, int h,
               int bpp, std::uint32_t key) {
  if (w <= 0 || h <= 0) return;
  if (CpuHasAvx2() && !Overlap(dst, dst_pitch, src, src_pitch, w, h, bpp / 8))
    BlitKeyedAvx2(dst, dst_pitch, src, src_pitch, w, h, bpp, key);
  else
    BlitKeyedPlain(dst, dst_pitch, src, src_pitch, w, h, bpp, key);
}

void FillRect(std::uint8_t* dst, int dst_pitch, int w, int h, int bpp, std::uint32_t value) {
  const int bytes = bpp / 8;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dst_pitch;
    if (value == 0) {
      std::memset(d, 0, static_cast<std::size_t>(w) * bytes);
      continue;
    }
    for (int x = 0; x < w; ++x, d += bytes) StorePixel(d, bpp, value);
  }
}

}  // namespace sandloop::display
