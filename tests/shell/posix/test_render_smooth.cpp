// Frames larger than the largest designed mode: the scenery drawn from its
// masters with soft edges (no key colour or dark fringe, edge pixels are
// blends, every piece at its place and size), and --exact-pixels keeping
// the designed stretch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "kit/RgbaPicture.h"
#include "scene/Layout.h"
#include "tests/shell/RenderedFrame.h"

namespace sandloop {
namespace {

constexpr int kFirstScenery = kSecondPlane, kLastScenery = kPlantRight;

int Channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

int Distance(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8) d = std::max(d, std::abs(Channel(a, shift) - Channel(b, shift)));
  return d;
}

// The scenery as the program makes it at one size: each piece's master
// scaled to its place, and for every screen pixel the top-most piece that
// covers it and how many pieces do.
struct Scenery {
  Scenery(int w, int h) : width(w), height(h), layout(SceneLayout(ShapeFor(w, h, false))) {
    top.assign(static_cast<std::size_t>(w) * h, -1);
    count.assign(static_cast<std::size_t>(w) * h, 0);
    for (int i = kFirstScenery; i <= kLastScenery; ++i) {
      const Placement& p = layout[static_cast<std::size_t>(i)];
      pictures.push_back(RgbaPicture::FromResource(MasterFor(i, p)).ScaledTo(p.width, p.height));
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
          const int sx = p.x + x, sy = p.y + y;
          if (sx < 0 || sy < 0 || sx >= w || sy >= h || Alpha(i, x, y) == 0) continue;
          top[Index(sx, sy)] = i;
          ++count[Index(sx, sy)];
        }
    }
  }
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width + x; }
  const RgbaPicture& Of(int i) const { return pictures[static_cast<std::size_t>(i - kFirstScenery)]; }
  int Alpha(int i, int x, int y) const { return Of(i).Row(y)[4 * x + 3]; }
  // Premultiplied colour of piece i at its own (x, y), as 0x00RRGGBB.
  std::uint32_t Colour(int i, int x, int y) const {
    const std::uint8_t* q = Of(i).Row(y) + 4 * x;
    return (std::uint32_t{q[0]} << 16) | (std::uint32_t{q[1]} << 8) | q[2];
  }

  // Its colour before it was multiplied by its alpha.
  std::uint32_t Straight(int i, int x, int y) const {
    const std::uint8_t* q = Of(i).Row(y) + 4 * x;
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) out = (out << 8) | static_cast<std::uint32_t>(q[3] == 0 ? 0 : std::min(255, q[c] * 255 / q[3]));
    return out;
  }

  int width, height;
  Layout layout;
  std::vector<RgbaPicture> pictures;
  std::vector<int> top, count;
};

// The colour that an area average of `master` scaled to w x h gives its
// pixel (x, y), worked out here in doubles: each source pixel weighs by the
// share of it that the output pixel's footprint covers. As 0x00RRGGBB.
std::uint32_t AreaAverage(const RgbaPicture& master, int w, int h, int x, int y) {
  const double fx = static_cast<double>(master.Width()) / w, fy = static_cast<double>(master.Height()) / h;
  const double x0 = x * fx, x1 = (x + 1) * fx, y0 = y * fy, y1 = (y + 1) * fy;
  double sum[3] = {0, 0, 0}, weight = 0;
  for (int sy = static_cast<int>(y0); sy < y1 && sy < master.Height(); ++sy) {
    const double wy = std::min<double>(sy + 1, y1) - std::max<double>(sy, y0);
    for (int sx = static_cast<int>(x0); sx < x1 && sx < master.Width(); ++sx) {
      const double wx = std::min<double>(sx + 1, x1) - std::max<double>(sx, x0);
      const std::uint8_t* q = master.Row(sy) + 4 * sx;
      for (int c = 0; c < 3; ++c) sum[c] += q[c] * wx * wy;
      weight += wx * wy;
    }
  }
  std::uint32_t out = 0;
  for (double v : sum) out = (out << 8) | static_cast<std::uint32_t>(std::lround(v / weight));
  return out;
}

class SmoothRenderTest : public test::RenderedFrameTest {
 protected:
  // A frame with nothing moving in front of the scenery and no tint.
  Picture Scene(const std::string& size, bool exact = false) {
    std::vector<std::string> args = {"--size", size, "--seed", "3", "--at", "2004-06-21 14:30:00"};
    for (const char* s : {"FlagShowEagles=0", "FlagShowButterfly=0", "flag_clock=0", "ShowRisSet=0", "flag_fps=0",
                          "FlagDaytime=0", "FlagDemoDaytime=0", "Gamma=256"}) {
      args.push_back("--set");
      args.push_back(s);
    }
    if (exact) args.push_back("--exact-pixels");
    return Frame(args);
  }
};

