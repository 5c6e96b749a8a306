// The sprite: surface creation, the screen clipping, frames, colour keys
// and every reported failure, checked pixel by pixel on small screens
// (what it shares with the strip: test_ddbmp_ddani.cpp).
#include <cstdlib>
#include <filesystem>

#include "kit/Clip.h"
#include "kit/PicturePng.h"
#include "kit/DDbmp.h"
#include "kit/ddraw/gdi.h"
#include "tests/kit/SpriteTestSupport.h"

namespace sandloop {
namespace {

using display::Op;
using testing::PatternPicture;
using testing::StoredPixel;

// ---- the clipping routine on its own -------------------------------------

ClippedBlit Clip(int w, int h, int x, int y, RECT src) { return ClipToScreen(w, h, x, y, src); }

TEST(ClipToScreen, FullWidthPictureNeverCoversTheLastColumnOrRow) {
  // x = 0 with R >= W - 1: columns 0 .. W - 2.
  for (int r : {799, 800, 1000}) {
    const auto c = Clip(800, 600, 0, 0, RECT{0, 0, r, 600});
    ASSERT_TRUE(c.draw);
    EXPECT_EQ(c.dst_x, 0);
    EXPECT_EQ(c.src.left, 0);
    EXPECT_EQ(c.src.right, 799) << "R=" << r;
    EXPECT_EQ(c.src.bottom, 599);
  }
  // x = 1: cut to W - 2 columns.
  const auto c = Clip(800, 600, 1, 0, RECT{0, 0, 800, 10});
  ASSERT_TRUE(c.draw);
  EXPECT_EQ(c.dst_x, 1);
  EXPECT_EQ(c.src.right - c.src.left, 798);
}

TEST(ClipToScreen, NothingAtTheLastColumnOrWhenOneColumnWouldShow) {
  EXPECT_FALSE(Clip(800, 600, 799, 0, RECT{0, 0, 10, 10}).draw);    // x = W - 1
  EXPECT_FALSE(Clip(800, 600, 5000, 0, RECT{0, 0, 10, 10}).draw);   // beyond
  EXPECT_FALSE(Clip(800, 600, -9, 0, RECT{0, 0, 10, 10}).draw);     // x + R = 1
  EXPECT_FALSE(Clip(800, 600, 0, 599, RECT{0, 0, 10, 10}).draw);    // y = H - 1
  EXPECT_FALSE(Clip(800, 600, 0, -9, RECT{0, 0, 10, 10}).draw);     // y + h = 1
  EXPECT_TRUE(Clip(800, 600, -8, 0, RECT{0, 0, 10, 10}).draw);      // two columns show
  EXPECT_TRUE(Clip(800, 600, 798, 0, RECT{0, 0, 10, 10}).draw);     // column W - 2 only
}

TEST(ClipToScreen, LeftAndTopCuts) {
  // x = -10 with a 100-pixel-wide picture: source columns 10 .. 100 at column 0.
  auto c = Clip(800, 600, -10, 20, RECT{0, 0, 100, 50});
  ASSERT_TRUE(c.draw);
  EXPECT_EQ(c.dst_x, 0);
  EXPECT_EQ(c.src.left, 10);
  EXPECT_EQ(c.src.right, 100);
  // y = -5 on frame 2 of a strip with 30-pixel frames: rows 65 .. 90 at row 0.
  c = Clip(800, 600, 20, -5, RECT{0, 60, 40, 90});
  ASSERT_TRUE(c.draw);
  EXPECT_EQ(c.dst_y, 0);
  EXPECT_EQ(c.src.top, 65);
  EXPECT_EQ(c.src.bottom, 90);
  // The bottom cut of a band counts from the band's top.
  c = Clip(800, 600, 20, 590, RECT{0, 60, 40, 90});
  ASSERT_TRUE(c.draw);
  EXPECT_EQ(c.src.top, 60);
  EXPECT_EQ(c.src.bottom, 60 + 600 - 1 - 590);
}

TEST(ClipToScreen, PictureOverhangingBothEdgesGetsNoNegativeDestination) {
  const auto c = Clip(800, 600, -30, -20, RECT{0, 0, 1000, 700});
  ASSERT_TRUE(c.draw);
  EXPECT_EQ(c.dst_x, 0);
  EXPECT_EQ(c.dst_y, 0);
  EXPECT_EQ(c.src.left, 30);
  EXPECT_EQ(c.src.right, 30 + 799);
  EXPECT_EQ(c.src.top, 20);
  EXPECT_EQ(c.src.bottom, 20 + 599);
}

// ---- the component ---------------------------------------------------------

class SpriteTest : public testing::ComponentTest<TDDbmp> {
 protected:
  void Seen(const TDDbmp& s) override { surface_at_error.push_back(s.FpSurface != nullptr); }
  std::vector<bool> surface_at_error;
};

TEST_F(SpriteTest, ConstructorDefaults) {
  TDDbmp s(form.get());
  EXPECT_EQ(s.FpSurface, nullptr);
}

TEST_F(SpriteTest, SetBitmapCopiesAndNullChangesNothing) {
  TDDbmp s(form.get());
  Picture p = PatternPicture(5, 4);
  s.SetBitmap(&p);
  p.SetPixel(0, 0, 0x123456);  // the sprite holds its own copy
  EXPECT_EQ(s.Bitmap().Width(), 5);
  EXPECT_NE(s.Bitmap().Pixel(0, 0), 0x123456u);
  s.SetBitmap(nullptr);
  EXPECT_EQ(s.Bitmap().Width(), 5);
  EXPECT_EQ(s.Bitmap().Pixel(1, 1), PatternPicture(5, 4).Pixel(1, 1));
}

TEST_F(SpriteTest, CreateSurfaceCopiesThePictureUnscaledOrStretched) {
  Open(40, 30, 32);
  const Picture p = PatternPicture(6, 4);
  TDDbmp s(form.get());
  Attach(s);
  s.SetBitmap(&p);
  s.CreateSurface();
  ASSERT_NE(s.FpSurface, nullptr);
  EXPECT_EQ(s.FDD, dd->FpDD);
  EXPECT_EQ(s.FDDBACK, dd->FpDDSBack);
  EXPECT_EQ(testing::SurfaceSize(s.FpSurface), std::make_pair(6, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(StoredPixel(s.FpSurface, x, y), p.Pixel(x, y));

  // Stretched to 12 x 2 by nearest neighbour; a second CreateSurface
  // replaces the first surface.
  s.SetStretching(true);
  s.SetStretchWidth(12);
  s.SetStretchHeight(2);
  s.CreateSurface();
  ASSERT_NE(s.FpSurface, nullptr);
  EXPECT_EQ(testing::SurfaceSize(s.FpSurface), std::make_pair(12, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(StoredPixel(s.FpSurface, x, y), p.Pixel(x / 2, y * 2));
  EXPECT_EQ(errors, 0);
  s.CloseSurface();
  EXPECT_EQ(s.FpSurface, nullptr);
}

TEST_F(SpriteTest, CreateSurfaceFailuresAreReportedWithTheirReleases) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  const Picture p = PatternPicture(4, 4);
  s.SetBitmap(&p);
  Attach(s);
  hb->FailOnce(Op::CreateSurface, DDERR_OUTOFMEMORY);
  s.CreateSurface();
  EXPECT_EQ(s.GetErrorResult(), "eCreateSurfaceBMP");
  EXPECT_EQ(s.LastResult(), DDERR_OUTOFMEMORY);
  EXPECT_EQ(s.FpSurface, nullptr);

  hb->FailOnce(Op::GetDC, DDERR_CANTCREATEDC);
  s.CreateSurface();
  EXPECT_EQ(s.GetErrorResult(), "eFpSurface->GetDC (BMP)");
  EXPECT_EQ(s.FpSurface, nullptr);
  ASSERT_EQ(surface_at_error.size(), 2u);
  EXPECT_FALSE(surface_at_error[1]) << "OnError comes after the release";

  // An empty picture or a zero stretch size makes no surface.
  s.SetStretching(true);
  s.CreateSurface();
  EXPECT_EQ(s.GetErrorResult(), "eCreateSurfaceBMP");
  EXPECT_EQ(s.FpSurface, nullptr);
  EXPECT_EQ(errors, 3);
}

// Every position from 3 pixels beyond one edge to 3 beyond the other, on a
// 16 x 12 screen: the back buffer must hold exactly the visible part of the
// picture, and never anything in the last column or row.
void SweepPositions(IDirectDrawSurface* back, TDDbmp& s, int pw, int ph) {
  const int W = 16, H = 12;
  const Picture& p = s.Bitmap();
  for (int y = -ph - 3; y <= H + 3; ++y) {
    for (int x = -pw - 3; x <= W + 3; ++x) {
      testing::FillSurface(back, 0);
      s.SetShowX(x);
      s.SetShowY(y);
      s.DrawImage();
      ASSERT_NE(s.FpSurface, nullptr) << "blit refused at " << x << "," << y << ": " << s.GetErrorResult();
      // Visible: the intersection with columns 0 .. W - 2 and rows
      // 0 .. H - 2, except that a single column or row left at the top or
      // left edge is not drawn.
      const int x0 = std::max(x, 0), x1 = std::min(x + pw, W - 1);
      const int y0 = std::max(y, 0), y1 = std::min(y + ph, H - 1);
      const bool cols = x1 > x0 && !(x <= 0 && x + pw == 1);
      const bool rows = y1 > y0 && !(y <= 0 && y + ph == 1);
      for (int yy = 0; yy < H; ++yy)
        for (int xx = 0; xx < W; ++xx) {
          const bool in = cols && rows && xx >= x0 && xx < x1 && yy >= y0 && yy < y1;
          const std::uint32_t want = in ? p.Pixel(xx - x, yy - y) : 0;
          ASSERT_EQ(StoredPixel(back, xx, yy), want)
              << "picture at " << x << "," << y << ", pixel " << xx << "," << yy;
        }
    }
  }
}

TEST_F(SpriteTest, DrawImageClipsAtEveryPosition) {
  Open(16, 12, 32);
  TDDbmp s(form.get());
  Attach(s);
  const Picture small = PatternPicture(5, 4);
  s.SetBitmap(&small);
  s.CreateSurface();
  SweepPositions(dd->FpDDSBack, s, 5, 4);
  // Larger than the screen in both directions.
  const Picture big = PatternPicture(19, 14, 0x80);
  s.SetBitmap(&big);
  s.CreateSurface();
  SweepPositions(dd->FpDDSBack, s, 19, 14);
  EXPECT_EQ(errors, 0) << (messages.empty() ? "" : messages.back());
  s.CloseSurface();
}

TEST_F(SpriteTest, DrawAniDrawsOneBandAndRefusesFramesBeyondThePicture) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  Attach(s);
  const Picture p = PatternPicture(6, 30);  // 3 frames of 10 rows
  s.SetBitmap(&p);
  s.SetYOffsetFrame(10);
  s.CreateSurface();
  s.SetShowX(2);
  s.SetShowY(3);
  s.SetNumberFrame(2);
  s.DrawAni();
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(Back(2, 3), p.Pixel(0, 20));
  EXPECT_EQ(Back(7, 12), p.Pixel(5, 29));
  EXPECT_EQ(Back(2, 13), 0u);

  // y = -5 on frame 2: rows 25 .. 29 at row 0.
  testing::FillSurface(dd->FpDDSBack, 0);
  s.SetShowY(-5);
  s.DrawAni();
  EXPECT_EQ(Back(2, 0), p.Pixel(0, 25));
  EXPECT_EQ(Back(2, 4), p.Pixel(0, 29));
  EXPECT_EQ(Back(2, 5), 0u);

  // One past the last frame, a negative frame and no frame height are
  // reported; nothing is drawn and the surface survives.
  for (auto [frame, offset] : {std::pair{3, 10}, {-1, 10}, {0, 0}, {1, -10}, {0x7FFFFFFF, 10}}) {
    testing::FillSurface(dd->FpDDSBack, 0);
    s.SetNumberFrame(frame);
    s.SetYOffsetFrame(offset);
    s.DrawAni();
    EXPECT_EQ(s.GetErrorResult(), "eFNumberFrame (Ani)") << frame << "/" << offset;
    EXPECT_NE(s.FpSurface, nullptr);
    EXPECT_EQ(Back(2, 0), 0u);
  }
  EXPECT_EQ(errors, 5);
  s.CloseSurface();
}

TEST_F(SpriteTest, DrawAniWhenStretchingScalesTheFrameHeight) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  Attach(s);
  const Picture p = PatternPicture(4, 40);  // 4 frames of 10 rows
  s.SetBitmap(&p);
  s.SetYOffsetFrame(10);
  s.SetStretching(true);
  s.SetStretchWidth(8);
  s.SetStretchHeight(20);  // frames of 5 rows
  s.CreateSurface();
  s.SetShowX(1);
  s.SetShowY(1);
  s.SetNumberFrame(3);
  s.DrawAni();
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(s.SourceRect().top, 15);
  EXPECT_EQ(s.SourceRect().bottom, 20);
  EXPECT_EQ(Back(1, 1), p.Pixel(0, 30));
  EXPECT_EQ(Back(8, 5), p.Pixel(3, 38));
  EXPECT_EQ(Back(1, 6), 0u);
  s.SetNumberFrame(4);
  s.DrawAni();
  EXPECT_EQ(s.GetErrorResult(), "eFNumberFrame (Ani Stretch)");
  // A stretched sprite whose picture was emptied cannot divide by its height.
  const Picture empty;
  s.SetBitmap(&empty);
  s.SetNumberFrame(0);
  s.DrawAni();
  EXPECT_EQ(s.GetErrorResult(), "eFNumberFrame (Ani Stretch)");
  EXPECT_NE(s.FpSurface, nullptr);
  EXPECT_EQ(errors, 2);
  s.CloseSurface();
}

// The colour key is the stored value of the top-left pixel: pixels with
// that value keep the background, the top-left pixel always does, and at
// 16 bits colours that round to the same stored value are keyed too.
TEST_F(SpriteTest, ColourKeyInEveryDepth) {
  for (int bpp : {16, 24, 32}) {
    SCOPED_TRACE(bpp);
    dd->SetEnabled(false);
    Open(40, 30, bpp);
    TDDbmp s(form.get());
    Attach(s);
    const std::uint32_t key = 0xFF00FF, near_key = 0xFC03FC, other = 0x20A040;
    Picture p(7, 3, other);
    p.SetPixel(0, 0, key);
    p.SetPixel(3, 1, key);
    p.SetPixel(6, 2, key);
    p.SetPixel(5, 0, near_key);
    s.SetBitmap(&p);
    s.CreateSurface();
    s.SetTransparency(true);
    EXPECT_TRUE(s.Transparency());
    EXPECT_EQ(s.BlitFlags(), DDBLTFAST_SRCCOLORKEY);
    const std::uint32_t bg = Stored(0x0000FF);
    testing::FillSurface(dd->FpDDSBack, bg);
    s.SetShowX(10);
    s.SetShowY(10);
    s.DrawImage();
    EXPECT_EQ(Back(10, 10), bg);
    EXPECT_EQ(Back(13, 11), bg);
    EXPECT_EQ(Back(16, 12), bg);
    EXPECT_EQ(Back(11, 10), Stored(other));
    EXPECT_EQ(Back(15, 10), bpp == 16 ? bg : Stored(near_key));
    EXPECT_EQ(Back(17, 10), bg);  // beside the picture

    // Off again: every pixel is copied, the key stays set but unused.
    s.SetTransparency(false);
    EXPECT_EQ(s.BlitFlags(), 0u);
    s.DrawImage();
    EXPECT_EQ(Back(10, 10), Stored(key));
    EXPECT_EQ(errors, 0);
    s.CloseSurface();
  }
}

TEST_F(SpriteTest, ColorMatchReadsAndRestoresTheFirstPixel) {
  Open(40, 30, 16);
  TDDbmp s(form.get());
  Attach(s);
  const Picture p(3, 3, 0x336699);
  s.SetBitmap(&p);
  s.CreateSurface();
  const std::uint32_t first = StoredPixel(s.FpSurface, 0, 0);
  EXPECT_EQ(s.DDColorMatch(s.FpSurface, CLR_INVALID), first);
  // A real colour: its stored form (white is 0xFFFF at 16 bits), with the
  // pixel put back afterwards.
  EXPECT_EQ(s.DDColorMatch(s.FpSurface, RGB(255, 255, 255)), 0xFFFFu);
  EXPECT_EQ(s.DDColorMatch(s.FpSurface, RGB(255, 0, 0)), 0xF800u);
  EXPECT_EQ(StoredPixel(s.FpSurface, 0, 0), first);
  // A surface that cannot be locked gives CLR_INVALID, and a key from it
  // matches no pixel: everything is drawn.
  hb->FailOnce(Op::Lock, DDERR_GENERIC);
  s.SetTransparency(true);
  EXPECT_EQ(errors, 0);
  s.DrawImage();
  EXPECT_EQ(Back(0, 0), Stored(0x336699));
  s.CloseSurface();
}

TEST_F(SpriteTest, BlitFailureReleasesTheSurfaceAndLaterDrawsReportIt) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  Attach(s);
  const Picture p = PatternPicture(5, 5);
  s.SetBitmap(&p);
  s.CreateSurface();
  // "Still drawing" is waited out.
  hb->FailNext(Op::BltFast, DDERR_WASSTILLDRAWING, 3);
  s.DrawImage();
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(Back(1, 1), p.Pixel(1, 1));

  hb->FailOnce(Op::BltFast, DDERR_SURFACELOST);
  s.DrawImage();
  EXPECT_EQ(s.GetErrorResult(), "eFDDBACK->BltFast (BMP)");
  EXPECT_EQ(s.LastResult(), DDERR_SURFACELOST);
  EXPECT_EQ(s.FpSurface, nullptr);
  ASSERT_EQ(surface_at_error.size(), 1u);
  EXPECT_FALSE(surface_at_error[0]);

  s.DrawImage();
  EXPECT_EQ(s.GetErrorResult(), "eFpSurface==NULL");
  s.SetErrorResult("");
  s.DrawAni();
  EXPECT_EQ(s.GetErrorResult(), "eFpSurface==NULL");
  s.SetTransparency(true);
  EXPECT_EQ(s.GetErrorResult(), "eFpSurface==NULL");
  EXPECT_FALSE(s.Transparency());
  EXPECT_EQ(errors, 4);

  // Recreated, the sprite draws again.
  s.CreateSurface();
  s.DrawImage();
  EXPECT_EQ(errors, 4);
  s.CloseSurface();
}

TEST_F(SpriteTest, DrawsWithoutBackBufferCopyAreReported) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  Attach(s);
  const Picture p = PatternPicture(5, 5);
  s.SetBitmap(&p);
  s.CreateSurface();
  s.FDDBACK = nullptr;
  s.DrawImage();
  EXPECT_EQ(s.GetErrorResult(), "eFDDBACK==NULL");
  s.SetTransparency(true);
  EXPECT_EQ(s.GetErrorResult(), "eFDDBACK==NULL");
  EXPECT_FALSE(s.Transparency());
  EXPECT_NE(s.FpSurface, nullptr);
  EXPECT_EQ(errors, 2);
  s.CloseSurface();
}

TEST_F(SpriteTest, RefusedColourKeyReleasesTheSurface) {
  Open(40, 30, 32);
  TDDbmp s(form.get());
  Attach(s);
  const Picture p = PatternPicture(5, 5);
  s.SetBitmap(&p);
  s.CreateSurface();
  hb->FailOnce(Op::SetColorKey, DDERR_GENERIC);
  s.SetTransparency(true);
  EXPECT_EQ(s.GetErrorResult(), "eSetColorKey (BMP)");
  EXPECT_EQ(s.FpSurface, nullptr);
  EXPECT_TRUE(s.Transparency());
  EXPECT_EQ(errors, 1);
}

// A page with a colour-keyed sprite over a picture, as the viewer would see
// it. With SANDLOOP_REVIEW_DIR set the page is also written there as
// sprite_keyed.png.
TEST_F(SpriteTest, KeyedSpriteOverAPictureOnThePresentedPage) {
  Open(800, 600, 32);
  Picture sky(800, 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      sky.SetPixel(x, y, (static_cast<std::uint32_t>(40 + y / 5) << 16) | (static_cast<std::uint32_t>(90 + y / 6) << 8) |
                             static_cast<std::uint32_t>(250 - y / 4));
  TDDbmp ground(form.get());
  Attach(ground);
  ground.SetBitmap(&sky);
  ground.CreateSurface();

  // A sun-and-palm sprite on a magenta key colour.
  const std::uint32_t key = 0xFF00FF;
  Picture art(160, 160, key);
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 160; ++x) {
      const int dx = x - 80, dy = y - 60;
      if (dx * dx + dy * dy < 45 * 45) art.SetPixel(x, y, 0xFFD030);
      if (x >= 74 && x < 86 && y >= 60) art.SetPixel(x, y, 0x6B4226);
      if (y >= 60 && y < 70 && std::abs(x - 80) < (70 - y) * 8) art.SetPixel(x, y, 0x1E8C32);
    }
  TDDbmp sprite(form.get());
  Attach(sprite);
  sprite.SetBitmap(&art);
  sprite.SetStretching(true);
  sprite.SetStretchWidth(320);
  sprite.SetStretchHeight(320);
  sprite.CreateSurface();
  sprite.SetTransparency(true);

  dd->ClearBackSurface();
  ground.DrawImage();
  sprite.SetShowX(240);
  sprite.SetShowY(200);
  sprite.DrawImage();
  dd->FlipSurfaces();
  EXPECT_EQ(errors, 0);

  const Picture& screen = hb->Screen();
  ASSERT_EQ(screen.Width(), 800);
  EXPECT_EQ(screen.Pixel(240, 200), sky.Pixel(240, 200));            // keyed corner shows the sky
  EXPECT_EQ(screen.Pixel(240 + 160, 200 + 80), 0xFFD030u);           // sun
  EXPECT_EQ(screen.Pixel(240 + 160, 200 + 300), 0x6B4226u);          // trunk
  EXPECT_EQ(screen.Pixel(240 + 10, 200 + 300), sky.Pixel(250, 500));  // keyed beside the trunk
  EXPECT_EQ(screen.Pixel(799, 599), 0u);  // the last column and row stay clear
  if (const char* dir = std::getenv("SANDLOOP_REVIEW_DIR")) {
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(WritePng(screen, std::string(dir) + "/sprite_keyed.png"));
  }
  ground.CloseSurface();
  sprite.CloseSurface();
}

}  // namespace
}  // namespace sandloop

