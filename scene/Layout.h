#pragma once
// Where the scene's 13 sprites and strips go on a W x H display: one table
// of the pictures in build order with their frame heights, transparency
// and the integer rules of their sizes and positions. The scenery is laid
// out for 1024 x 768 and the surf for 800 x 600; every product is formed
// first and then divided, truncating toward zero.
#include <array>
#include <string>

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

// The resource of the master to scale piece `index` down from at the size
// `p` gives it: "NAME_X2" when twice its size at 1024 x 768 is enough, else
// "NAME_X4".
[[nodiscard]] std::string MasterFor(int index, const Placement& p);

}  // namespace sandloop