// Per piece: every opaque pixel is the piece's own colour at its place, and
// every soft edge pixel that lies over the backdrop or the surf alone is
// neither the key colour nor black.
// 1920 x 1080 and 3840 x 2160 draw from the masters painted at their
// scale, 3440 and 5120 x 1440 from the 2x masters.
TEST_F(SmoothRenderTest, PiecesLandAtTheirPlacesWithoutKeyOrDarkFringes) {
  // The places and masters below come from the scene's layout; these, worked
  // out by hand from the 1024 x 768 layout (scaled by height / 768 in both
  // directions and rounded; edge pieces against their edges, the middle
  // palm from the screen's middle), pin it down.
  struct Pinned {
    int width, height, index;
    const char* master;
    int x, y, w, h;
  };
  const Pinned pinned[] = {
      {1920, 1080, kPalmLeft, "PALMLEFT_X1_4", 0, 0, 426, 602},
      {1920, 1080, kSecondPlane, "SECONDPLANE_X1_4", 1189, 418, 731, 398},
      {3440, 1440, kPalmRight, "PALMRIGHT_X2", 2804, 0, 636, 735},
      {3440, 1440, kPlantRight, "PAPRIGHT_X2", 2714, 947, 726, 493},
      {3440, 1440, kSecondPlane, "SECONDPLANE_X2", 2465, 557, 975, 531},
      {5120, 1440, kPalmLeft, "PALMLEFT_X2", 0, 0, 568, 803},
      {5120, 1440, kStonesLeft, "STOUNLEFT_X2", 0, 1089, 744, 351},
      {5120, 1440, kPalmMiddle, "PALMMIDLE_X2", 2166, 0, 720, 296},
      {3840, 2160, kStonesLeft, "STOUNLEFT_X3", 0, 1634, 1117, 526},
      {3840, 2160, kPalmMiddle, "PALMMIDLE_X3", 1329, 0, 1080, 444},
  };
  for (auto [w, h] : {std::pair{1920, 1080}, {3440, 1440}, {5120, 1440}, {3840, 2160}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const Picture frame = Scene(std::to_string(w) + "x" + std::to_string(h));
    ASSERT_EQ(frame.Width(), w);
    const Scenery scenery(w, h);
    for (const Pinned& pin : pinned) {
      if (pin.width != w || pin.height != h) continue;
      const Placement& p = scenery.layout[static_cast<std::size_t>(pin.index)];
      EXPECT_EQ(MasterFor(pin.index, p), pin.master);
      EXPECT_EQ(p.x, pin.x) << pin.master;
      EXPECT_EQ(p.y, pin.y) << pin.master;
      EXPECT_EQ(p.width, pin.w) << pin.master;
      EXPECT_EQ(p.height, pin.h) << pin.master;
    }
    for (int i = kFirstScenery; i <= kLastScenery; ++i) {
      SCOPED_TRACE(scenery.layout[static_cast<std::size_t>(i)].resource);
      const Placement& p = scenery.layout[static_cast<std::size_t>(i)];
      int opaque = 0, wrong = 0, edges = 0, fringe = 0, averaged = 0, off_average = 0;
      const RgbaPicture master = RgbaPicture::FromResource(MasterFor(i, p));
      // Nothing is drawn into the screen's last column and row.
      for (int y = 0; y < p.height && p.y + y < h - 1; ++y)
        for (int x = 0; x < p.width && p.x + x < w - 1; ++x) {
          const int sx = p.x + x, sy = p.y + y;
          const int a = scenery.Alpha(i, x, y);
          if (scenery.top[scenery.Index(sx, sy)] != i) continue;
          const std::uint32_t seen = frame.Pixel(sx, sy);
          if (a == 255) {
            ++opaque;
            wrong += seen != scenery.Colour(i, x, y);
            // Now and then, against an area average of the master.
            if (opaque % 97 == 0) {
              ++averaged;
              off_average += Distance(seen, AreaAverage(master, p.width, p.height, x, y)) > 1;
            }
          } else if (scenery.count[scenery.Index(sx, sy)] == 1) {
            ++edges;
            // Near black where the piece itself is not dark: black showing
            // through a soft edge.
            const bool dark = Distance(seen, 0x000000) < 24 && Distance(scenery.Straight(i, x, y), 0x000000) >= 48;
            fringe += Distance(seen, 0xFF00FF) < 96 || dark;
          }
        }
      EXPECT_GT(opaque, p.width * p.height / 10);
      EXPECT_EQ(wrong, 0) << "of " << opaque << " opaque pixels";
      EXPECT_GT(averaged, 50);
      EXPECT_EQ(off_average, 0) << "of " << averaged << " pixels checked against an area average";
      EXPECT_GT(edges, 100);
      EXPECT_EQ(fringe, 0) << "of " << edges << " edge pixels";
    }
  }
}

// The fronds against the sky: an edge pixel is the frond's colour over the
// sky beside it, in the share of its coverage.
TEST_F(SmoothRenderTest, PalmEdgesAreBlendsOfFrondAndSky) {
  const int w = 3840, h = 2160;
  const Picture frame = Scene("3840x2160");
  const Scenery scenery(w, h);
  int checked = 0, blends = 0, hard = 0;
  for (int i : {kPalmLeft, kPalmMiddle, kPalmRight}) {
    const Placement& p = scenery.layout[static_cast<std::size_t>(i)];
    for (int y = 0; y < std::min(p.height, h * 300 / 768); ++y)
      for (int x = 3; x + 3 < p.width && p.x + x < w - 4; ++x) {
        const int sx = p.x + x, sy = p.y + y, a = scenery.Alpha(i, x, y);
        if (a < 48 || a > 208 || scenery.count[scenery.Index(sx, sy)] != 1) continue;
        // The sky a few pixels away, where no piece covers it and the
        // backdrop is plain there (not the far palms on the headland).
        int bx = -1;
        for (int d : {-3, 3, -4, 4}) {
          const int e = d < 0 ? d - 1 : d + 1;
          if (sx + e < 0 || sx + e >= w || scenery.count[scenery.Index(sx + d, sy)] != 0 ||
              scenery.count[scenery.Index(sx + e, sy)] != 0)
            continue;
          if (Distance(frame.Pixel(sx + d, sy), frame.Pixel(sx + e, sy)) <= 4) bx = sx + d;
        }
        if (bx < 0) continue;
        const std::uint32_t sky = frame.Pixel(bx, sy), seen = frame.Pixel(sx, sy);
        const std::uint32_t frond = scenery.Colour(i, x, y);
        std::uint32_t expect = 0, solid = 0;
        for (int shift = 0; shift < 24; shift += 8) {
          const int c = Channel(frond, shift) + (Channel(sky, shift) * (255 - a) + 127) / 255;
          expect |= static_cast<std::uint32_t>(std::min(c, 255)) << shift;
          solid |= static_cast<std::uint32_t>(std::min(255, Channel(frond, shift) * 255 / a)) << shift;
        }
        ++checked;
        blends += Distance(seen, expect) <= 10;
        // A hard edge would show the frond's own colour or the sky.
        hard += Distance(solid, sky) > 60 && (Distance(seen, solid) <= 4 || Distance(seen, sky) <= 4);
      }
  }
  EXPECT_GT(checked, 1000);
  EXPECT_GE(blends, checked * 95 / 100) << "of " << checked;
  EXPECT_LE(hard, checked / 100) << "of " << checked;
}

// --exact-pixels: the left palm is its 8-bit bitmap stretched by the
// nearest pixel and keyed, exactly as at the designed sizes.
TEST_F(SmoothRenderTest, ExactPixelsKeepsTheDesignedStretchAt3840x2160) {
  const int w = 3840, h = 2160;
  const Picture frame = Scene("3840x2160", true);
  const Picture bitmap = Picture::FromResource("PALMLEFT");
  const Layout layout = LayoutFor(w, h);
  const Placement& p = layout[kPalmLeft];
  const Placement& middle = layout[kPalmMiddle];
  const std::uint32_t key = bitmap.Pixel(0, 0);
  int drawn = 0, wrong = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < std::min(p.width, middle.x); ++x) {
      const std::uint32_t v = bitmap.Pixel(x * bitmap.Width() / p.width, y * bitmap.Height() / p.height);
      if (v == key) continue;
      ++drawn;
      wrong += frame.Pixel(p.x + x, p.y + y) != v;
    }
  EXPECT_GT(drawn, p.width * p.height / 10);
  EXPECT_EQ(wrong, 0) << "of " << drawn;
}

}  // namespace
}  // namespace sandloop
