// The animation strip: frame counting, one surface per frame, per-frame
// colour keys, the shared clipping and every reported failure (what it
// shares with the sprite: test_ddbmp_ddani.cpp).
#include <array>

#include "kit/Clip.h"
#include "kit/DDani.h"
#include "kit/ddraw/gdi.h"
#include "tests/kit/SpriteTestSupport.h"

namespace sandloop {
namespace {

using display::Op;
using testing::PatternPicture;
using testing::StoredPixel;

class StripTest : public testing::ComponentTest<TDDani> {
 protected:
  // Opens the device again at a mode the display is given for the test.
  void OpenAnyMode(int w, int h, int bpp) {
    auto modes = hb->Modes();
    modes.push_back({w, h, bpp});
    hb->SetModes(modes);
    dd->SetEnabled(false);
    Open(w, h, bpp);
  }
  int Filled(const TDDani& a) const {
    int n = 0;
    for (auto* s : a.FpSurface) n += s != nullptr;
    return n;
  }
};

TEST_F(StripTest, ConstructorDefaults) {
  TDDani a(form.get());
  EXPECT_EQ(a.FrameCount(), 0);
  EXPECT_EQ(Filled(a), 0);
}

TEST_F(StripTest, FrameCountsDropThePartialBand) {
  Open(40, 30, 32);
  for (auto [height, offset, frames] :
       {std::tuple{3312, 23, 144}, {480, 30, 16}, {4800, 160, 30}, {100, 30, 3}, {29, 30, 0}}) {
    TDDani a(form.get());
    Attach(a);
    const Picture p(2, height, 0x102030);
    a.SetBitmap(&p);
    a.SetYOffsetFrame(offset);
    a.CreateSurface();
    EXPECT_EQ(a.FrameCount(), frames) << height << "/" << offset;
    EXPECT_EQ(Filled(a), frames);
    a.CloseSurface();
    EXPECT_EQ(Filled(a), 0);
    EXPECT_EQ(a.FrameCount(), frames) << "the count survives CloseSurface";
  }
  EXPECT_EQ(errors, 0);
}

TEST_F(StripTest, TwoHundredFramesAreBuiltAndTwoHundredAndOneAreRefused) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  Picture p(1, 200);
  a.SetBitmap(&p);
  a.SetYOffsetFrame(1);
  a.CreateSurface();
  EXPECT_EQ(a.FrameCount(), 200);
  EXPECT_EQ(Filled(a), 200);
  EXPECT_EQ(errors, 0);
  a.CloseSurface();

