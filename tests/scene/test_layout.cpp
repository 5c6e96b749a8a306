// The layout table: sizes and positions of the 13 sprites and strips at
// the display sizes whose values the table treats specially.
#include <gtest/gtest.h>

#include "scene/Layout.h"

namespace sandloop {
namespace {

struct Box {
  int w, h, x, y;
};

void ExpectAt(const Layout& l, PieceIndex i, Box b) {
  const Placement& p = l[static_cast<std::size_t>(i)];
  EXPECT_EQ((Box{p.width, p.height, p.x, p.y}), b) << p.resource;
}

bool operator==(const Box& a, const Box& b) { return a.w == b.w && a.h == b.h && a.x == b.x && a.y == b.y; }
void PrintTo(const Box& b, std::ostream* os) { *os << b.w << "x" << b.h << " at (" << b.x << ", " << b.y << ")"; }

TEST(Layout, At1024x768TheSceneryKeepsItsDesignSizes) {
  const Layout l = LayoutFor(1024, 768);
  ExpectAt(l, kGround, {1024, 500, 0, 0});
  ExpectAt(l, kLowWater, {1024, 204, 0, 563});
  ExpectAt(l, kHighWater, {663, 71, 0, 492});
  ExpectAt(l, kSecondPlane, {520, 283, 503, 297});
  ExpectAt(l, kPalmLeft, {303, 428, 0, 0});
  ExpectAt(l, kPalmMiddle, {384, 158, 302, 0});
  ExpectAt(l, kPalmRight, {339, 392, 685, 0});
  ExpectAt(l, kStonesLeft, {397, 187, 0, 579});
  ExpectAt(l, kPlantRight, {387, 263, 636, 504});
  ExpectAt(l, kEagles, {24, 12, 0, 0});
  ExpectAt(l, kButterfly3, {15, 15, 0, 0});
}

TEST(Layout, At800x600TheSurfKeepsItsDesignSizes) {
  const Layout l = LayoutFor(800, 600);
  ExpectAt(l, kGround, {800, 390, 0, 0});
  ExpectAt(l, kLowWater, {800, 160, 0, 437});
  ExpectAt(l, kHighWater, {518, 56, 0, 384});
  ExpectAt(l, kSecondPlane, {406, 221, 393, 232});
  ExpectAt(l, kPlantRight, {302, 205, 497, 392});
  ExpectAt(l, kStonesLeft, {310, 146, 0, 450});
}

TEST(Layout, WidthsWithTheirOwnRowsAndColumns) {
  // 1152 and 1280 take their own rows; any other width takes the last value.
  EXPECT_EQ(LayoutFor(1152, 864)[kLowWater].y, 864 * 438 / 600);
  EXPECT_EQ(LayoutFor(1280, 1024)[kLowWater].y, 1024 * 439 / 600);
  EXPECT_EQ(LayoutFor(1920, 1080)[kLowWater].y, 1080 * 440 / 600);
  EXPECT_EQ(LayoutFor(1280, 1024)[kHighWater].y, 1024 * 384 / 600);
  EXPECT_EQ(LayoutFor(1152, 864)[kHighWater].y, 864 * 385 / 600);
  EXPECT_EQ(LayoutFor(1152, 864)[kStonesLeft].y, 864 * 577 / 768);
  EXPECT_EQ(LayoutFor(1280, 1024)[kPlantRight].x, 1280 * 637 / 1024);
  EXPECT_EQ(LayoutFor(1280, 1024)[kPlantRight].y, 1024 * 504 / 768);
  EXPECT_EQ(LayoutFor(1920, 1080)[kPlantRight].x, 1920 * 636 / 1024);
  EXPECT_EQ(LayoutFor(1280, 1024)[kSecondPlane].x, 1280 * 503 / 1024);
}

TEST(Layout, MastersOnlyBeyondTheLargestDesignedModeAndNotWithExactPixels) {
  EXPECT_FALSE(UsesMasters(1280, 1024, false));
  EXPECT_FALSE(UsesMasters(800, 600, false));
  EXPECT_TRUE(UsesMasters(1281, 1024, false));
  EXPECT_TRUE(UsesMasters(1280, 1025, false));
  EXPECT_TRUE(UsesMasters(3840, 2160, false));
  EXPECT_FALSE(UsesMasters(3840, 2160, true));
}

TEST(Layout, TheSmallestMasterLargeEnoughIsChosen) {
  // 1.40625 times the design size (a 1080-line screen's scale) comes from
  // the smallest master; twice the design size still comes from the 2x
  // master, a pixel more in either direction from the 2.8125x one, and
  // more than that from the 4x one.
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(1440, 1080)[kPalmLeft]), "PALMLEFT_X1_4");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(1444, 1080)[kPalmLeft]), "PALMLEFT_X2");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(2048, 1536)[kPalmLeft]), "PALMLEFT_X2");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(1920, 1080)[kPalmLeft]), "PALMLEFT_X2");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(2052, 1536)[kPalmLeft]), "PALMLEFT_X3");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(2560, 1440)[kPalmLeft]), "PALMLEFT_X3");
  EXPECT_EQ(MasterFor(kPlantRight, LayoutFor(1920, 1600)[kPlantRight]), "PAPRIGHT_X3");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(2880, 2160)[kPalmLeft]), "PALMLEFT_X3");
  EXPECT_EQ(MasterFor(kPalmLeft, LayoutFor(2884, 2160)[kPalmLeft]), "PALMLEFT_X4");
  // The backdrop's smaller master is 1920 wide; it has none at 1.40625.
  EXPECT_EQ(MasterFor(kGround, LayoutFor(1440, 1080)[kGround]), "GROUND_X2");
  EXPECT_EQ(MasterFor(kGround, LayoutFor(1920, 1200)[kGround]), "GROUND_X2");
  EXPECT_EQ(MasterFor(kGround, LayoutFor(1921, 1080)[kGround]), "GROUND_X4");
  for (int i = 0; i < kPieceCount; ++i) {
    const Placement p = LayoutFor(1024, 768)[static_cast<std::size_t>(i)];
    // Every single picture has masters; the strips do not.
    EXPECT_EQ(p.master != nullptr, p.frame_height == 0) << p.resource;
  }
}

}  // namespace
}  // namespace sandloop
