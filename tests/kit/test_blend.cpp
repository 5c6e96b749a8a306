// Drawing with an alpha channel: the runs an alpha plane is kept as, and
// sprites made from a picture with alpha blended over the back buffer at
// every depth, clipped at the screen's edge and by a clip rectangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "kit/DDbmp.h"
#include "kit/RgbaPicture.h"
#include "kit/ddraw/blend.h"
#include "tests/kit/SpriteTestSupport.h"

namespace sandloop {
namespace {

using display::AlphaPlane;
using testing::DisplayTest;

TEST(AlphaPlane, RunsLeaveOutTransparentPixelsAndCopyOnlyLongOpaqueStretches) {
  // Row 0: two short covered stretches. Row 1: nothing. Row 2: a soft edge,
  // 30 opaque pixels, a soft edge.
  const int w = 40;
  std::vector<std::uint8_t> alpha(static_cast<std::size_t>(w) * 3, 0);
  const std::uint8_t row0[8] = {0, 128, 255, 255, 64, 0, 0, 255};
  std::copy(row0, row0 + 8, alpha.begin());
  std::uint8_t* row2 = alpha.data() + 2 * w;
  row2[2] = 9;
  std::fill(row2 + 3, row2 + 33, 255);
  row2[33] = 1;
  const AlphaPlane plane(alpha.data(), w, w, 3);
  auto runs = [&](int y) { return std::vector<AlphaPlane::Run>(plane.RowBegin(y), plane.RowEnd(y)); };
  auto same = [](const AlphaPlane::Run& r, int x, int n, bool blend) {
    return r.x == x && r.n == n && r.blend == blend;
  };
  // Short opaque pixels between soft ones are blended with them (a blend
  // of an opaque pixel is a copy); a stretch that is all opaque is copied.
  const auto r0 = runs(0);
  ASSERT_EQ(r0.size(), 2u);
  EXPECT_TRUE(same(r0[0], 1, 4, true));
  EXPECT_TRUE(same(r0[1], 7, 1, false));
  EXPECT_TRUE(runs(1).empty());
  const auto r2 = runs(2);
  ASSERT_EQ(r2.size(), 3u);
  EXPECT_TRUE(same(r2[0], 2, 1, true));
  EXPECT_TRUE(same(r2[1], 3, 30, false));
  EXPECT_TRUE(same(r2[2], 33, 1, true));
  EXPECT_EQ(plane.At(33, 2), 1);
}

// Random rows of stretches of every length, across the eight-pixel steps
// the search takes: the runs cover exactly the covered pixels, left to
// right; a copied run is opaque throughout and long, or a whole covered
// stretch; a blended run holds a pixel that is not opaque and no opaque
// stretch long enough to be copied.
TEST(AlphaPlane, RunsHoldExactlyTheCoveredPixelsOfAnyRow) {
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    const int w = 1 + static_cast<int>(rng() % 300);
    std::vector<std::uint8_t> alpha;
    while (static_cast<int>(alpha.size()) < w) {
      const int n = 1 + static_cast<int>(rng() % (rng() % 4 == 0 ? 60 : 12));
      const int kind = static_cast<int>(rng() % 3);
      for (int i = 0; i < n; ++i)
        alpha.push_back(kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(1 + rng() % 254));
    }
    alpha.resize(static_cast<std::size_t>(w));
    const AlphaPlane plane(alpha.data(), w, w, 1);
    int next = 0;  // the first column no run has passed yet
    for (const AlphaPlane::Run* r = plane.RowBegin(0); r != plane.RowEnd(0); ++r) {
      ASSERT_GT(r->n, 0);
      ASSERT_GE(r->x, next);
      for (int x = next; x < r->x; ++x) ASSERT_EQ(alpha[static_cast<std::size_t>(x)], 0) << "uncovered " << x;
      const auto first = alpha.begin() + r->x, last = first + r->n;
      ASSERT_TRUE(std::none_of(first, last, [](std::uint8_t a) { return a == 0; })) << "a run over a hole";
      int longest = 0;
      for (auto it = first; it != last;) {
        auto end = std::find_if(it, last, [](std::uint8_t a) { return a != 255; });
        longest = std::max(longest, static_cast<int>(end - it));
        it = end == last ? last : end + 1;
      }
      if (r->blend) {
        EXPECT_LT(longest, 24) << "an opaque stretch left to the blend at " << r->x;
        EXPECT_NE(longest, r->n) << "a blended run that is all opaque at " << r->x;
      } else {
        EXPECT_EQ(longest, r->n) << "a copied run that is not all opaque at " << r->x;
        const bool whole = (r->x == 0 || alpha[static_cast<std::size_t>(r->x) - 1] == 0) &&
                           (r->x + r->n == w || alpha[static_cast<std::size_t>(r->x + r->n)] == 0);
        EXPECT_TRUE(r->n >= 24 || whole) << "a short copied run at " << r->x;
      }
      next = r->x + r->n;
    }
    for (int x = next; x < w; ++x) ASSERT_EQ(alpha[static_cast<std::size_t>(x)], 0) << "uncovered " << x;
  }
}

// Long blended runs (the wide path takes eight pixels a step, the rest
// one at a time) give exactly BlendOver for every pixel.
TEST(BlitAlpha, EveryPixelOfALongRowIsTheBlendAt32Bits) {
  const int w = 45;
  std::vector<std::uint8_t> alpha(w), src(4 * w), dst(4 * w), expect(4 * w);
  for (int x = 0; x < w; ++x) {
    alpha[x] = static_cast<std::uint8_t>(1 + (x * 97) % 254);
    const std::uint32_t s = (static_cast<std::uint32_t>(x * 5 % alpha[x]) << 16) |
                            (static_cast<std::uint32_t>(x * 3 % alpha[x]) << 8) | (x * 11 % alpha[x]);
    const std::uint32_t d = 0xAB000000u | static_cast<std::uint32_t>(x * 2654435761u & 0xFFFFFF);
    std::memcpy(&src[4 * x], &s, 4);
    std::memcpy(&dst[4 * x], &d, 4);
    const std::uint32_t e = 0xAB000000u | display::BlendOver(s, d, alpha[x]);
    std::memcpy(&expect[4 * x], &e, 4);
  }
  const AlphaPlane plane(alpha.data(), w, w, 1);
  display::BlitAlpha(dst.data(), 4 * w, src.data(), 4 * w, plane, 0, 0, w, 1, 32);
  EXPECT_EQ(dst, expect);
}

// Random rows, soft pixels whose colour may lie above their alpha among
// them: the one-at-a-time and the eight-a-step blends give the same bytes,
// each pixel BlendOver (which saturates) with its fourth byte kept.
TEST(BlitAlpha, ScalarAndWideBlendsAgreeAndSaturateAt32Bits) {
  std::mt19937 rng(28);
  for (int w : {1, 7, 8, 9, 64, 203}) {
    SCOPED_TRACE(w);
    const int h = 5;
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(w) * h), src(alpha.size() * 4), dst(src.size());
    std::vector<std::uint8_t> expect(dst.size());
    for (std::size_t i = 0; i < alpha.size(); ++i) {
      alpha[i] = static_cast<std::uint8_t>(1 + rng() % 254);
      // One pixel in three has colour bytes above its alpha.
      const unsigned top = rng() % 3 == 0 ? 256 : alpha[i] + 1u;
      for (int c = 0; c < 3; ++c) src[4 * i + c] = static_cast<std::uint8_t>(rng() % top);
      src[4 * i + 3] = alpha[i];
      for (int c = 0; c < 4; ++c) dst[4 * i + c] = static_cast<std::uint8_t>(rng());
      std::uint32_t s, d;
      std::memcpy(&s, &src[4 * i], 4);
      std::memcpy(&d, &dst[4 * i], 4);
      const std::uint32_t e = (d & 0xFF000000u) | display::BlendOver(s & 0xFFFFFF, d & 0xFFFFFF, alpha[i]);
      std::memcpy(&expect[4 * i], &e, 4);
    }
    const AlphaPlane plane(alpha.data(), w, w, h);
    auto scalar = dst, wide = dst;
    display::BlitAlpha(scalar.data(), 4 * w, src.data(), 4 * w, plane, 0, 0, w, h, 32, display::BlendPath::Scalar);
    display::BlitAlpha(wide.data(), 4 * w, src.data(), 4 * w, plane, 0, 0, w, h, 32, display::BlendPath::Fastest);
    EXPECT_EQ(scalar, expect);
    EXPECT_EQ(wide, expect) << "wide path: " << display::HasWideBlend();
  }
}

