// The eagles and butterflies in rendered frames: each one appears where an
// independent computation of its path puts it, and a frame with creatures
// matches its reference picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/shell/RenderedFrame.h"
#include "tests/shell/ReferencePicture.h"

namespace sandloop {
namespace {

// The control points of the two paths in design coordinates (800 x 600).
constexpr int kEaglePath[51][2] = {
    {66, 73},   {209, 39},  {222, 106}, {111, 123}, {156, 66},  {295, 120}, {177, 151}, {208, 65},  {305, 38},
    {401, 95},  {333, 136}, {307, 88},  {464, 46},  {543, 96},  {436, 144}, {397, 58},  {538, 43},  {601, 68},
    {558, 119}, {553, 149}, {639, 136}, {719, 106}, {763, 69},  {690, 62},  {622, 84},  {585, 119}, {535, 147},
    {465, 183}, {388, 142}, {446, 115}, {521, 168}, {396, 173}, {320, 112}, {262, 144}, {328, 174}, {383, 125},
    {282, 99},  {235, 131}, {280, 164}, {350, 123}, {285, 76},  {227, 87},  {174, 125}, {145, 169}, {213, 171},
    {166, 110}, {93, 153},  {29, 108},  {110, 71},  {88, 25},   {18, 42}};
constexpr int kButterflyPath[74][2] = {
    {3, 365},    {82, 454},   {48, 486},  {3, 407},   {4, 459},   {37, 439},  {93, 482},  {149, 441},
    {160, 420},  {78, 409},   {12, 497},  {49, 544},  {120, 528}, {106, 502}, {50, 518},  {87, 540},
    {86, 519},   {125, 499},  {142, 474}, {85, 450},  {3, 557},   {2, 435},   {53, 412},  {90, 388},
    {81, 435},   {99, 419},   {17, 406},  {-156, 355}, {-65, 653}, {259, 654}, {573, 654}, {735, 653},
    {835, 651},  {800, 518},  {768, 449}, {694, 430}, {677, 506}, {721, 535}, {731, 476}, {694, 486},
    {695, 521},  {673, 553},  {640, 546}, {576, 539}, {721, 511}, {727, 495}, {665, 455}, {765, 571},
    {700, 592},  {598, 504},  {668, 420}, {696, 465}, {777, 497}, {770, 469}, {739, 490}, {708, 558},
    {641, 469},  {753, 536},  {805, 541}, {855, 655}, {855, 654}, {621, 655}, {389, 653}, {173, 653},
    {-77, 656},  {-109, 655}, {-165, 340}, {-146, 320}, {16, 385}, {102, 399}, {154, 390}, {121, 383},
    {64, 425},   {1, 386}};
constexpr int kEagleStart[] = {1, 28, 44, 12};
constexpr int kButterflyStart[] = {20, 28, 60};

struct DesignPoint {
  float x, y;
};

// Where a creature is after `ticks` ticks from its starting segment: a
// uniform cubic B-spline in 32-bit floats, t = step / steps per segment.
template <int N>
DesignPoint PathAt(const int (&points)[N][2], int start, int stepsPerSegment, int ticks) {
  int segment = start, step = 0;
  for (int i = 0; i < ticks; ++i) {
    if (++step > stepsPerSegment) {
      segment = (segment + 1) % N;
      step = 1;
    }
  }
  const float t = static_cast<float>(step) / static_cast<float>(stepsPerSegment);
  float out[2];
  for (int c = 0; c < 2; ++c) {
    const float p0 = static_cast<float>(points[(segment + N - 1) % N][c]);
    const float p1 = static_cast<float>(points[segment][c]);
    const float p2 = static_cast<float>(points[(segment + 1) % N][c]);
    const float p3 = static_cast<float>(points[(segment + 2) % N][c]);
    const float a3 = ((p1 - p2) * 3.0f - p0 + p3) / 6.0f;
    const float a2 = (p0 - 2.0f * p1 + p2) * 0.5f;
    const float a1 = (p2 - p0) * 0.5f;
    const float a0 = (p0 + 4.0f * p1 + p2) / 6.0f;
    out[c] = ((a3 * t + a2) * t + a1) * t + a0;
  }
  return {out[0], out[1]};
}

struct Box {
  int x0, y0, x1, y1;  // x1, y1 exclusive
  bool Holds(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// The screen box of a creature drawn at design position `p`, `w` x `h`
// pixels large, on a `width` x `height` screen.
Box ScreenBox(DesignPoint p, int w, int h, int width, int height) {
  const int x = width * static_cast<int>(p.x) / 800, y = height * static_cast<int>(p.y) / 600;
  return {x, y, x + w, y + h};
}

// The pixels in which two pictures of one size differ.
std::vector<std::pair<int, int>> Changed(const Picture& a, const Picture& b) {
  std::vector<std::pair<int, int>> out;
  if (a.Width() != b.Width() || a.Height() != b.Height()) return out;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) out.emplace_back(x, y);
  return out;
}

class CreaturesInFrames : public test::RenderedFrameTest {
 protected:
  Picture Scene(const std::string& size, int ticks, int eagles, bool butterflies) {
    return Frame({"--size", size, "--ticks", std::to_string(ticks), "--seed", "11", "--at", "2004-06-21 14:30:00",
                  "--set", "FlagDemoDaytime=0", "--set", "flag_clock=0", "--set", "ShowRisSet=0", "--set",
                  "NumEagles=" + std::to_string(eagles), "--set", std::string("FlagShowEagles=") + (eagles ? "1" : "0"),
                  "--set", std::string("FlagShowButterfly=") + (butterflies ? "1" : "0")});
  }
};

// Eagles are added one at a time (NumEagles 1 to 4), so that what each
// addition changes is that eagle alone. Before tick 71 no bout of wing
// beats has ended, so no eagle draws a random number while stepping and
// the earlier eagles are drawn exactly as before.
//
// The eagle picture is drawn at 24 x 12 on every screen, so at one tick an
// eagle shows the same pixels at 800 x 600 and at 1024 x 768: measured from
// the computed corner of its box they must agree wherever both are in sight
// (a palm may hide different parts). An eagle placed one pixel off on
// either screen fails that.
TEST_F(CreaturesInFrames, EachEagleIsDrawnWhereItsPathPutsIt) {
  for (int ticks : {23, 45, 49}) {
    // Per eagle, the colour of each changed pixel by its place in the box.
    std::vector<std::map<std::pair<int, int>, std::uint32_t>> drawn(4);
    for (const auto& [size, width, height] : {std::tuple{"800x600", 800, 600}, std::tuple{"1024x768", 1024, 768}}) {
      Picture before = Scene(size, ticks, 0, false);
      for (int i = 0; i < 4; ++i) {
        const Picture after = Scene(size, ticks, i + 1, false);
        const Box box = ScreenBox(PathAt(kEaglePath, kEagleStart[i], 50, ticks), 24, 12, width, height);
        const auto changed = Changed(before, after);
        const std::string where = std::string(size) + ", tick " + std::to_string(ticks) + ", eagle " +
                                  std::to_string(i) + " expected at " + std::to_string(box.x0) + "," +
                                  std::to_string(box.y0);
        // Every eagle is mostly in sight at these ticks, on both screens
        // (at others one is partly or wholly behind a palm).
        EXPECT_GE(changed.size(), 20u) << where;
        int same = 0, differ = 0;
        for (const auto& [x, y] : changed) {
          if (!box.Holds(x, y)) {
            ADD_FAILURE() << where << ": a change at " << x << "," << y;
            break;
          }
          const std::pair<int, int> at{x - box.x0, y - box.y0};
          if (width == 800) {
            drawn[i][at] = after.Pixel(x, y);
          } else if (auto it = drawn[i].find(at); it != drawn[i].end()) {
            (it->second == after.Pixel(x, y) ? same : differ)++;
          }
        }
        if (width != 800) {
          EXPECT_EQ(differ, 0) << where << ": the picture is not where it is at 800 x 600";
          EXPECT_GE(same, 15) << where;
        }
        before = after;
      }
    }
  }
}

// Later on: past the wrap of the butterfly path from point 73 to 0 (tick
// 1,620 for butterfly 0) and of the eagle path (2,550 ticks a circuit).
// Every change is inside the box of a creature, each creature shows the
// same pixels from the corner of its box on both screens, and each is seen
// at one of these ticks at least (at any one tick some are behind a palm or
// the plant in front, or off the screen).
TEST_F(CreaturesInFrames, AllCreaturesAreInsideTheirBoxesLaterOn) {
  std::vector<int> eaglesSeen(4, 0), butterfliesSeen(3, 0);
  for (int ticks : {1650, 2600}) {
    std::vector<std::map<std::pair<int, int>, std::uint32_t>> drawn(7);
    for (const auto& [size, width, height] : {std::tuple{"800x600", 800, 600}, std::tuple{"1024x768", 1024, 768}}) {
      const Picture none = Scene(size, ticks, 0, false);
      const Picture eagles = Scene(size, ticks, 4, false);
      const Picture butterflies = Scene(size, ticks, 0, true);
      std::vector<Box> eagleBoxes, butterflyBoxes;
      for (int start : kEagleStart)
        eagleBoxes.push_back(ScreenBox(PathAt(kEaglePath, start, 50, ticks), 24, 12, width, height));
      for (int start : kButterflyStart)
        butterflyBoxes.push_back(ScreenBox(PathAt(kButterflyPath, start, 30, ticks), 15, 15, width, height));
      for (const auto& [picture, boxes, seen, first, what] :
           {std::tuple{&eagles, &eagleBoxes, &eaglesSeen, 0, "eagle"},
            std::tuple{&butterflies, &butterflyBoxes, &butterfliesSeen, 4, "butterfly"}}) {
        std::vector<int> differ(boxes->size(), 0);
        for (const auto& [x, y] : Changed(none, *picture)) {
          bool held = false;
          for (std::size_t k = 0; k < boxes->size(); ++k) {
            const Box& box = (*boxes)[k];
            if (!box.Holds(x, y)) continue;
            held = true;
            ++(*seen)[k];
            auto& mine = drawn[first + k];
            const std::pair<int, int> at{x - box.x0, y - box.y0};
            if (width == 800)
              mine[at] = picture->Pixel(x, y);
            else if (auto it = mine.find(at); it != mine.end() && it->second != picture->Pixel(x, y))
              ++differ[k];
          }
          EXPECT_TRUE(held) << what << " tick " << ticks << " " << size << ": a change at " << x << "," << y
                            << " outside every box";
        }
        for (std::size_t k = 0; k < boxes->size(); ++k)
          EXPECT_EQ(differ[k], 0) << what << " " << k << " tick " << ticks << ": not where it is at 800 x 600";
      }
    }
  }
  for (std::size_t k = 0; k < eaglesSeen.size(); ++k) EXPECT_GT(eaglesSeen[k], 0) << "eagle " << k << " never seen";
  for (std::size_t k = 0; k < butterfliesSeen.size(); ++k)
    EXPECT_GT(butterfliesSeen[k], 0) << "butterfly " << k << " never seen";
}

TEST_F(CreaturesInFrames, AFrameWithCreaturesMatchesItsReference) {
  const Picture p = Frame({"--size", "800x600", "--ticks", "410", "--seed", "5", "--at", "2004-06-21 14:30:00",
                           "--set", "FlagDemoDaytime=0", "--set", "NumEagles=5"});
  test::ExpectMatchesReference(p, "creatures-800x600");
}

}  // namespace
}  // namespace sandloop