  p = Picture(1, 201);
  a.SetBitmap(&p);
  a.CreateSurface();
  EXPECT_EQ(a.GetErrorResult(), "TOO match sprites");
  EXPECT_EQ(a.FrameCount(), 201);
  EXPECT_EQ(Filled(a), 0);
  // Keys are set for no frame, but the flags and Transparency are.
  const int keys = hb->Calls(Op::SetColorKey);
  a.SetTransparency(true);
  EXPECT_EQ(hb->Calls(Op::SetColorKey), keys);
  EXPECT_TRUE(a.Transparency());
  EXPECT_EQ(a.BlitFlags(), DDBLTFAST_SRCCOLORKEY);
  EXPECT_EQ(errors, 1);
}

TEST_F(StripTest, EachFrameSurfaceHoldsItsBand) {
  Open(40, 30, 24);
  TDDani a(form.get());
  Attach(a);
  const Picture p = PatternPicture(5, 12);  // 4 frames of 3 rows
  a.SetBitmap(&p);
  a.SetYOffsetFrame(3);
  a.CreateSurface();
  ASSERT_EQ(a.FrameCount(), 4);
  for (int f = 0; f < 4; ++f) {
    ASSERT_EQ(testing::SurfaceSize(a.FpSurface[f]), std::make_pair(5, 3));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(StoredPixel(a.FpSurface[f], x, y), p.Pixel(x, f * 3 + y));
  }
  // Drawn at (4, 6): the frame's own rows.
  a.SetNumberFrame(2);
  a.SetShowX(4);
  a.SetShowY(6);
  a.DrawAni();
  EXPECT_EQ(Back(4, 6), Stored(p.Pixel(0, 6)));
  EXPECT_EQ(Back(8, 8), Stored(p.Pixel(4, 8)));
  EXPECT_EQ(Back(4, 9), 0u);
  // y = -1 cuts the frame's first row.
  testing::FillSurface(dd->FpDDSBack, 0);
  a.SetShowY(-1);
  a.DrawAni();
  EXPECT_EQ(Back(4, 0), Stored(p.Pixel(0, 7)));
  EXPECT_EQ(Back(4, 1), Stored(p.Pixel(0, 8)));
  EXPECT_EQ(Back(4, 2), 0u);
  EXPECT_EQ(errors, 0);
  a.CloseSurface();
}

// Frames cut ahead make the very frames the picture makes: the same pixels
// and the same changes, keyed or not. The frames are the picture's own
// rows; at 32 bits each frame's surface takes them over, at 16 bits it
// holds them converted. Frames of another height than the strip's are left
// aside for the picture.
TEST_F(StripTest, FramesCutAheadAreTheFramesThePictureMakes) {
  using Box = std::array<int, 4>;
  auto box = [](const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; };
  for (int bpp : {32, 16}) {
    OpenAnyMode(40, 30, bpp);
    // Three frames of 6 x 4 and a row left over; the third frame keys on
    // another colour than the second, the first repeats the last's rows.
    Picture p = PatternPicture(6, 13);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) p.SetPixel(x, y, p.Pixel(x, 8 + y));
    p.SetPixel(2, 1, 0x123456);
    p.SetPixel(0, 8, 0xABCDEF);
    TDDani picture_made(form.get()), cut_made(form.get());
    for (TDDani* a : {&picture_made, &cut_made}) {
      Attach(*a);
      a->SetYOffsetFrame(4);
      a->SetShowX(3);
      a->SetShowY(2);
    }
    picture_made.SetBitmap(&p);
    picture_made.CreateSurface();
    Picture copy = p;
    const auto* rows = reinterpret_cast<const std::uint8_t*>(copy.Row(0));
    TDDani::Frames frames = TDDani::CutFrames(copy, 4);
    ASSERT_EQ(frames.pixels.size(), 3u);
    EXPECT_TRUE(copy.Empty());
    std::vector<const std::uint8_t*> memory;
    for (display::SurfacePixels& f : frames.pixels) memory.push_back(f.words.data());
    EXPECT_EQ(memory, (std::vector<const std::uint8_t*>{rows, rows + 6 * 4 * 4, rows + 2 * 6 * 4 * 4}));
    cut_made.SetFramesAhead(std::move(frames));
    cut_made.CreateSurface();
    ASSERT_EQ(cut_made.FrameCount(), 3) << bpp;
    for (int f = 0; f < 3; ++f) {
      ASSERT_EQ(testing::SurfaceSize(cut_made.FpSurface[f]), std::make_pair(6, 4));
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
          ASSERT_EQ(StoredPixel(cut_made.FpSurface[f], x, y), StoredPixel(picture_made.FpSurface[f], x, y))
              << bpp << " frame " << f;
      DDSURFACEDESC d{};
      d.dwSize = sizeof d;
      ASSERT_EQ(cut_made.FpSurface[f]->Lock(nullptr, &d, 0, nullptr), DD_OK);
      EXPECT_EQ(d.lpSurface == memory[static_cast<std::size_t>(f)], bpp == 32) << bpp;
      cut_made.FpSurface[f]->Unlock(nullptr);
    }
    for (bool keyed : {false, true}) {
      picture_made.SetTransparency(keyed);
      cut_made.SetTransparency(keyed);
      for (int from = 0; from < 3; ++from)
        for (int to = 0; to < 3; ++to)
          EXPECT_EQ(box(cut_made.ChangedRect(from, to)), box(picture_made.ChangedRect(from, to)))
              << bpp << " " << keyed << " " << from << "->" << to;
    }
    cut_made.SetNumberFrame(2);
    cut_made.DrawAni();
    EXPECT_EQ(Back(3 + 2, 2 + 1), Stored(p.Pixel(2, 9)));

    // Frames live on when the others are gone: the strip's memory goes
    // with its last frame.
    cut_made.FpSurface[0]->Release();
    cut_made.FpSurface[0] = nullptr;
    cut_made.FpSurface[2]->Release();
    cut_made.FpSurface[2] = nullptr;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x)
        ASSERT_EQ(StoredPixel(cut_made.FpSurface[1], x, y), StoredPixel(picture_made.FpSurface[1], x, y)) << bpp;