// Every channel of a 16-bit blend is the RGB565 level nearest to the exact
// blend of the expanded colours, so that soft edges are not darkened: on
// average the stored result neither gains nor loses.
TEST(BlitAlpha, SixteenBitBlendsRoundToTheNearestLevel) {
  std::mt19937 rng(16);
  const int w = 256, h = 64;
  std::vector<std::uint8_t> alpha(static_cast<std::size_t>(w) * h), src(alpha.size() * 2), dst(src.size());
  for (std::size_t i = 0; i < alpha.size(); ++i) {
    alpha[i] = static_cast<std::uint8_t>(1 + rng() % 254);
    const std::uint32_t s = display::EncodePixel(((rng() % (alpha[i] + 1u)) << 16) | ((rng() % (alpha[i] + 1u)) << 8) |
                                                     (rng() % (alpha[i] + 1u)),
                                                 16);
    display::StorePixel(&src[2 * i], 16, s);
    display::StorePixel(&dst[2 * i], 16, rng() & 0xFFFF);
  }
  const auto before = dst;
  const AlphaPlane plane(alpha.data(), w, w, h);
  display::BlitAlpha(dst.data(), 2 * w, src.data(), 2 * w, plane, 0, 0, w, h, 16);
  double error = 0;
  int off = 0;
  for (std::size_t i = 0; i < alpha.size(); ++i) {
    const std::uint32_t exact = display::BlendOver(display::DecodePixel(display::LoadPixel(&src[2 * i], 16), 16),
                                                   display::DecodePixel(display::LoadPixel(&before[2 * i], 16), 16),
                                                   alpha[i]);
    const std::uint32_t got = display::DecodePixel(display::LoadPixel(&dst[2 * i], 16), 16);
    for (int shift = 0; shift < 24; shift += 8) {
      const int e = static_cast<int>((exact >> shift) & 0xFF), g = static_cast<int>((got >> shift) & 0xFF);
      error += g - e;
      // Half a step of 5 bits is at most 4.2 levels of 8 bits.
      off += std::abs(g - e) > 4 ? 1 : 0;
    }
  }
  EXPECT_EQ(off, 0);
  EXPECT_LT(std::abs(error / (3.0 * alpha.size())), 0.25) << "mean error " << error / (3.0 * alpha.size());
}

