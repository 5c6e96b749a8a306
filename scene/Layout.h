#pragma once
// Where the scene's 13 sprites and strips go on a W x H display: one table
// of the pictures in build order with their frame heights, transparency
// and the integer rules of their sizes and positions. The scenery is laid
// out for 1024 x 768 and the surf for 800 x 600; every product is formed
// first and then divided, truncating toward zero.
#include <array>
#include <string>

#include "kit/Picture.h"
#include "kit/PicturePart.h"

namespace sandloop {

// The largest display mode the pictures are designed for; larger displays
// may draw the scenery from its masters (SceneOptions::exact_pixels).
constexpr int kLargestDesignWidth = 1280;
constexpr int kLargestDesignHeight = 1024;

struct Placement {
  const char* resource = "";  // the embedded picture
  const char* master = nullptr;  // name of its high-resolution masters, if it has them
  bool jpeg = false;          // decoded from JPEG (the backdrop and the surf)
  int frame_height = 0;       // 0: a single picture; else a strip of frames
  bool transparent = false;
  int width = 0, height = 0;  // stretched size
  int x = 0, y = 0;           // ShowX, ShowY (creatures: set per frame)
  // The part of the master the piece shows (the smooth path cuts the
  // backdrop to the screen's shape); all of it otherwise.
  PicturePart part{};
  // A surf band reshaped for the screen: its picture's columns remapped
  // span by span before it is stretched. No spans: the picture as it is.
  struct Columns {
    int begin = 0, end = 0;  // source columns [begin, end)
    int width = 0;           // how many columns they become
  };
  std::array<Columns, 3> columns{};
  int column_spans = 0;
};

constexpr int kPieceCount = 13;
// Build order: backdrop, near surf, far surf, second plane, left, middle
// and right palm, stones, plant, eagles, three butterflies.
enum PieceIndex {
  kGround, kLowWater, kHighWater, kSecondPlane, kPalmLeft, kPalmMiddle, kPalmRight,
  kStonesLeft, kPlantRight, kEagles, kButterfly1, kButterfly2, kButterfly3
};

using Layout = std::array<Placement, kPieceCount>;

[[nodiscard]] Layout LayoutFor(int width, int height);

// Whether a display of this size draws the scenery from the masters.
[[nodiscard]] bool UsesMasters(int width, int height, bool exact_pixels);

// How the scene meets the screen's shape. On the designed path every piece
// is stretched to the screen as the layout table says. On the smooth path
// (ShapeFor with `proportional`) the 4:3 scene is scaled by one factor,
// the screen's height over 768, and centred: on a wider screen the pieces
// that hold an edge move out to it and the backdrop and surf fill the width
// between; on a narrower (tall) screen the sides of the scene are cut.
struct SceneShape {
  int width = 0, height = 0;
  bool proportional = false;
  double scale = 1;  // screen pixels per pixel of the 1024 x 768 layout
  // Screen columns beyond the 4:3 scene, shared by both sides; negative on
  // a screen narrower than 4:3, where that many are cut.
  double spare = 0;
};

[[nodiscard]] SceneShape ShapeFor(int width, int height, bool exact_pixels);
// The layout for this shape: LayoutFor unless it is proportional.
[[nodiscard]] Layout SceneLayout(const SceneShape& shape);

// The picture of a reshaped surf band: its columns taken span by span as
// the placement says, a widened span mixing neighbouring columns linearly,
// a narrowed one taking the nearest. Every frame of a strip gets the same
// columns.
[[nodiscard]] Picture RemapColumns(const Picture& picture, const Placement& p);

// Screen x of a creature at x of its 800 x 600 flight space. `lane` (0 to
// 1) says where in the spare width of a wide screen its whole path lies,
// so that a flock spreads over the screen with unstretched paths; on other
// shapes lanes make no difference.
[[nodiscard]] int CreatureX(const SceneShape& shape, float design_x, double lane);
// The lane of eagle `i` of `count`: evenly from the left to the right edge.
[[nodiscard]] double EagleLane(int i, int count);
// Butterflies keep to the stones at the left and the plant at the right:
// a point of the path in the left half of the flight space is drawn near
// the left edge, one in the right half near the right edge. (The path
// crosses between them below the screen.)
[[nodiscard]] double ButterflyLane(float design_x);

// The wide backdrop's masters ("GROUND_WIDE_X1_4", "GROUND_WIDE_X2",
// "GROUND_WIDE_X3"): the layout's backdrop with sky and sea going on to the
// left, 32:9 at its height, 2731 design columns, at 1.40625, 1.875 and
// 2.8125 pixels per design pixel.
inline constexpr const char* kWideGround = "GROUND_WIDE";
constexpr int kWideGroundColumns = 2731;
// A 1080-line and a 2160-line screen's pixels per design pixel: masters are
// painted at these scales too, so that the most common screens read theirs
// without scaling and decode the fewest pixels.
constexpr double kScreen1080 = 1080.0 / 768;
constexpr double kScreen2160 = 2160.0 / 768;

// The resource of the master to scale piece `index` down from at the size
// `p` gives it: the smallest that is at least that large, "NAME_X1_4"
// (1.40625 times its size at 1024 x 768), "NAME_X2", "NAME_X3" (2.8125
// times) or "NAME_X4". The 4:3 backdrop has "GROUND_X2" and "GROUND_X4"
// only.
[[nodiscard]] std::string MasterFor(int index, const Placement& p);

}  // namespace sandloop
