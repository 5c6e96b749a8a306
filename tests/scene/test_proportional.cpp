// The smooth path's layout on screens of other shapes than 4:3: pieces
// keep their proportions and their edges, the backdrop and the surf fill
// the width, and the creatures' paths are not stretched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kit/PicturePart.h"
#include "scene/Layout.h"

namespace sandloop {
namespace {

constexpr int kScenery[] = {kSecondPlane, kPalmLeft, kPalmMiddle, kPalmRight, kStonesLeft, kPlantRight};

struct Screen {
  int w, h;
};

class ProportionalLayout : public testing::TestWithParam<Screen> {};

TEST_P(ProportionalLayout, PiecesKeepTheirMastersShapeAndTheirEdges) {
  const auto [w, h] = GetParam();
  const SceneShape shape = ShapeFor(w, h, false);
  ASSERT_TRUE(shape.proportional);
  const Layout l = SceneLayout(shape);
  const Layout design = LayoutFor(1024, 768);
  for (int i : kScenery) {
    const Placement& p = l[static_cast<std::size_t>(i)];
    const Placement& d = design[static_cast<std::size_t>(i)];
    // The masters are twice and four times the 1024 x 768 pictures.
    const double master = static_cast<double>(d.width) / d.height;
    EXPECT_NEAR(static_cast<double>(p.width) / p.height / master, 1.0, 0.01) << p.resource;
    // The whole scene keeps its height: each piece is its design size
    // times the screen's height over 768.
    EXPECT_NEAR(p.height, d.height * h / 768.0, 1.0) << p.resource;
  }
  EXPECT_EQ(l[kPalmLeft].x, 0);
  EXPECT_EQ(l[kStonesLeft].x, 0);
  EXPECT_EQ(l[kPalmRight].x + l[kPalmRight].width, w);
  EXPECT_EQ(l[kPlantRight].x + l[kPlantRight].width, w);
  EXPECT_EQ(l[kStonesLeft].y + l[kStonesLeft].height, h);
  EXPECT_EQ(l[kPlantRight].y + l[kPlantRight].height, h);
  EXPECT_EQ(l[kPalmMiddle].y, 0);
  // The second plane's picture ends in a cut at the right: it stays at the
  // right edge. The middle palm keeps its distance from the screen's
  // middle, in scaled design pixels.
  EXPECT_EQ(l[kSecondPlane].x + l[kSecondPlane].width, w);
  const double s = h / 768.0;
  EXPECT_NEAR(l[kPalmMiddle].x - w / 2.0, (302 - 512) * s, 1.0);

  // The backdrop spans the screen and shows a part of its picture of the
  // same shape as the screen's part.
  const Placement& g = l[kGround];
  EXPECT_EQ(g.x, 0);
  EXPECT_EQ(g.width, w);
  EXPECT_NEAR(g.height, 500 * s, 1.0);
  EXPECT_STREQ(g.master, kWideGround);
  EXPECT_NEAR((kWideGroundColumns * g.part.w) / (500.0 * g.part.h), static_cast<double>(g.width) / g.height,
              0.01 * g.width / g.height);
  EXPECT_NEAR(g.part.x + g.part.w, 1.0, 1e-9) << "cut from the wide backdrop's right, by the headland";
  EXPECT_NEAR(g.part.y + g.part.h, 1.0, 1e-9) << "the foot of the backdrop stays at the surf";

  // The near surf spans the width; the columns under the stones and under
  // the second plane and the plant keep the scale of those pieces.
  const Placement& low = l[kLowWater];
  EXPECT_EQ(low.x, 0);
  EXPECT_EQ(low.width, w);
  ASSERT_EQ(low.column_spans, 3);
  const double f = h / 600.0;  // screen pixels per surf column
  EXPECT_NEAR(low.columns[0].width * f, l[kStonesLeft].width, f);
  EXPECT_NEAR(low.columns[2].width * f, l[kSecondPlane].width, f);
  int total = 0;
  for (const auto& c : low.columns) total += c.width;
  EXPECT_NEAR(total * f, w, f);
  // The far surf's blacked-out end begins where the second plane does.
  const Placement& high = l[kHighWater];
  ASSERT_EQ(high.column_spans, 2);
  EXPECT_NEAR(high.columns[0].width * f, l[kSecondPlane].x, f);
  EXPECT_EQ(high.columns[1].width, high.columns[1].end - high.columns[1].begin);
  EXPECT_EQ(high.columns[1].end, 518) << "to the far surf picture's last column";
}

INSTANTIATE_TEST_SUITE_P(WideScreens, ProportionalLayout,
                         testing::Values(Screen{1920, 1080}, Screen{2560, 1080}, Screen{3440, 1440},
                                         Screen{5120, 1440}, Screen{3840, 2160}));

TEST(ProportionalLayout, DesignedModesAndExactPixelsKeepTheTable) {
  for (const Screen s : {Screen{800, 600}, Screen{1024, 768}, Screen{1152, 864}, Screen{1280, 1024}}) {
    const SceneShape shape = ShapeFor(s.w, s.h, false);
    EXPECT_FALSE(shape.proportional);
    const Layout a = SceneLayout(shape), b = LayoutFor(s.w, s.h);
    for (int i = 0; i < kPieceCount; ++i) {
      const Placement &p = a[static_cast<std::size_t>(i)], &q = b[static_cast<std::size_t>(i)];
      EXPECT_TRUE(p.x == q.x && p.y == q.y && p.width == q.width && p.height == q.height && p.column_spans == 0 &&
                  p.part.Whole())
          << p.resource << " at " << s.w << "x" << s.h;
    }
  }
  const Layout exact = SceneLayout(ShapeFor(3440, 1440, true));
  EXPECT_EQ(exact[kPalmLeft].width, 3440 * 303 / 1024);
  EXPECT_EQ(exact[kLowWater].column_spans, 0);
}

TEST(ProportionalLayout, ATallScreenCutsTheScenesSidesEqually) {
  const Layout l = SceneLayout(ShapeFor(1080, 1920, false));
  const double s = 1920 / 768.0, left = (1080 - 1024 * s) / 2;  // negative
  EXPECT_NEAR(l[kPalmLeft].x, left, 1.0);
  EXPECT_NEAR(l[kPalmRight].x + l[kPalmRight].width, 1080 - left, 1.0);
  EXPECT_NEAR(l[kPalmMiddle].x, left + 302 * s, 1.0);
  EXPECT_NEAR(static_cast<double>(l[kPalmLeft].width) / l[kPalmLeft].height, 303.0 / 428, 0.01);
  // The backdrop shows its middle columns; the surf its middle columns.
  EXPECT_NEAR(l[kGround].part.x + l[kGround].part.w / 2, 0.5, 1e-3);
  EXPECT_NEAR(l[kGround].part.w, 1080 / (1024 * s), 1e-3);
  ASSERT_EQ(l[kLowWater].column_spans, 1);
  EXPECT_NEAR(l[kLowWater].columns[0].begin + l[kLowWater].columns[0].end, 800, 1);
  EXPECT_EQ(l[kLowWater].width, 1080);
}

TEST(ProportionalLayout, RemappedColumnsKeepTheirSpansInOrder) {
  Picture strip(10, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) strip.SetPixel(x, y, static_cast<std::uint32_t>(100 * y + x));
  Placement p;
  p.columns = {{{0, 3, 3}, {3, 7, 8}, {7, 10, 3}}};
  p.column_spans = 3;
  const Picture out = RemapColumns(strip, p);
  ASSERT_EQ(out.Width(), 14);
  ASSERT_EQ(out.Height(), 2);
  // Spans kept at their width are copied; the widened one runs through
  // its columns' values in order, mixing neighbours (here: values between).
  for (int x : {0, 1, 2}) EXPECT_EQ(out.Pixel(x, 1), 100u + static_cast<unsigned>(x));
  for (int x : {11, 12, 13}) EXPECT_EQ(out.Pixel(x, 1), 96u + static_cast<unsigned>(x));
  for (int x = 3; x < 11; ++x) {
    EXPECT_GE(out.Pixel(x, 1), 103u) << x;
    EXPECT_LE(out.Pixel(x, 1), 106u) << x;
    if (x > 3) {
      EXPECT_GE(out.Pixel(x, 1), out.Pixel(x - 1, 1)) << x;
    }
  }
  EXPECT_GT(out.Pixel(10, 1), out.Pixel(3, 1));
  // Each channel is mixed on its own: no carry into the next one.
  Picture two(2, 1);
  two.SetPixel(0, 0, 0x00FF00FF);
  two.SetPixel(1, 0, 0x0000FF00);
  Placement wide;
  wide.columns[0] = {0, 2, 8};
  wide.column_spans = 1;
  const Picture mixed = RemapColumns(two, wide);
  for (int x = 0; x < 8; ++x) {
    const std::uint32_t v = mixed.Pixel(x, 0);
    EXPECT_EQ((v & 0xFF) + ((v >> 8) & 0xFF), 255u) << x;  // red fades as green grows
    EXPECT_EQ(v & 0xFF, (v >> 16) & 0xFF) << x;
  }
}

TEST(ProportionalLayout, CreaturePathsAreNotStretched) {
  const SceneShape wide = ShapeFor(5120, 1440, false);
  const double f = 1440 / 600.0;
  // A path's width on the screen is its design width times the height's
  // scale, whatever its lane.
  for (double lane : {0.0, 0.5, 1.0}) EXPECT_NEAR(CreatureX(wide, 700, lane) - CreatureX(wide, 100, lane), 600 * f, 1.0);
  // The lanes reach from one edge to the other.
  EXPECT_EQ(CreatureX(wide, 0, EagleLane(0, 5)), 0);
  EXPECT_NEAR(CreatureX(wide, 800, EagleLane(4, 5)), 5120, 1.0);
  EXPECT_NEAR(CreatureX(wide, 400, EagleLane(0, 1)), 2560, 1.0);
  // Butterflies stay by the stones and by the plant.
  EXPECT_NEAR(CreatureX(wide, 100, ButterflyLane(100)), 100 * f, 1.0);
  EXPECT_NEAR(CreatureX(wide, 700, ButterflyLane(700)), 5120 - 100 * f, 1.0);
  // On a tall screen every lane is the middle of the cut scene.
  const SceneShape tall = ShapeFor(1080, 1920, false);
  EXPECT_EQ(CreatureX(tall, 400, 0.0), CreatureX(tall, 400, 1.0));
  EXPECT_NEAR(CreatureX(tall, 400, 0.0), 540, 1.0);
  // The designed modes keep the designed rule.
  EXPECT_EQ(CreatureX(ShapeFor(1024, 768, false), -100, 0.0), -128);
}

TEST(ProportionalLayout, TheBackdropsMasterIsChosenForItsWholePicture) {
  // 1080-line screens read the smallest wide master, 5120 x 1440 the next
  // one unscaled; 3840 x 2160 needs the largest; a screen wider than 32:9
  // scales the whole wide backdrop up and cuts its top.
  EXPECT_EQ(MasterFor(kGround, SceneLayout(ShapeFor(1920, 1080, false))[kGround]), "GROUND_WIDE_X1_4");
  EXPECT_EQ(MasterFor(kGround, SceneLayout(ShapeFor(2560, 1080, false))[kGround]), "GROUND_WIDE_X1_4");
  EXPECT_EQ(MasterFor(kGround, SceneLayout(ShapeFor(1920, 1081, false))[kGround]), "GROUND_WIDE_X2");
  EXPECT_EQ(MasterFor(kGround, SceneLayout(ShapeFor(5120, 1440, false))[kGround]), "GROUND_WIDE_X2");
  EXPECT_EQ(MasterFor(kGround, SceneLayout(ShapeFor(3840, 2160, false))[kGround]), "GROUND_WIDE_X3");
  const Placement wider = SceneLayout(ShapeFor(7680, 1440, false))[kGround];
  EXPECT_EQ(MasterFor(kGround, wider), "GROUND_WIDE_X3");
  EXPECT_DOUBLE_EQ(wider.part.w, 1.0);
  EXPECT_NEAR(wider.part.h, 2731 * 1.875 / 7680, 1e-9);
  // A tall screen cuts the layout's own backdrop.
  const Layout tall = SceneLayout(ShapeFor(1440, 2560, false));
  EXPECT_EQ(MasterFor(kGround, tall[kGround]), "GROUND_X4");
  EXPECT_EQ(MasterFor(kPalmLeft, SceneLayout(ShapeFor(5120, 1440, false))[kPalmLeft]), "PALMLEFT_X2");
  EXPECT_EQ(MasterFor(kPalmLeft, SceneLayout(ShapeFor(1920, 1080, false))[kPalmLeft]), "PALMLEFT_X1_4");
  EXPECT_EQ(MasterFor(kPalmLeft, SceneLayout(ShapeFor(1366, 768, false))[kPalmLeft]), "PALMLEFT_X1_4");
}

// How many pairs of columns of a picture's rows [0, rows) are equal at the
// distance that most of them share, 32 columns or more apart (neighbours in
// a smooth sky may well be equal): a picture made of a repeated tile has
// thousands at the tile's width.
int MostRepeatedColumnPairs(const RgbaPicture& p, int rows) {
  std::map<std::string, std::vector<int>> columns;
  for (int x = 0; x < p.Width(); ++x) {
    std::string key;
    for (int y = 0; y < rows; ++y) key.append(reinterpret_cast<const char*>(p.Row(y) + 4 * x), 3);
    columns[key].push_back(x);
  }
  std::map<int, int> at_distance;
  for (const auto& [key, xs] : columns)
    for (std::size_t i = 0; i < xs.size(); ++i)
      for (std::size_t j = i + 1; j < xs.size(); ++j)
        if (xs[j] - xs[i] >= 32) ++at_distance[xs[j] - xs[i]];
  int most = 0;
  for (const auto& [d, n] : at_distance) most = std::max(most, n);
  return most;
}

// The widest share of rows [0, rows) along which two neighbouring columns
// differ by more than `step` in some channel: a seam runs down the whole sky.
double WidestSeam(const RgbaPicture& p, int rows, int step) {
  double widest = 0;
  for (int x = 0; x + 1 < p.Width(); ++x) {
    int jumps = 0;
    for (int y = 0; y < rows; ++y) {
      const std::uint8_t *a = p.Row(y) + 4 * x, *b = a + 4;
      jumps += std::abs(a[0] - b[0]) > step || std::abs(a[1] - b[1]) > step || std::abs(a[2] - b[2]) > step;
    }
    widest = std::max(widest, static_cast<double>(jumps) / rows);
  }
  return widest;
}

TEST(ProportionalLayout, TheBackdropAt5120x1440HasNoSeamOrRepeat) {
  const Placement g = SceneLayout(ShapeFor(5120, 1440, false))[kGround];
  const RgbaPicture ground = MasterPartScaled(MasterFor(kGround, g), g.part, g.width, g.height);
  ASSERT_EQ(ground.Width(), 5120);
  const int sky = g.height * 380 / 500;  // above the far islands and the horizon
  EXPECT_LE(MostRepeatedColumnPairs(ground, sky), 8);
  EXPECT_LT(WidestSeam(ground, sky, 6), 0.5);
  // The checks find what they look for: the same sky laid twice side by
  // side repeats at its width, and two skies whose gradients do not meet
  // (one a few rows higher) make a seam.
  RgbaPicture twice(2 * 1200, sky), joined(2 * 1200, sky);
  for (int y = 0; y < sky; ++y) {
    std::memcpy(twice.Row(y), ground.Row(y), 1200 * 4);
    std::memcpy(twice.Row(y) + 1200 * 4, ground.Row(y), 1200 * 4);
    std::memcpy(joined.Row(y), ground.Row(y), 1200 * 4);
    std::memcpy(joined.Row(y) + 1200 * 4, ground.Row(y + 40) + 1200 * 4, 1200 * 4);
  }
  EXPECT_GE(MostRepeatedColumnPairs(twice, sky), 1000);
  EXPECT_GE(WidestSeam(joined, sky, 6), 0.5);
}

}  // namespace
}  // namespace sandloop