TEST(BlendOver, PremultipliedSourceOverDestination) {
  EXPECT_EQ(display::BlendOver(0x000000, 0xFFFFFF, 0), 0xFFFFFFu);
  EXPECT_EQ(display::BlendOver(0x123456, 0xABCDEF, 255), 0x123456u);
  // Half white over black and over white.
  EXPECT_EQ(display::BlendOver(0x808080, 0x000000, 128), 0x808080u);
  EXPECT_EQ(display::BlendOver(0x808080, 0xFFFFFF, 128), 0xFFFFFFu);
  // A quarter red over blue: 64 + 0, 0, 0 + 255 * 191 / 255.
  EXPECT_EQ(display::BlendOver(0x400000, 0x0000FF, 64), 0x4000BFu);
}

// One row of soft edge around opaque pixels, and an opaque row below.
RgbaPicture EdgePicture() {
  RgbaPicture p(6, 2);
  const std::uint8_t row0[6][4] = {{0, 0, 0, 0},       {128, 128, 128, 128}, {255, 0, 0, 255},
                                   {0, 255, 0, 255},   {0, 0, 64, 64},       {0, 0, 0, 0}};
  for (int x = 0; x < 6; ++x) {
    for (int c = 0; c < 4; ++c) p.Row(0)[4 * x + c] = row0[x][c];
    const std::uint8_t opaque[4] = {10, 20, 30, 255};
    for (int c = 0; c < 4; ++c) p.Row(1)[4 * x + c] = opaque[c];
  }
  return p;
}

class AlphaSpriteTest : public DisplayTest {
 protected:
  // A sprite of EdgePicture stretched to its own size (the stretch keeps
  // the picture as it is) with its alpha in use.
  void Make(TDDbmp& s) {
    s.DDmainModule = dd.get();
    s.OnError = [this](TComponent*) { ++errors; };
    s.SetStretching(true);
    s.SetStretchWidth(6);
    s.SetStretchHeight(2);
    s.SetSmoothPicture(EdgePicture());
    s.CreateSurface();
    s.SetTransparency(true);
  }
  // Channels of two colours differ by at most `tolerance`.
  static bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
        return false;
    return true;
  }
  std::uint32_t BackRgb(int x, int y) const { return display::DecodePixel(Back(x, y), dd->GetColorDepth()); }
  int errors = 0;
};

