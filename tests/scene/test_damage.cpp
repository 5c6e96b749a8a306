// The list of changed rectangles: cut to the screen, touching and
// overlapping rectangles merged into their bounding box (also when a new
// one joins two that were apart), rectangles apart kept apart, and the
// overflow into "the whole screen".
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "scene/Damage.h"

namespace sandloop {
namespace {

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<RECT> Rects(const DamageList& d) { return std::vector<RECT>(d.Rects(), d.Rects() + d.Count()); }

bool Holds(const DamageList& d, RECT r) {
  const std::vector<RECT> all = Rects(d);
  return std::any_of(all.begin(), all.end(), [&](const RECT& x) { return Same(x, r); });
}

TEST(DamageList, RectanglesAreCutToTheScreenAndEmptyOnesAddNothing) {
  DamageList d;
  d.Reset(100, 50);
  d.Add(RECT{-10, -5, 20, 10});
  d.Add(RECT{90, 40, 130, 70});
  d.Add(RECT{120, 0, 140, 10});  // wholly outside
  d.Add(RECT{30, 30, 30, 40});   // no width
  ASSERT_EQ(d.Count(), 2);
  EXPECT_TRUE(Holds(d, RECT{0, 0, 20, 10}));
  EXPECT_TRUE(Holds(d, RECT{90, 40, 100, 50}));
  EXPECT_EQ(d.Area(), 20 * 10 + 10 * 10);
  EXPECT_FALSE(d.All());
}

TEST(DamageList, TouchingRectanglesMergeAndApartOnesStayApart) {
  DamageList d;
  d.Reset(200, 200);
  d.Add(RECT{0, 0, 10, 10});
  d.Add(RECT{10, 0, 20, 5});  // shares the edge x = 10
  ASSERT_EQ(d.Count(), 1);
  EXPECT_TRUE(Holds(d, RECT{0, 0, 20, 10}));
  d.Add(RECT{21, 0, 30, 10});  // one column apart
  EXPECT_EQ(d.Count(), 2);
  // A rectangle over the gap joins both into one box.
  d.Add(RECT{15, 8, 25, 30});
  ASSERT_EQ(d.Count(), 1);
  EXPECT_TRUE(Holds(d, RECT{0, 0, 30, 30}));
  // Merging grows on: a box that now meets a third rectangle takes it too.
  d.Add(RECT{100, 100, 110, 110});
  d.Add(RECT{29, 29, 101, 101});
  ASSERT_EQ(d.Count(), 1);
  EXPECT_TRUE(Holds(d, RECT{0, 0, 110, 110}));
}

TEST(DamageList, MoreRectanglesThanItHoldsBecomeTheWholeScreen) {
  DamageList d;
  d.Reset(1000, 10);
  for (int i = 0; i < DamageList::kCapacity; ++i) d.Add(RECT{i * 10, 0, i * 10 + 5, 5});
  EXPECT_EQ(d.Count(), DamageList::kCapacity);
  EXPECT_FALSE(d.All());
  d.Add(RECT{500, 0, 505, 5});  // apart from all of them: no room
  EXPECT_TRUE(d.All());
  ASSERT_EQ(d.Count(), 1);
  EXPECT_TRUE(Holds(d, RECT{0, 0, 1000, 10}));
  d.Add(RECT{0, 0, 1, 1});  // the whole screen takes nothing more
  EXPECT_EQ(d.Count(), 1);

  // A list that holds the whole screen makes another whole as well; a reset
  // empties it.
  DamageList e;
  e.Reset(1000, 10);
  e.Add(RECT{0, 0, 3, 3});
  e.Add(d);
  EXPECT_TRUE(e.All());
  e.Reset(1000, 10);
  EXPECT_TRUE(e.Empty());
}

// A part less one or two covered rectangles: every pixel of the part
// outside them is in exactly one of the pieces, and no other pixel is in
// any; over every placement of two rectangles on a small grid, and a third
// from a sample of them.
TEST(SubtractRect, ThePiecesTileThePartOutsideTheCoveredRectangles) {
  auto inside = [](const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
  std::vector<RECT> rects;
  for (int l = 0; l < 6; l += 1)
    for (int t = 0; t < 6; t += 2)
      for (int r = l; r <= 7; r += 2)
        for (int b = t; b <= 7; b += 3) rects.push_back(RECT{l, t, r, b});
  auto tiles = [&](const RECT& a, const RECT& b, const RECT& c, const RECT* out, int n, int most) {
    ASSERT_GE(n, 0);
    ASSERT_LE(n, most);
    for (int i = 0; i < n; ++i) ASSERT_TRUE(out[i].left < out[i].right && out[i].top < out[i].bottom);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        int in = 0;
        for (int i = 0; i < n; ++i) in += inside(out[i], x, y);
        ASSERT_EQ(in, inside(a, x, y) && !inside(b, x, y) && !inside(c, x, y) ? 1 : 0)
            << "a " << a.left << "," << a.top << "," << a.right << "," << a.bottom << " b " << b.left << ","
            << b.top << "," << b.right << "," << b.bottom << " c " << c.left << "," << c.top << "," << c.right
            << "," << c.bottom << " at " << x << "," << y;
      }
  };
  for (const RECT& a : rects)
    for (const RECT& b : rects) {
      RECT out[4];
      tiles(a, b, b, out, SubtractRect(a, b, out), 4);
      for (std::size_t k = 0; k < rects.size(); k += 13) {
        RECT both[16];
        tiles(a, b, rects[k], both, SubtractRects(a, b, rects[k], both), 16);
      }
    }
  // The near surf at 1024 x 768 leaves the screen's last column and row
  // to the layers beneath it.
  RECT out[4];
  ASSERT_EQ(SubtractRect(RECT{0, 563, 1024, 768}, RECT{0, 563, 1023, 767}, out), 2);
  EXPECT_TRUE(SameRect(out[0], RECT{0, 767, 1024, 768}));
  EXPECT_TRUE(SameRect(out[1], RECT{1023, 563, 1024, 767}));
}

}  // namespace
}  // namespace sandloop