    // Copied, the frames are the same frames, each in memory of its own.
    Picture again = p;
    TDDani::Frames copied = TDDani::CutFrames(again, 4, TDDani::FrameMemory::Copied);
    EXPECT_TRUE(again.Empty());
    ASSERT_EQ(copied.pixels.size(), 3u);
    for (display::SurfacePixels& f : copied.pixels) EXPECT_EQ(f.words.size(), 6u * 4 * 4 + 4);
    cut_made.SetFramesAhead(std::move(copied));
    cut_made.CreateSurface();
    ASSERT_EQ(cut_made.FrameCount(), 3);
    for (int f = 0; f < 3; ++f)
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
          ASSERT_EQ(StoredPixel(cut_made.FpSurface[f], x, y), StoredPixel(picture_made.FpSurface[f], x, y))
              << bpp << " copied frame " << f;
    EXPECT_EQ(box(cut_made.ChangedRect(0, 2)), box(picture_made.ChangedRect(0, 2)));

    // One frame: the picture's memory becomes the frame.
    Picture one = PatternPicture(6, 4, 0x11);
    const Picture kept = one;
    const std::uint8_t* own = reinterpret_cast<const std::uint8_t*>(one.Row(0));
    TDDani::Frames single = TDDani::CutFrames(one, 4);
    EXPECT_TRUE(one.Empty());
    ASSERT_EQ(single.pixels.size(), 1u);
    EXPECT_EQ(single.pixels[0].words.data(), own);
    EXPECT_EQ(box(single.changes[0]), Box{});
    cut_made.SetFramesAhead(std::move(single));
    cut_made.CreateSurface();
    ASSERT_EQ(cut_made.FrameCount(), 1);
    EXPECT_EQ(StoredPixel(cut_made.FpSurface[0], 5, 3), Stored(kept.Pixel(5, 3)));

    // Frames one row short of the strip's frames: cut from the picture.
    Picture short_frames = PatternPicture(6, 6, 0x22);
    cut_made.SetBitmap(&p);
    cut_made.SetFramesAhead(TDDani::CutFrames(short_frames, 3));
    cut_made.CreateSurface();
    ASSERT_EQ(cut_made.FrameCount(), 3);
    EXPECT_EQ(StoredPixel(cut_made.FpSurface[1], 2, 1), StoredPixel(picture_made.FpSurface[1], 2, 1));
    EXPECT_EQ(errors, 0);
    picture_made.CloseSurface();
    cut_made.CloseSurface();
  }
}

// No whole frame, no frame height or more frames than a strip holds: no
// frames, and the picture is left for CreateSurface to report.
TEST_F(StripTest, APictureThatIsNoStripIsNotCut) {
  Picture low = PatternPicture(6, 3), tall = PatternPicture(2, TDDani::kMaxFrames + 1);
  EXPECT_TRUE(TDDani::CutFrames(low, 4).Empty());
  EXPECT_TRUE(TDDani::CutFrames(low, 0).Empty());
  EXPECT_TRUE(TDDani::CutFrames(tall, 1).Empty());
  EXPECT_EQ(low.Height(), 3);
  EXPECT_EQ(tall.Height(), TDDani::kMaxFrames + 1);
  EXPECT_EQ(TDDani::CutFrames(tall, 2).pixels.size(), static_cast<std::size_t>(TDDani::kMaxFrames / 2));
}

// A frame cut ahead that cannot become a surface is reported; the others
// are still made.
TEST_F(StripTest, AFailingFrameCutAheadDoesNotStopTheOthers) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  Picture p = PatternPicture(3, 8);
  a.SetYOffsetFrame(2);
  a.SetFramesAhead(TDDani::CutFrames(p, 2));
  hb->FailOnce(Op::CreateSurface, DDERR_OUTOFMEMORY);
  a.CreateSurface();
  EXPECT_EQ(a.GetErrorResult(), "Error CreateSurfaceANI");
  EXPECT_EQ(a.FpSurface[0], nullptr);
  EXPECT_EQ(Filled(a), 3);
  EXPECT_EQ(a.FrameCount(), 4);
  a.CloseSurface();
}