TEST_F(AlphaSpriteTest, EdgesBlendOpaquePixelsCopyTransparentOnesStayInEveryDepth) {
  for (int bpp : {16, 24, 32}) {
    SCOPED_TRACE(bpp);
    dd->SetEnabled(false);
    Open(40, 30, bpp);
    TDDbmp s(form.get());
    Make(s);
    ASSERT_NE(s.FpSurface, nullptr);
    EXPECT_TRUE(s.HasAlpha());
    EXPECT_EQ(s.BlitFlags(), DDBLTFAST_SRCALPHA);
    const std::uint32_t bg = 0x3060C0;
    testing::FillSurface(dd->FpDDSBack, Stored(bg));
    const std::uint32_t bg_seen = display::DecodePixel(Stored(bg), bpp);
    s.SetShowX(10);
    s.SetShowY(10);
    s.DrawImage();
    // 16 bits blend on colours rounded to RGB565.
    const int tol = bpp == 16 ? 8 : 0;
    EXPECT_EQ(Back(10, 10), Stored(bg));
    EXPECT_TRUE(Near(BackRgb(11, 10), display::BlendOver(0x808080, bg_seen, 128), tol)) << std::hex << BackRgb(11, 10);
    EXPECT_EQ(Back(12, 10), Stored(0xFF0000));
    EXPECT_EQ(Back(13, 10), Stored(0x00FF00));
    EXPECT_TRUE(Near(BackRgb(14, 10), display::BlendOver(0x000040, bg_seen, 64), tol)) << std::hex << BackRgb(14, 10);
    EXPECT_EQ(Back(15, 10), Stored(bg));
    for (int x = 10; x < 16; ++x) EXPECT_EQ(Back(x, 11), Stored(0x0A141E)) << x;
    EXPECT_EQ(Back(16, 11), Stored(bg));  // beside the picture
    EXPECT_EQ(errors, 0);
    s.CloseSurface();
  }
}

TEST_F(AlphaSpriteTest, CutByTheScreenEdgeAndByAClipRectangle) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  Make(s);
  const std::uint32_t bg = 0x102030;
  testing::FillSurface(dd->FpDDSBack, bg);
  // Two columns left of the screen: source columns 2.. land at column 0.
  s.SetShowX(-2);
  s.SetShowY(5);
  s.DrawImage();
  EXPECT_EQ(Back(0, 5), 0xFF0000u);
  EXPECT_EQ(Back(1, 5), 0x00FF00u);
  EXPECT_EQ(Back(2, 5), display::BlendOver(0x000040, bg, 64));
  EXPECT_EQ(Back(3, 5), bg);

  // Only columns 22 and 23 may change.
  testing::FillSurface(dd->FpDDSBack, bg);
  const RECT clip{22, 0, 24, 30};
  dd->FpDDSBack->SetClipRect(&clip);
  s.SetShowX(20);
  s.DrawImage();
  dd->FpDDSBack->SetClipRect(nullptr);
  EXPECT_EQ(Back(21, 5), bg);
  EXPECT_EQ(Back(22, 5), 0xFF0000u);
  EXPECT_EQ(Back(23, 5), 0x00FF00u);
  EXPECT_EQ(Back(24, 5), bg);
  EXPECT_EQ(Back(21, 6), bg);
  EXPECT_EQ(Back(22, 6), 0x0A141Eu);
  EXPECT_EQ(Back(25, 6), bg);
  EXPECT_EQ(errors, 0);
  s.CloseSurface();
}