namespace sandloop {
namespace {

TEST_F(SpriteTest, ASharedSurfaceDrawsTheSameOnAnotherDeviceAndOutlivesItsMaker) {
  Open(40, 30, 32);
  testing::TestForm other_form(*hb);
  TDDmain other(&other_form);
  other.SetWidth(40);
  other.SetHeight(30);
  other.SetColorDepth(32);
  other.SetEnabled(true);
  ASSERT_NE(other.FpDDSBack, nullptr);
  testing::FillSurface(other.FpDDSBack, 0);

  Picture p = PatternPicture(6, 4);
  p.SetPixel(0, 0, 0x0000FF);  // the key colour, left out when drawn
  TDDbmp maker(form.get()), sharer(&other_form);
  Attach(maker);
  maker.SetBitmap(&p);
  maker.CreateSurface();
  maker.SetTransparency(true);
  maker.SetShowX(3);
  maker.SetShowY(2);
  sharer.DDmainModule = &other;
  sharer.ShareSurface(maker);
  ASSERT_EQ(sharer.FpSurface, maker.FpSurface);
  EXPECT_EQ(sharer.FDDBACK, other.FpDDSBack);
  EXPECT_TRUE(sharer.Transparency());

  maker.CloseSurface();  // the maker goes first: the sharer still draws
  sharer.DrawImage();
  EXPECT_EQ(StoredPixel(other.FpDDSBack, 3, 2), 0u);  // keyed out
  for (int y = 0; y < 4; ++y)
    for (int x = (y == 0 ? 1 : 0); x < 6; ++x)
      ASSERT_EQ(StoredPixel(other.FpDDSBack, 3 + x, 2 + y), p.Pixel(x, y)) << x << "," << y;
  sharer.CloseSurface();
  EXPECT_EQ(sharer.FpSurface, nullptr);

  // Nothing to share: reported, nothing held.
  TDDbmp empty(form.get());
  Attach(sharer);
  sharer.DDmainModule = &other;
  sharer.ShareSurface(empty);
  EXPECT_EQ(sharer.FpSurface, nullptr);
  EXPECT_EQ(messages.back(), "eFpSurface==NULL");
  other.SetEnabled(false);
}

}  // namespace
}  // namespace sandloop