TEST_F(StripTest, StretchedFramesKeepTheirSizeAndAreStretchedAsDrawn) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  const Picture p = PatternPicture(46, 69);  // 3 frames of 46 x 23
  a.SetBitmap(&p);
  a.SetYOffsetFrame(23);
  a.SetStretching(true);
  a.SetStretchWidth(24);
  a.SetStretchHeight(12);
  a.CreateSurface();
  ASSERT_EQ(a.FrameCount(), 3);
  for (int f = 0; f < 3; ++f) EXPECT_EQ(testing::SurfaceSize(a.FpSurface[f]), std::make_pair(46, 23));
  a.SetNumberFrame(1);
  a.SetShowX(3);
  a.SetShowY(2);
  a.DrawAni();
  // 24 x 12 at (3, 2), nearest neighbour from the band.
  EXPECT_EQ(Back(3, 2), p.Pixel(0, 23));
  EXPECT_EQ(Back(3 + 23, 2 + 11), p.Pixel(23 * 46 / 24, 23 + 11 * 23 / 12));
  EXPECT_EQ(Back(3 + 24, 2), 0u);
  EXPECT_EQ(Back(3, 2 + 12), 0u);
  EXPECT_EQ(errors, 0);
  a.CloseSurface();
}

// Every stored value of the back buffer, row by row.
std::vector<std::uint32_t> AllPixels(IDirectDrawSurface* s) {
  const auto [w, h] = testing::SurfaceSize(s);
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  std::vector<std::uint32_t> out;
  if (s->Lock(nullptr, &d, 0, nullptr) != DD_OK) return out;
  const int bpp = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount);
  out.reserve(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.push_back(display::LoadPixel(
          static_cast<const std::uint8_t*>(d.lpSurface) + static_cast<std::ptrdiff_t>(y) * d.lPitch + x * (bpp / 8),
          bpp));
  s->Unlock(nullptr);
  return out;
}

