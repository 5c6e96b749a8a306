// The blit loops: every keyed path gives exactly the bytes of the plain
// loop, on random pictures of odd sizes in all three depths, and none
// touches a byte outside its rectangle (buffers are sized to the last byte
// so that the address sanitizer sees any overrun).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "kit/ddraw/blit.h"
#include "kit/ddraw/pixel.h"

namespace sandloop::display {
namespace {

struct Image {
  int w, h, bpp, pitch;
  std::vector<std::uint8_t> bytes;  // exactly (h - 1) * pitch + w * bpp / 8
  Image(int w_, int h_, int bpp_, int pad) : w(w_), h(h_), bpp(bpp_), pitch(w_ * bpp_ / 8 + pad) {
    bytes.resize(static_cast<std::size_t>(h - 1) * pitch + static_cast<std::size_t>(w) * bpp / 8);
  }
  std::uint8_t* At(int x, int y) { return bytes.data() + static_cast<std::size_t>(y) * pitch + x * (bpp / 8); }
};

// Random pixels of which about `keyed` (0..1) have the key's value; the
// others may differ from the key in a single byte, the hardest case for a
// comparison.
Image RandomImage(std::mt19937& rng, int w, int h, int bpp, int pad, std::uint32_t key, double keyed) {
  Image im(w, h, bpp, pad);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<double> u(0, 1);
  for (auto& b : im.bytes) b = static_cast<std::uint8_t>(byte(rng));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double r = u(rng);
      std::uint32_t v = LoadPixel(im.At(x, y), bpp);
      if (r < keyed) v = key;
      else if (r < keyed + 0.2) v = key ^ (0xFFu << (8 * (byte(rng) % (bpp / 8))));
      StorePixel(im.At(x, y), bpp, v);
    }
  return im;
}

TEST(BlitKeyed, EveryPathMatchesThePlainLoop) {
  if (!CpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this processor; only the plain loop runs";
  std::mt19937 rng(20261208);
  for (int bpp : {16, 24, 32}) {
    const std::uint32_t mask = PixelMask(bpp);
    for (int w : {1, 2, 3, 7, 8, 9, 10, 11, 12, 15, 16, 17, 19, 31, 33, 63, 101, 257}) {
      for (double keyed : {0.0, 0.4, 0.9, 1.0}) {
        const int h = 1 + w % 5;
        const std::uint32_t key = static_cast<std::uint32_t>(rng()) & mask;
        const Image src = RandomImage(rng, w, h, bpp, (w % 3) * 4, key, keyed);
        Image plain = RandomImage(rng, w + 3, h + 2, bpp, 4, key, 0.3);
        Image fast = plain;
        // Into the middle of a larger picture, so that bytes around the
        // rectangle are checked too.
        BlitKeyedPlain(plain.At(2, 1), plain.pitch, src.bytes.data(), src.pitch, w, h, bpp, key);
        BlitKeyedAvx2(fast.At(2, 1), fast.pitch, src.bytes.data(), src.pitch, w, h, bpp, key);
        ASSERT_EQ(plain.bytes, fast.bytes) << "bpp " << bpp << " width " << w << " keyed " << keyed;
        Image chosen = RandomImage(rng, w, h, bpp, 0, key, 0.0);
        Image reference = chosen;
        BlitKeyed(chosen.bytes.data(), chosen.pitch, src.bytes.data(), src.pitch, w, h, bpp, key);
        BlitKeyedPlain(reference.bytes.data(), reference.pitch, src.bytes.data(), src.pitch, w, h, bpp, key);
        ASSERT_EQ(chosen.bytes, reference.bytes) << "bpp " << bpp << " width " << w;
      }
    }
  }
}

TEST(BlitKeyed, PlainLoopSkipsExactlyTheKeyedPixels) {
  for (int bpp : {16, 24, 32}) {
    Image src(5, 1, bpp, 0), dst(5, 1, bpp, 0);
    const std::uint32_t key = 0x00123456u & PixelMask(bpp);
    const std::uint32_t values[5] = {key, key ^ 1u, key, key ^ (0x80u << (bpp - 8)), 7};
    for (int x = 0; x < 5; ++x) {
      StorePixel(src.At(x, 0), bpp, values[x]);
      StorePixel(dst.At(x, 0), bpp, 0xAAAAAAAAu & PixelMask(bpp));
    }
    BlitKeyed(dst.bytes.data(), dst.pitch, src.bytes.data(), src.pitch, 5, 1, bpp, key | ~PixelMask(bpp));
    for (int x = 0; x < 5; ++x) {
      const std::uint32_t want = values[x] == key ? (0xAAAAAAAAu & PixelMask(bpp)) : values[x];
      EXPECT_EQ(LoadPixel(dst.At(x, 0), bpp), want) << "bpp " << bpp << " x " << x;
    }
  }
}

// A copy within one buffer (source and destination overlapping) gives the
// plain loop's bytes whichever path the processor offers.
TEST(BlitKeyed, OverlappingCopyFollowsThePlainLoop) {
  std::mt19937 rng(7);
  for (int bpp : {16, 24, 32}) {
    const Image start = RandomImage(rng, 64, 4, bpp, 0, 0x10, 0.4);
    Image a = start, b = start;
    BlitKeyed(a.At(3, 0), a.pitch, a.At(0, 0), a.pitch, 40, 4, bpp, 0x10);
    BlitKeyedPlain(b.At(3, 0), b.pitch, b.At(0, 0), b.pitch, 40, 4, bpp, 0x10);
    EXPECT_EQ(a.bytes, b.bytes) << bpp;
  }
}

TEST(BlitOpaque, CopiesRowsBetweenDifferentPitches) {
  std::mt19937 rng(3);
  for (int bpp : {16, 24, 32}) {
    const Image src = RandomImage(rng, 13, 5, bpp, 8, 0, 0);
    Image dst(15, 6, bpp, 4);
    BlitOpaque(dst.At(1, 1), dst.pitch, src.bytes.data(), src.pitch, 13, 5, bpp);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 15; ++x) {
        const bool in = x >= 1 && x < 14 && y >= 1;
        const std::uint32_t want = in ? LoadPixel(const_cast<Image&>(src).At(x - 1, y - 1), bpp) : 0;
        ASSERT_EQ(LoadPixel(dst.At(x, y), bpp), want) << bpp << " " << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace sandloop::display
