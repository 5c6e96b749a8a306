// The analog clock: its tables, sizes and hand points, and the face as it
// lands on a headless page.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>

#include "SpriteTestSupport.h"
#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/DXClock.h"
#include "kit/LocalClock.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace {

using sandloop::FixedClock;
using sandloop::LocalTime;
using sandloop::TDDmain;
using sandloop::TDXClock;
using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;
using sandloop::display::Op;

LocalTime At(int h, int m, int s) {
  LocalTime t;
  t.hour = h;
  t.minute = m;
  t.second = s;
  return t;
}

void ExpectPoint(const POINT& p, int x, int y) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.y, y);
}

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Open(800, 600);
    clock_.SetRadius(100);
  }
  // Opens the device at w x h (adding the mode) with the clock on it.
  void Open(int w, int h) {
    auto modes = hb_->Modes();
    modes.push_back({w, h, 32});
    hb_->SetModes(modes);
    sandloop::display::SetBackend(hb_);
    dd_.SetWidth(w);
    dd_.SetHeight(h);
    dd_.SetColorDepth(32);
    dd_.SetEnabled(true);
    ASSERT_NE(dd_.FpDDSBack, nullptr);
    clock_.DDmainModule = &dd_;
  }
  void TearDown() override {
    dd_.SetEnabled(false);
    sandloop::display::SetBackend(nullptr);
  }

  // Draws the clock at a time on a cleared page and shows it.
  void Show(int h, int m, int s) {
    time_.Set(At(h, m, s));
    dd_.ClearBackSurface();
    clock_.ShowClock();
    dd_.FlipSurfaces();
  }
  [[nodiscard]] std::uint32_t Screen(int x, int y) const { return hb_->Screen().Pixel(x, y) & 0xFFFFFF; }
  [[nodiscard]] bool Lit(int x, int y) const { return Screen(x, y) != 0; }

  std::shared_ptr<HeadlessBackend> hb_ = CreateHeadlessBackend();
  sandloop::testing::TestForm form_{*hb_};
  TDDmain dd_{&form_};
  FixedClock time_{At(12, 0, 0)};
  TDXClock clock_{&form_, time_};
};

TEST_F(ClockTest, TablesUseTheFloatTurnConstant) {
  EXPECT_EQ(std::bit_cast<std::uint32_t>(6.283184f), 0x40C90FD8u);
  EXPECT_EQ(clock_.SinTable(0), 0.0f);
  EXPECT_EQ(clock_.CosTable(0), 1.0f);
  // The constant is a little short of 2 pi: the quarter turn's cosine is
  // just above zero, the half turn's sine too.
  EXPECT_GT(clock_.CosTable(15), 3.0e-7f);
  EXPECT_LT(clock_.CosTable(15), 3.3e-7f);
  EXPECT_EQ(clock_.SinTable(15), 1.0f);
  EXPECT_GT(clock_.SinTable(30), 0.0f);
  EXPECT_EQ(clock_.CosTable(30), -1.0f);
}

TEST_F(ClockTest, SizesFollowTheRadius) {
  clock_.SetRadius(70);
  const TDXClock::Sizes s = clock_.GetSizes();
  EXPECT_EQ(s.centre, 1);
  EXPECT_EQ(s.minuteDot, 1);
  EXPECT_EQ(s.fiveDot, 2);
  EXPECT_EQ(s.quarter, 2);
  EXPECT_EQ(s.hourLength, 47);
  EXPECT_EQ(s.hourHalf, 3);
  EXPECT_EQ(s.minuteLength, 63);
  EXPECT_EQ(s.minuteHalf, 2);
  clock_.SetRadius(140);
  EXPECT_EQ(clock_.GetSizes().centre, 3);

  // Radius 70 at midnight: hour tail 1, minute tail 2, second hand from 67
  // before the centre to 11 behind it.
  clock_.SetRadius(70);
  Show(0, 0, 0);
  ExpectPoint(clock_.HourHandPoints()[0], 200, 153);
  ExpectPoint(clock_.HourHandPoints()[2], 200, 201);
  ExpectPoint(clock_.MinuteHandPoints()[2], 200, 202);
  ExpectPoint(clock_.SecondHandPoints()[0], 200, 133);
  ExpectPoint(clock_.SecondHandPoints()[1], 200, 211);
}