// A strip stretched as it is drawn puts the very pixels that a frame kept
// at the stretched size put: a surf band (800 x 160 frames) at the width of
// the screen and 160/600 of its height, low on the screen, at the designed
// modes and on larger screens, at every depth; also where the clip
// rectangle of a partial redraw or the screen's left edge cuts it, and
// keyed.
TEST_F(StripTest, StretchingWhenDrawnDrawsWhatAStretchedFrameDraws) {
  struct Case {
    int w, h, bpp;
    int x;          // ShowX
    bool keyed;
    RECT clip;      // empty: none
  };
  const Case cases[] = {
      {800, 600, 16, 0, false, {}},    {800, 600, 24, 0, false, {}},     {800, 600, 32, 0, false, {}},
      {1024, 768, 16, 0, false, {}},   {1024, 768, 24, 0, false, {}},    {1024, 768, 32, 0, false, {}},
      {1280, 1024, 16, 0, false, {}},  {1280, 1024, 24, 0, false, {}},   {1280, 1024, 32, 0, false, {}},
      {1920, 1080, 32, 0, false, {}},  {3840, 2160, 32, 0, false, {}},   {1920, 1080, 16, -37, true, {}},
      {1024, 768, 24, 0, false, {301, 600, 777, 700}},                   {1280, 1024, 32, -5, true, {0, 0, 1279, 900}},
  };
  // Frames of 800 x 160 whose pixels all differ (the key among them).
  Picture strip(800, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 800; ++x)
      strip.SetPixel(x, y, (static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 40503u) &
                               0xFFFFFFu);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << "x" << c.bpp << " at " << c.x);
    OpenAnyMode(c.w, c.h, c.bpp);
    const int sw = c.w, sh = c.h * 160 / 600, y = c.h * 440 / 600;
    TDDani a(form.get());
    Attach(a);
    a.SetBitmap(&strip);
    a.SetYOffsetFrame(160);
    a.SetStretching(true);
    a.SetStretchWidth(sw);
    a.SetStretchHeight(sh);
    a.CreateSurface();
    if (c.keyed) a.SetTransparency(true);
    a.SetNumberFrame(1);
    a.SetShowX(c.x);
    a.SetShowY(y);
    const bool clipped = c.clip.right > c.clip.left;
    testing::FillSurface(dd->FpDDSBack, 0x5A5A5A);
    if (clipped) dd->FpDDSBack->SetClipRect(&c.clip);
    a.DrawAni();
    dd->FpDDSBack->SetClipRect(nullptr);
    const std::vector<std::uint32_t> drawn = AllPixels(dd->FpDDSBack);

    // The same frame kept at the stretched size, drawn by a plain blit.
    IDirectDrawSurface* kept = nullptr;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = static_cast<DWORD>(sw);
    desc.dwHeight = static_cast<DWORD>(sh);
    ASSERT_EQ(dd->FpDD->CreateSurface(&desc, &kept, nullptr), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(kept->GetDC(&dc), DD_OK);
    StretchDrawPictureBand(dc, RECT{0, 0, sw, sh}, strip, 160, 160);
    kept->ReleaseDC(dc);
    if (c.keyed) {
      DDCOLORKEY key;
      key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = testing::StoredPixel(kept, 0, 0);
      kept->SetColorKey(DDCKEY_SRCBLT, &key);
    }
    testing::FillSurface(dd->FpDDSBack, 0x5A5A5A);
    if (clipped) dd->FpDDSBack->SetClipRect(&c.clip);
    const ClippedBlit blit = ClipToScreen(c.w, c.h, c.x, y, RECT{0, 0, sw, sh});
    ASSERT_TRUE(blit.draw);
    EXPECT_EQ(dd->FpDDSBack->BltFast(static_cast<DWORD>(blit.dst_x), static_cast<DWORD>(blit.dst_y), kept, &blit.src,
                                     c.keyed ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY),
              DD_OK);
    dd->FpDDSBack->SetClipRect(nullptr);
    kept->Release();
    const std::vector<std::uint32_t> expected = AllPixels(dd->FpDDSBack);
    ASSERT_EQ(drawn.size(), expected.size());
    std::size_t first_difference = drawn.size();
    for (std::size_t i = 0; i < drawn.size() && first_difference == drawn.size(); ++i)
      if (drawn[i] != expected[i]) first_difference = i;
    EXPECT_EQ(first_difference, drawn.size()) << "first difference at (" << first_difference % c.w << ", "
                                              << first_difference / c.w << ")";
    EXPECT_EQ(errors, 0);
    a.CloseSurface();
  }
}

