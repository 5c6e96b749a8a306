// Page conversion for presenting. The plain 32-bit page without a ramp is
// a copy. Every other case is a per-channel lookup (through the neutral
// tables where no ramp is set), done in one of three ways with bit-identical
// results:
//  - AVX-512 VBMI, chosen at run time where the CPU has it: a 256-entry byte
//    table is four 64-byte registers, looked up with two two-register
//    permutes and a blend on the index's high bit, 16 pixels per step.
//  - a linear ramp on a 32-bit page (the kit only sets linear ramps): the
//    high byte of i * step modulo 65536 is a 16-bit multiply and a shift,
//    8 pixels per step with AVX2 where the CPU has it, else 4 with SSE2,
//    which every x86-64 CPU has.
//  - a scalar loop for everything else, three byte lookups per pixel.
// AVX2 has no faster general lookup than the scalar loop (its gathers
// measured slower than the loop), so only the linear case uses it.
#include "kit/ddraw/present.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "kit/ddraw/blit.h"
#include "kit/ddraw/pixel.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SANDLOOP_HAVE_VBMI_PATH 1
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#define SANDLOOP_HAVE_SSE2_PATH 1
#endif

namespace sandloop::display {

RampTables MakeRampTables(const Ramp& ramp) {
  RampTables t;
  for (int i = 0; i < 256; ++i) {
    t.red[i] = static_cast<std::uint8_t>(ramp.red[i] >> 8);
    t.green[i] = static_cast<std::uint8_t>(ramp.green[i] >> 8);
    t.blue[i] = static_cast<std::uint8_t>(ramp.blue[i] >> 8);
  }
  auto linear = [](const std::uint16_t* table) {
    const std::uint16_t step = table[1];
    for (unsigned i = 0; i < 256; ++i)
      if (table[i] != static_cast<std::uint16_t>(i * step)) return false;
    return true;
  };
  t.linear = linear(ramp.red) && linear(ramp.green) && linear(ramp.blue);
  if (t.linear) {
    t.step_red = ramp.red[1];
    t.step_green = ramp.green[1];
    t.step_blue = ramp.blue[1];
  }
  // RGB565 has 32, 64 and 32 levels: each field expanded to 8 bits (the
  // top bits repeated below), then looked up.
  for (std::uint32_t v = 0; v < 64; ++v) {
    const std::uint32_t e5 = ((v << 3) | (v >> 2)) & 0xFF;
    const std::uint32_t e6 = (v << 2) | (v >> 4);
    const bool field5 = v < 32;
    t.red565_bytes[v] = field5 ? t.red[e5] : 0;
    t.blue565_bytes[v] = field5 ? t.blue[e5] : 0;
    t.green565_bytes[v] = t.green[e6];
    if (field5) {
      t.red565[v] = static_cast<std::uint32_t>(t.red[e5]) << 16;
      t.blue565[v] = t.blue[e5];
    }
    t.green565[v] = static_cast<std::uint32_t>(t.green[e6]) << 8;
  }
  return t;
}

const RampTables* RampTableCache::For(const Ramp* ramp) {
  if (ramp == nullptr) return nullptr;
  if (!have_ || std::memcmp(&ramp_, ramp, sizeof ramp_) != 0) {
    ramp_ = *ramp;
    tables_ = MakeRampTables(*ramp);
    have_ = true;
    ++builds_;
  }
  return &tables_;
}

namespace {

// The tables of the neutral ramp, for pages that need converting without
// one; built once, on first use.
const RampTables& NeutralTables() {
  static const RampTables tables = [] {
    Ramp identity;
    for (int i = 0; i < 256; ++i) identity.red[i] = identity.green[i] = identity.blue[i] = static_cast<std::uint16_t>(i * 257);
    return MakeRampTables(identity);
  }();
  return tables;
}

using RowFn = void (*)(const std::uint8_t*, std::uint8_t*, int, const RampTables&);

inline void Store32(std::uint8_t* d, std::uint32_t v) { std::memcpy(d, &v, 4); }

// 32-bit and 24-bit pages hold B, G, R in their first three bytes.
void Row32Scalar(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& t) {
  for (int x = 0; x < n; ++x, s += 4, d += 4)
    Store32(d, t.blue[s[0]] | (static_cast<std::uint32_t>(t.green[s[1]]) << 8) |
                   (static_cast<std::uint32_t>(t.red[s[2]]) << 16));
}

void Row24Scalar(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& t) {
  for (int x = 0; x < n; ++x, s += 3, d += 4)
    Store32(d, t.blue[s[0]] | (static_cast<std::uint32_t>(t.green[s[1]]) << 8) |
                   (static_cast<std::uint32_t>(t.red[s[2]]) << 16));
}

// RGB565: each field maps straight to its output channel through the
// tables of expanded-then-ramped values.
void Row16(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& m) {
  for (int x = 0; x < n; ++x, s += 2, d += 4) {
    std::uint16_t v;
    std::memcpy(&v, s, 2);
    Store32(d, m.red565[v >> 11] | m.green565[(v >> 5) & 0x3F] | m.blue565[v & 0x1F]);
  }
}

#ifdef SANDLOOP_HAVE_SSE2_PATH

// 4 XRGB pixels per step: the bytes widened to 16 bits, multiplied by their
// channel's step (0 for the X byte), the high byte of each low 16-bit
// product kept. The last pixels go through the tables, which hold the same
// values.
void Row32Linear(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& t) {
  const __m128i steps = _mm_setr_epi16(static_cast<short>(t.step_blue), static_cast<short>(t.step_green),
                                       static_cast<short>(t.step_red), 0, static_cast<short>(t.step_blue),
                                       static_cast<short>(t.step_green), static_cast<short>(t.step_red), 0);
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x));
    const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), steps), 8);
    const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), steps), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), _mm_packus_epi16(lo, hi));
  }
  Row32Scalar(s + 4 * x, d + 4 * x, n - x, t);
}