TEST_F(ClockTest, HandsAtNoon) {
  Show(12, 0, 0);
  const auto& h = clock_.HourHandPoints();
  ExpectPoint(h[0], 200, 133);
  ExpectPoint(h[1], 205, 200);
  ExpectPoint(h[2], 200, 202);
  ExpectPoint(h[3], 195, 200);
  const auto& m = clock_.MinuteHandPoints();
  ExpectPoint(m[0], 200, 110);
  ExpectPoint(m[1], 203, 200);
  ExpectPoint(m[2], 200, 203);
  ExpectPoint(m[3], 197, 200);
  ExpectPoint(clock_.SecondHandPoints()[0], 200, 105);
  ExpectPoint(clock_.SecondHandPoints()[1], 200, 216);
  // On the page: the second hand's tip is drawn, its tail end left out.
  EXPECT_TRUE(Lit(200, 105));
  EXPECT_FALSE(Lit(200, 104));
  EXPECT_TRUE(Lit(200, 215));
  EXPECT_FALSE(Lit(200, 216));
  // The hour kite is filled between its side points and outlined to them.
  EXPECT_TRUE(Lit(205, 200));
  EXPECT_TRUE(Lit(195, 200));
  EXPECT_FALSE(Lit(206, 200));
  EXPECT_FALSE(Lit(194, 200));
  EXPECT_EQ(Screen(200, 150), 0xFFFFFFu);
}

TEST_F(ClockTest, QuarterPastTruncatesTowardZero) {
  Show(3, 0, 0);
  EXPECT_EQ(TDXClock::HourIndex(3, 0), 15);
  ExpectPoint(clock_.HourHandPoints()[0], 267, 199);
  EXPECT_TRUE(Lit(267, 199));
  EXPECT_FALSE(Lit(268, 199));
  EXPECT_FALSE(Lit(267, 200));
  EXPECT_EQ(TDXClock::HourIndex(15, 59), 19);
}

TEST_F(ClockTest, LastSecondOfTheDayStaysInTheTables) {
  EXPECT_EQ(TDXClock::HourIndex(23, 59), 59);
  Show(23, 59, 59);
  const POINT tip = clock_.HandPoint(0, -90, 59);
  ExpectPoint(clock_.MinuteHandPoints()[0], tip.x, tip.y);
  ExpectPoint(clock_.HourHandPoints()[0], clock_.HandPoint(0, -67, 59).x, clock_.HandPoint(0, -67, 59).y);
  ExpectPoint(clock_.SecondHandPoints()[0], clock_.HandPoint(0, -95, 59).x, clock_.HandPoint(0, -95, 59).y);
  EXPECT_LT(tip.x, 200);  // just left of 12
  EXPECT_TRUE(Lit(tip.x, tip.y));
}

TEST_F(ClockTest, MarksSitOnTheRing) {
  ExpectPoint(clock_.MarkPoint(0), 200, 300);
  ExpectPoint(clock_.MarkPoint(15), 100, 200);
  ExpectPoint(clock_.MarkPoint(30), 199, 100);
  ExpectPoint(clock_.MarkPoint(45), 300, 199);
  Show(12, 0, 0);
  // Quarter squares of half-size 3: [x - 3, x + 3) on both axes.
  for (const auto& [x, y] : {std::pair{200, 300}, {100, 200}, {199, 100}, {300, 199}}) {
    EXPECT_TRUE(Lit(x - 3, y - 3)) << x << "," << y;
    EXPECT_TRUE(Lit(x + 2, y + 2)) << x << "," << y;
    EXPECT_FALSE(Lit(x + 3, y)) << x << "," << y;
    EXPECT_FALSE(Lit(x, y + 3)) << x << "," << y;
    EXPECT_FALSE(Lit(x - 4, y)) << x << "," << y;
  }
  // A minute dot of radius 1 covers the 2x2 pixels up and left of its point.
  const POINT p = clock_.MarkPoint(1);
  EXPECT_TRUE(Lit(p.x - 1, p.y - 1));
  EXPECT_TRUE(Lit(p.x, p.y));
  EXPECT_FALSE(Lit(p.x + 1, p.y));
  EXPECT_FALSE(Lit(p.x, p.y + 1));
}

TEST_F(ClockTest, MarkSizesOnThePage) {
  struct Case {
    int radius, minute, five, quarter;
  };
  for (const Case& c : {Case{79, 1, 2, 2}, Case{140, 2, 3, 4}}) {
    SCOPED_TRACE(c.radius);
    clock_.SetRadius(c.radius);
    clock_.SetXcenter(400);
    clock_.SetYcenter(300);
    const TDXClock::Sizes s = clock_.GetSizes();
    EXPECT_EQ(s.minuteDot, c.minute);
    EXPECT_EQ(s.fiveDot, c.five);
    EXPECT_EQ(s.quarter, c.quarter);
    Show(12, 0, 0);
    // A dot of radius d fills its 2d x 2d box but for the corners (d > 1);
    // its middle row spans the whole box.
    const POINT five = clock_.MarkPoint(5);
    EXPECT_TRUE(Lit(five.x - c.five, five.y));
    EXPECT_TRUE(Lit(five.x + c.five - 1, five.y));
    EXPECT_FALSE(Lit(five.x + c.five, five.y));
    EXPECT_FALSE(Lit(five.x - c.five, five.y - c.five));
    const POINT minute = clock_.MarkPoint(1);
    EXPECT_TRUE(Lit(minute.x - c.minute, minute.y));
    EXPECT_TRUE(Lit(minute.x + c.minute - 1, minute.y));
    EXPECT_FALSE(Lit(minute.x + c.minute, minute.y));
    EXPECT_FALSE(Lit(minute.x, minute.y + c.minute));
    // Squares fill their whole box, corners included.
    const POINT square = clock_.MarkPoint(0);
    EXPECT_TRUE(Lit(square.x - c.quarter, square.y - c.quarter));
    EXPECT_TRUE(Lit(square.x + c.quarter - 1, square.y + c.quarter - 1));
    EXPECT_FALSE(Lit(square.x + c.quarter, square.y));
    EXPECT_FALSE(Lit(square.x, square.y - c.quarter - 1));
  }
}