// The changed rectangle of two frames holds every pixel in which the strip
// drawn at one differs from it drawn at the other, through the frames in
// between and around the end of the strip, at its own size and stretched
// by odd factors; a frame that is not there asks for the whole strip.
TEST_F(StripTest, TheChangedRectHoldsEveryPixelInWhichTwoFramesDiffer) {
  OpenAnyMode(120, 60, 32);
  // Four frames of 40 x 10: the second paints a box, the third a pixel
  // more, the fourth is the third again.
  Picture p(40, 40, 0x203040);
  for (int f = 1; f < 4; ++f)
    for (int y = 2; y < 5; ++y)
      for (int x = 5; x < 9; ++x) p.SetPixel(x, f * 10 + y, 0xA0B0C0);
  p.SetPixel(30, 29, 0xFF0000);
  p.SetPixel(30, 39, 0xFF0000);
  // Rectangles as four numbers, so that a failure shows them.
  using Box = std::array<int, 4>;
  auto box = [](const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; };
  for (auto [w, h] : {std::pair{40, 10}, {97, 23}}) {
    TDDani a(form.get());
    Attach(a);
    a.SetBitmap(&p);
    a.SetYOffsetFrame(10);
    a.SetStretching(true);
    a.SetStretchWidth(w);
    a.SetStretchHeight(h);
    a.CreateSurface();
    a.SetShowX(7);
    a.SetShowY(3);
    ASSERT_EQ(a.FrameCount(), 4);
    const RECT whole{7, 3, 7 + w, 3 + h};
    EXPECT_EQ(box(a.ChangedRect(-1, 0)), box(whole));
    EXPECT_EQ(box(a.ChangedRect(0, 4)), box(whole));
    EXPECT_EQ(box(a.ChangedRect(2, 2)), Box{});
    EXPECT_EQ(box(a.ChangedRect(2, 3)), Box{});
    if (w == 40) {
      EXPECT_EQ(box(a.ChangedRect(0, 1)), (Box{12, 5, 16, 8}));
      EXPECT_EQ(box(a.ChangedRect(1, 2)), (Box{37, 12, 38, 13}));
      EXPECT_EQ(box(a.ChangedRect(0, 3)), (Box{12, 5, 38, 13}));
      EXPECT_EQ(box(a.ChangedRect(3, 1)), (Box{12, 5, 38, 13}));
    }
    for (int from = 0; from < 4; ++from) {
      for (int to = 0; to < 4; ++to) {
        const RECT c = a.ChangedRect(from, to);
        std::vector<std::uint32_t> before;
        for (int f : {from, to}) {
          a.SetNumberFrame(f);
          a.DrawAni();
          if (f == from && before.empty()) {
            for (int y = 0; y < 60; ++y)
              for (int x = 0; x < 120; ++x) before.push_back(Back(x, y));
          }
        }
        int outside = 0, differing = 0;
        for (int y = 0; y < 60; ++y)
          for (int x = 0; x < 120; ++x) {
            if (Back(x, y) == before[static_cast<std::size_t>(y) * 120 + x]) continue;
            ++differing;
            outside += x < c.left || x >= c.right || y < c.top || y >= c.bottom;
          }
        EXPECT_EQ(outside, 0) << w << "x" << h << " frames " << from << " to " << to;
        if (from != to && from + to != 5) {  // frames 2 and 3 are alike
          EXPECT_GT(differing, 0) << from << " to " << to;
        }
      }
    }
    a.CloseSurface();
  }
  // Keyed, a frame whose key is not the one before may show the same colour
  // where the other left it out: the whole strip counts as changed.
  Picture keyed(40, 20, 0x203040);
  keyed.SetPixel(0, 10, 0x00FF00);  // the second frame's key
  keyed.SetPixel(20, 15, 0x00FF00);
  TDDani k(form.get());
  Attach(k);
  k.SetBitmap(&keyed);
  k.SetYOffsetFrame(10);
  k.CreateSurface();
  k.SetShowX(7);
  k.SetShowY(3);
  EXPECT_EQ(box(k.ChangedRect(0, 1)), (Box{7, 3, 28, 9})) << "unkeyed, only the pixels that differ";
  k.SetTransparency(true);
  EXPECT_EQ(box(k.ChangedRect(0, 1)), (Box{7, 3, 47, 13}));
  k.CloseSurface();
  EXPECT_EQ(errors, 0);
}

TEST_F(StripTest, EveryFrameHasItsOwnKey) {
  for (int bpp : {16, 24, 32}) {
    SCOPED_TRACE(bpp);
    dd->SetEnabled(false);
    Open(40, 30, bpp);
    TDDani a(form.get());
    Attach(a);
    // Frame 0 keyed on red, frame 1 on green; each frame also holds the
    // other frame's key colour, which it must draw.
    Picture p(4, 4, 0x808080);
    p.SetPixel(0, 0, 0xFF0000);
    p.SetPixel(2, 1, 0xFF0000);
    p.SetPixel(3, 1, 0x00FF00);
    p.SetPixel(0, 2, 0x00FF00);
    p.SetPixel(2, 3, 0x00FF00);
    p.SetPixel(3, 3, 0xFF0000);
    a.SetBitmap(&p);
    a.SetYOffsetFrame(2);
    a.CreateSurface();
    a.SetTransparency(true);
    const std::uint32_t bg = Stored(0x0000FF);
    for (int f = 0; f < 2; ++f) {
      testing::FillSurface(dd->FpDDSBack, bg);
      a.SetNumberFrame(f);
      a.SetShowX(1);
      a.SetShowY(1);
      a.DrawAni();
      EXPECT_EQ(Back(1, 1), bg) << "top-left of frame " << f;
      EXPECT_EQ(Back(3, 2), bg) << "keyed pixel of frame " << f;
      EXPECT_EQ(Back(4, 2), Stored(f == 0 ? 0x00FF00 : 0xFF0000)) << "the other frame's key";
      EXPECT_EQ(Back(2, 1), Stored(0x808080));
    }
    EXPECT_EQ(errors, 0);
    a.CloseSurface();
  }
}