TEST_F(AlphaSpriteTest, APictureOfAnotherSizeIsScaledToTheStretchSize) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  s.DDmainModule = dd.get();
  RgbaPicture big(12, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) {
      std::uint8_t* p = big.Row(y) + 4 * x;
      const bool inside = x < 6;
      p[0] = inside ? 200 : 0;
      p[1] = p[2] = 0;
      p[3] = inside ? 255 : 0;
    }
  s.SetStretching(true);
  s.SetStretchWidth(5);
  s.SetStretchHeight(4);
  s.SetSmoothPicture(std::move(big));
  s.CreateSurface();
  ASSERT_NE(s.FpSurface, nullptr);
  EXPECT_EQ(testing::SurfaceSize(s.FpSurface), std::make_pair(5, 4));
  EXPECT_EQ(testing::StoredPixel(s.FpSurface, 0, 0), 0xC80000u);
  // Column 2 covers source columns 4.8 to 7.2: half inside.
  EXPECT_EQ(testing::StoredPixel(s.FpSurface, 2, 1), 0x640000u);
  EXPECT_TRUE(s.HasAlpha());
  s.CloseSurface();
}

// At 32 bits the surface takes the picture's memory over as it is; at 16
// and 24 bits the picture is copied into a surface of the display's format.
// Each step that can fail names itself, and the surface is released.
TEST_F(AlphaSpriteTest, ThePicturesMemoryBecomesTheSurfaceOrIsCopiedAndFailuresNameTheirStep) {
  using display::Op;
  auto make = [this](TDDbmp& s) {
    s.DDmainModule = dd.get();
    s.OnError = [this](TComponent*) { ++errors; };
    s.SetStretching(true);
    s.SetStretchWidth(6);
    s.SetStretchHeight(2);
  };
  Open(40, 30, 32);
  {
    TDDbmp s(form.get());
    make(s);
    display::SurfacePixels pixels = EdgePicture().ToSurfacePixels();
    const std::uint8_t* memory = pixels.words.data();
    s.SetSmoothPixels(std::move(pixels));
    s.CreateSurface();
    ASSERT_NE(s.FpSurface, nullptr);
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s.FpSurface->Lock(nullptr, &d, 0, nullptr), DD_OK);
    EXPECT_EQ(d.lpSurface, memory);
    EXPECT_EQ(d.lPitch, 24);
    s.FpSurface->Unlock(nullptr);
    EXPECT_EQ(testing::StoredPixel(s.FpSurface, 2, 0), 0xFF0000u);
    EXPECT_EQ(testing::StoredPixel(s.FpSurface, 4, 1), 0x0A141Eu);
    EXPECT_TRUE(s.HasAlpha());
    hb->FailOnce(Op::CreateSurface, DDERR_OUTOFMEMORY);
    s.SetSmoothPicture(EdgePicture());
    s.CreateSurface();
    EXPECT_EQ(s.GetErrorResult(), "eCreateSurfaceBMP");
    EXPECT_EQ(s.FpSurface, nullptr);
    EXPECT_FALSE(s.HasAlpha());
  }
  EXPECT_EQ(errors, 1);
  dd->SetEnabled(false);
  Open(40, 30, 24);
  for (auto [op, message] : {std::pair{Op::CreateSurface, "eCreateSurfaceBMP"},
                             std::pair{Op::Lock, "eFpSurface->Lock (BMP)"},
                             std::pair{Op::SetAlphaPlane, "eFpSurface->SetAlphaPlane (BMP)"}}) {
    SCOPED_TRACE(message);
    TDDbmp s(form.get());
    make(s);
    s.SetSmoothPicture(EdgePicture());
    hb->FailOnce(op, DDERR_OUTOFMEMORY);
    s.CreateSurface();
    EXPECT_EQ(s.GetErrorResult(), message);
    EXPECT_EQ(s.LastResult(), DDERR_OUTOFMEMORY);
    EXPECT_EQ(s.FpSurface, nullptr);
    EXPECT_FALSE(s.HasAlpha());
  }
  EXPECT_EQ(errors, 4);
}

TEST_F(AlphaSpriteTest, WithoutAPictureWithAlphaTheColourKeyIsUsed) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  s.DDmainModule = dd.get();
  Picture p(4, 4, 0x20A040);
  s.SetBitmap(&p);
  s.SetStretching(true);
  s.SetStretchWidth(8);
  s.SetStretchHeight(8);
  s.CreateSurface();
  s.SetTransparency(true);
  EXPECT_FALSE(s.HasAlpha());
  EXPECT_EQ(s.BlitFlags(), DDBLTFAST_SRCCOLORKEY);
  s.CloseSurface();
}

}  // namespace
}  // namespace sandloop
