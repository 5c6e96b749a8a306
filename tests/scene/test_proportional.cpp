// The smooth path's layout on screens of other shapes than 4:3: pieces
// keep their proportions and their edges, the backdrop and the surf fill
// the width, and the creatures' paths are not stretched.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

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
  EXPECT_NEAR((1024.0 * g.part.w) / (500.0 * g.part.h), static_cast<double>(g.width) / g.height, 0.01 * g.width / g.height);
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
  const std::uint32_t row1[14] = {100, 101, 102, 103, 103, 104, 104, 105, 105, 106, 106, 107, 108, 109};
  for (int x = 0; x < 14; ++x) EXPECT_EQ(out.Pixel(x, 1), row1[x]) << x;
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
  // At 5120 x 1440 the backdrop shows the bottom 937 rows of a picture
  // scaled to 5120 wide: only the larger master has the pixels for that.
  const Layout l = SceneLayout(ShapeFor(5120, 1440, false));
  EXPECT_EQ(MasterFor(kGround, l[kGround]), "GROUND_X4");
  EXPECT_EQ(MasterFor(kPalmLeft, l[kPalmLeft]), "PALMLEFT_X2");
}

}  // namespace
}  // namespace sandloop