TEST_F(StripTest, TransparencyBeforeCreateSurfaceDoesNothing) {
  TDDani a(form.get());
  Attach(a);
  a.SetTransparency(true);
  EXPECT_FALSE(a.Transparency());
  EXPECT_EQ(a.BlitFlags(), 0u);
  EXPECT_EQ(errors, 0);
}

TEST_F(StripTest, CreateSurfaceNeedsAFrameHeight) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  const Picture p(4, 8);
  a.SetBitmap(&p);
  a.CreateSurface();
  EXPECT_EQ(a.GetErrorResult(), "Not defined FYOffsetFrame");
  a.SetYOffsetFrame(-2);
  a.CreateSurface();
  EXPECT_EQ(a.GetErrorResult(), "Not defined FYOffsetFrame");
  EXPECT_EQ(Filled(a), 0);
  EXPECT_EQ(errors, 2);
}

TEST_F(StripTest, AFailingFrameDoesNotStopTheOthers) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  const Picture p = PatternPicture(3, 8);
  a.SetBitmap(&p);
  a.SetYOffsetFrame(2);
  hb->FailOnce(Op::CreateSurface, DDERR_OUTOFMEMORY);
  a.CreateSurface();
  EXPECT_EQ(a.GetErrorResult(), "Error CreateSurfaceANI");
  EXPECT_EQ(a.FpSurface[0], nullptr);
  EXPECT_EQ(Filled(a), 3);
  // A second build replaces every frame; this time the context of frame 0
  // and the key of frame 2 fail.
  hb->FailOnce(Op::GetDC, DDERR_CANTCREATEDC);
  a.CreateSurface();
  EXPECT_EQ(a.GetErrorResult(), "Error FpSurface->GetDC (ANI)");
  EXPECT_EQ(a.FpSurface[0], nullptr);
  EXPECT_EQ(Filled(a), 3);
  a.SetTransparency(true);  // frame 0 has no surface and is skipped
  EXPECT_EQ(errors, 2);
  a.SetTransparency(false);
  hb->FailOnce(Op::SetColorKey, DDERR_GENERIC);
  a.SetTransparency(true);
  EXPECT_EQ(a.GetErrorResult(), "Error SetColorKey (ANI)");
  EXPECT_EQ(errors, 3);
  EXPECT_EQ(a.FpSurface[1], nullptr);
  EXPECT_EQ(Filled(a), 2);
  a.CloseSurface();
}

TEST_F(StripTest, FailedBlitEmptiesOnlyThatFrame) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  const Picture p = PatternPicture(3, 9);
  a.SetBitmap(&p);
  a.SetYOffsetFrame(3);
  a.CreateSurface();
  a.SetNumberFrame(1);
  hb->FailOnce(Op::BltFast, DDERR_SURFACELOST);
  a.DrawAni();
  EXPECT_EQ(a.FpSurface[1], nullptr);
  EXPECT_EQ(Filled(a), 2);
  // The other frames still draw.
  a.SetNumberFrame(2);
  a.SetShowX(5);
  a.DrawAni();
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(Back(5, 0), p.Pixel(0, 6));
  a.CloseSurface();
}

TEST_F(StripTest, FramesOutsideTheStripAreReportedAndNotDrawn) {
  Open(40, 30, 32);
  TDDani a(form.get());
  Attach(a);
  const Picture p = PatternPicture(3, 6);
  a.SetBitmap(&p);
  a.SetYOffsetFrame(3);
  a.CreateSurface();
  const int blits = hb->Calls(Op::BltFast);
  for (int frame : {-1, 2, 199, 200, 100000}) {
    a.SetNumberFrame(frame);
    a.DrawAni();
    EXPECT_EQ(a.GetErrorResult(), "Error FpSurface==NULL") << frame;
  }
  EXPECT_EQ(hb->Calls(Op::BltFast), blits);
  EXPECT_EQ(errors, 5);
  a.CloseSurface();
}

}  // namespace
}  // namespace sandloop