#endif  // SANDLOOP_HAVE_SSE2_PATH

#ifdef SANDLOOP_HAVE_VBMI_PATH

// The same as Row32Linear, 8 pixels per step: the unpacks and the pack
// work within each 128-bit half, so the pixels keep their order.
__attribute__((target("avx2"))) void Row32LinearAvx2(const std::uint8_t* s, std::uint8_t* d, int n,
                                                      const RampTables& t) {
  const __m256i steps = _mm256_setr_epi16(
      static_cast<short>(t.step_blue), static_cast<short>(t.step_green), static_cast<short>(t.step_red), 0,
      static_cast<short>(t.step_blue), static_cast<short>(t.step_green), static_cast<short>(t.step_red), 0,
      static_cast<short>(t.step_blue), static_cast<short>(t.step_green), static_cast<short>(t.step_red), 0,
      static_cast<short>(t.step_blue), static_cast<short>(t.step_green), static_cast<short>(t.step_red), 0);
  const __m256i zero = _mm256_setzero_si256();
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
    const __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero), steps), 8);
    const __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero), steps), 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x), _mm256_packus_epi16(lo, hi));
  }
  Row32Scalar(s + 4 * x, d + 4 * x, n - x, t);
}

#endif  // SANDLOOP_HAVE_VBMI_PATH

#ifdef SANDLOOP_HAVE_VBMI_PATH

bool CpuHasVbmi() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
}

#define SANDLOOP_VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

// One channel's table held in four registers.
struct ZTable {
  __m512i q0, q1, q2, q3;
};

SANDLOOP_VBMI inline ZTable LoadTable(const std::uint8_t* t) {
  return {_mm512_loadu_si512(t), _mm512_loadu_si512(t + 64), _mm512_loadu_si512(t + 128),
          _mm512_loadu_si512(t + 192)};
}

// Every byte of `v` looked up in `t`: the two permutes see the low seven
// bits (entries 0-127 and 128-255), the index's high bit picks between them.
SANDLOOP_VBMI inline __m512i Lookup(const ZTable& t, __m512i v, __mmask64 high) {
  return _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(t.q0, v, t.q1),
                                _mm512_permutex2var_epi8(t.q2, v, t.q3));
}

// 16 XRGB pixels in `v` (B, G, R, X bytes) through the three tables; the X
// byte comes out 0.
SANDLOOP_VBMI inline __m512i Apply(const ZTable& r, const ZTable& g, const ZTable& b, __m512i v) {
  constexpr __mmask64 kBlue = 0x1111111111111111ull, kGreen = kBlue << 1, kRed = kBlue << 2;
  const __mmask64 high = _mm512_movepi8_mask(v);
  __m512i out = _mm512_maskz_mov_epi8(kBlue, Lookup(b, v, high));
  out = _mm512_mask_mov_epi8(out, kGreen, Lookup(g, v, high));
  return _mm512_mask_mov_epi8(out, kRed, Lookup(r, v, high));
}