TEST_F(ClockTest, ColourAppliesToEveryPartAtTheNextShow) {
  Show(12, 0, 0);
  EXPECT_EQ(Screen(200, 300), 0xFFFFFFu);
  clock_.SetColor(0xC59F5A);  // 0x00BBGGRR
  EXPECT_EQ(Screen(200, 300), 0xFFFFFFu);
  Show(12, 0, 0);
  for (const auto& [x, y] : {std::pair{200, 300}, {200, 150}, {200, 107}, {200, 200}, {201, 301}})
    EXPECT_EQ(Screen(x, y), 0x5A9FC5u) << x << "," << y;
}

TEST_F(ClockTest, EveryContextIsReleasedAndAClosedDeviceDrawsNothing) {
  Show(10, 8, 30);
  EXPECT_EQ(hb_->Calls(Op::GetDC), hb_->Calls(Op::ReleaseDC));
  // A context that cannot be had: nothing drawn, nothing left behind.
  hb_->FailOnce(Op::GetDC, DDERR_CANTCREATEDC);
  dd_.ClearBackSurface();
  clock_.ShowClock();
  dd_.FlipSurfaces();
  EXPECT_FALSE(Lit(200, 300));
  dd_.SetEnabled(false);
  clock_.ShowClock();  // no back buffer: does nothing
  TDXClock unattached(nullptr);
  unattached.SetRadius(60);
  unattached.ShowClock();
}

}  // namespace

namespace {

// The smooth face on a 3840 x 2160 page: lines of the weight such a screen
// gets are three pixels wide or more, and their edges are soft.
class SmoothClockTest : public ClockTest {
 protected:
  void SetUp() override {
    time_.Set(At(9, 0, 2));  // the second hand points a little right of 12
    Open(3840, 2160);
    clock_.SetRadius(200);
    clock_.SetXcenter(1000);
    clock_.SetYcenter(800);
    clock_.SetSmoothWeight(TDXClock::WeightForHeight(2160));
  }
  [[nodiscard]] unsigned Level(int x, int y) const { return hb_->Screen().Pixel(x, y) & 0xFF; }
};

TEST_F(SmoothClockTest, LinesAtFourKAreThreePixelsWideWithSoftEdges) {
  EXPECT_EQ(TDXClock::WeightForHeight(2160), 3.0);
  EXPECT_EQ(TDXClock::WeightForHeight(768), 1.0);
  EXPECT_EQ(TDXClock::WeightForHeight(600), 1.0);
  dd_.ClearBackSurface();
  clock_.ShowClock();
  dd_.FlipSurfaces();
  // Across the second hand, halfway out: count the pixels at least half
  // covered, and the partly covered ones beside them.
  const auto across_row = [&](int y, int x0, int x1, int& full, int& soft) {
    full = soft = 0;
    for (int x = x0; x < x1; ++x) {
      const unsigned v = Level(x, y);
      if (v >= 128) ++full;
      else if (v > 0) ++soft;
    }
  };
  const POINT tip = clock_.SecondHandPoints()[0];
  const int y = (tip.y + 800) / 2;
  int full = 0, soft = 0;
  across_row(y, 1010, 1060, full, soft);  // right of the minute hand at 12
  EXPECT_GE(full, 3) << "second hand at row " << y;
  EXPECT_LE(full, 5);
  EXPECT_GT(soft, 0) << "an anti-aliased line has partly covered pixels";
  // A minute dot on the ring (mark 2, away from the hands and the big
  // dots): a disc of radius 3, so six or seven pixels across.
  const POINT dot = clock_.MarkPoint(2);
  across_row(dot.y, dot.x - 10, dot.x + 11, full, soft);
  EXPECT_GE(full, 5);
  EXPECT_LE(full, 7);
  // The design's face at the weight 0 is unchanged: one-pixel hard lines.
  clock_.SetSmoothWeight(0);
  dd_.ClearBackSurface();
  clock_.ShowClock();
  dd_.FlipSurfaces();
  across_row(y, 1010, 1060, full, soft);
  EXPECT_EQ(full, 1);
  EXPECT_EQ(soft, 0);
}

}  // namespace