SANDLOOP_VBMI void Row32Vbmi(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& t) {
  const ZTable r = LoadTable(t.red), g = LoadTable(t.green), b = LoadTable(t.blue);
  int x = 0;
  for (; x + 16 <= n; x += 16) _mm512_storeu_si512(d + 4 * x, Apply(r, g, b, _mm512_loadu_si512(s + 4 * x)));
  if (x < n) {
    // The last pixels through masked loads and stores: nothing past the row
    // is read or written.
    const __mmask16 m = static_cast<__mmask16>((1u << (n - x)) - 1u);
    _mm512_mask_storeu_epi32(d + 4 * x, m, Apply(r, g, b, _mm512_maskz_loadu_epi32(m, s + 4 * x)));
  }
}

SANDLOOP_VBMI void Row24Vbmi(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& t) {
  const ZTable r = LoadTable(t.red), g = LoadTable(t.green), b = LoadTable(t.blue);
  // Spreads 16 packed 3-byte pixels to 4 bytes each (the fourth byte is a
  // don't-care that Apply clears).
  alignas(64) std::uint8_t spread[64];
  for (int i = 0; i < 64; ++i) spread[i] = static_cast<std::uint8_t>((i / 4) * 3 + (i % 4 == 3 ? 0 : i % 4));
  const __m512i idx = _mm512_load_si512(spread);
  constexpr __mmask64 k48 = (1ull << 48) - 1;
  int x = 0;
  // Full steps read exactly 48 bytes through a mask.
  for (; x + 16 <= n; x += 16) {
    const __m512i v = _mm512_maskz_permutexvar_epi8(~0ull, idx, _mm512_maskz_loadu_epi8(k48, s + 3 * x));
    _mm512_storeu_si512(d + 4 * x, Apply(r, g, b, v));
  }
  if (x < n) {
    const int left = n - x;
    const __mmask64 in = (1ull << (3 * left)) - 1;
    const __mmask16 out = static_cast<__mmask16>((1u << left) - 1u);
    const __m512i v = _mm512_maskz_permutexvar_epi8(~0ull, idx, _mm512_maskz_loadu_epi8(in, s + 3 * x));
    _mm512_mask_storeu_epi32(d + 4 * x, out, Apply(r, g, b, v));
  }
}

// RGB565: each pixel's three fields become byte indices (blue in byte 0,
// green in byte 1, red in byte 2) into 64-byte tables of expanded-then-
// ramped levels, looked up with one permute each.
SANDLOOP_VBMI inline __m512i Apply565(const __m512i tr, const __m512i tg, const __m512i tb, __m256i v16) {
  constexpr __mmask64 kBlue = 0x1111111111111111ull, kGreen = kBlue << 1, kRed = kBlue << 2;
  const __m512i v = _mm512_maskz_cvtepu16_epi32(0xFFFF, v16);
  const __m512i idx = _mm512_or_si512(
      _mm512_and_si512(v, _mm512_set1_epi32(0x1F)),
      _mm512_or_si512(_mm512_and_si512(_mm512_maskz_slli_epi32(0xFFFF, v, 3), _mm512_set1_epi32(0x3F00)),
                      _mm512_and_si512(_mm512_maskz_slli_epi32(0xFFFF, v, 5), _mm512_set1_epi32(0x1F0000))));
  __m512i out = _mm512_maskz_permutexvar_epi8(kBlue, idx, tb);
  out = _mm512_mask_permutexvar_epi8(out, kGreen, idx, tg);
  return _mm512_mask_permutexvar_epi8(out, kRed, idx, tr);
}

SANDLOOP_VBMI void Row16Vbmi(const std::uint8_t* s, std::uint8_t* d, int n, const RampTables& t) {
  const __m512i tr = _mm512_loadu_si512(t.red565_bytes), tg = _mm512_loadu_si512(t.green565_bytes),
                tb = _mm512_loadu_si512(t.blue565_bytes);
  int x = 0;
  for (; x + 16 <= n; x += 16)
    _mm512_storeu_si512(d + 4 * x, Apply565(tr, tg, tb, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * x))));
  if (x < n) {
    const __mmask16 m = static_cast<__mmask16>((1u << (n - x)) - 1u);
    _mm512_mask_storeu_epi32(d + 4 * x, m, Apply565(tr, tg, tb, _mm256_maskz_loadu_epi16(m, s + 2 * x)));
  }
}

#endif  // SANDLOOP_HAVE_VBMI_PATH

void ConvertWith(const PageView& page, std::uint8_t* dst, int dst_pitch, const RampTables* tables, bool vector,
                 bool avx2) {
  if (page.bpp == 32 && tables == nullptr) {
    // One copy of the whole page where the rows are contiguous on both
    // sides: a large copy takes the C library's fastest path, while a
    // copy per row measured twice as slow on some CPUs.
    const std::size_t row_bytes = static_cast<std::size_t>(page.width) * 4;
    if (page.pitch == dst_pitch && static_cast<std::size_t>(page.pitch) == row_bytes) {
      std::memcpy(dst, page.pixels, row_bytes * static_cast<std::size_t>(page.height));
      return;
    }
    for (int y = 0; y < page.height; ++y)
      std::memcpy(dst + static_cast<std::ptrdiff_t>(y) * dst_pitch, page.pixels + static_cast<std::ptrdiff_t>(y) * page.pitch,
                  row_bytes);
    return;
  }
  const RampTables& t = tables != nullptr ? *tables : NeutralTables();
#ifdef SANDLOOP_HAVE_VBMI_PATH
  if (vector) {
    const RowFn row = page.bpp == 16 ? Row16Vbmi : page.bpp == 24 ? Row24Vbmi : Row32Vbmi;
    for (int y = 0; y < page.height; ++y)
      row(page.pixels + static_cast<std::ptrdiff_t>(y) * page.pitch, dst + static_cast<std::ptrdiff_t>(y) * dst_pitch,
          page.width, t);
    return;
  }
#else
  (void)vector;
#endif
  if (page.bpp == 16) {
    for (int y = 0; y < page.height; ++y)
      Row16(page.pixels + static_cast<std::ptrdiff_t>(y) * page.pitch, dst + static_cast<std::ptrdiff_t>(y) * dst_pitch,
            page.width, t);
    return;
  }
  RowFn row = page.bpp == 24 ? Row24Scalar : Row32Scalar;
#ifdef SANDLOOP_HAVE_SSE2_PATH
  if (page.bpp == 32 && t.linear) row = Row32Linear;
#endif
#ifdef SANDLOOP_HAVE_VBMI_PATH
  if (page.bpp == 32 && t.linear && avx2) row = Row32LinearAvx2;
#else
  (void)avx2;
#endif
  for (int y = 0; y < page.height; ++y)
    row(page.pixels + static_cast<std::ptrdiff_t>(y) * page.pitch, dst + static_cast<std::ptrdiff_t>(y) * dst_pitch,
        page.width, t);
}

}  // namespace

bool ConvertPageVectorised() {
#ifdef SANDLOOP_HAVE_VBMI_PATH
  return CpuHasVbmi();
#else
  return false;
#endif
}

void ConvertPage(const PageView& page, std::uint8_t* dst, int dst_pitch, const RampTables* tables) {
  static const bool avx2 = CpuHasAvx2();
  ConvertWith(page, dst, dst_pitch, tables, ConvertPageVectorised(), avx2);
}

void ConvertPagePortable(const PageView& page, std::uint8_t* dst, int dst_pitch, const RampTables* tables,
                         bool avx2) {
  ConvertWith(page, dst, dst_pitch, tables, false, avx2 && CpuHasAvx2());
}

void Scale32(const std::uint8_t* src, int src_width, int src_height, int src_pitch, std::uint8_t* dst, int dst_width,
             int dst_height, int dst_pitch) {
  if (src_width <= 0 || src_height <= 0 || dst_width <= 0 || dst_height <= 0) return;
  // The source column of every target column, computed once per call.
  std::vector<int> column(static_cast<std::size_t>(dst_width));
  for (int x = 0; x < dst_width; ++x)
    column[static_cast<std::size_t>(x)] =
        static_cast<int>((static_cast<std::int64_t>(2 * x + 1) * src_width) / (2 * static_cast<std::int64_t>(dst_width)));
  int previous = -1;
  for (int y = 0; y < dst_height; ++y) {
    const int sy = static_cast<int>((static_cast<std::int64_t>(2 * y + 1) * src_height) / (2 * static_cast<std::int64_t>(dst_height)));
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dst_pitch;
    if (sy == previous) {
      // A repeated source row: copy the target row just made.
      std::memcpy(d, d - dst_pitch, static_cast<std::size_t>(dst_width) * 4);
      continue;
    }
    previous = sy;
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(sy) * src_pitch;
    for (int x = 0; x < dst_width; ++x) std::memcpy(d + 4 * x, s + 4 * column[static_cast<std::size_t>(x)], 4);
  }
}

}  // namespace sandloop::display
