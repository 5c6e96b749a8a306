// The eagles and butterflies: their paths against our own evaluation of
// the B-spline, the segment order and wrap, the headings and sides, the
// wing beats and pauses, the creation tables and the values the frame
// reads from another thread.
#include "scene/Creatures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace {

using namespace sandloop;

// The path point at `t` of segment `i`, from the B-spline's basis
// functions in double precision: an evaluation independent of the
// coefficient form the records use.
template <class Record>
std::pair<double, double> Spline(const Record& r, int i, double t) {
  const int n = r.PointCount;
  const TPathPoint p[4] = {r.Points[(i + n - 1) % n], r.Points[i], r.Points[(i + 1) % n], r.Points[(i + 2) % n]};
  const double b[4] = {(1 - t) * (1 - t) * (1 - t) / 6, (3 * t * t * t - 6 * t * t + 4) / 6,
                       (-3 * t * t * t + 3 * t * t + 3 * t + 1) / 6, t * t * t / 6};
  double x = 0, y = 0;
  for (int k = 0; k < 4; ++k) {
    x += b[k] * p[k].x;
    y += b[k] * p[k].y;
  }
  return {x, y};
}

struct Made {
  EagleArray eagles;
  ButterflyArray butterflies;
  int numButterflies = -1;
  int wingCounter = -1;
};

// An eagle flying straight along (dx, dy) per segment, already moving:
// four evenly spaced points in a line, its previous position on the path.
std::unique_ptr<TEagle> LinearEagle(int dx, int dy) {
  auto e = std::make_unique<TEagle>();
  e->PointCount = 4;
  for (int k = 0; k < 4; ++k) e->Points[k] = {400 + k * dx, 300 + k * dy};
  e->StepsPerSegment = 50;
  e->Segment = 1;
  e->Pause = 1000;
  SetSegment(*e, 1);
  e->PrevX = e->CoefX[0];
  e->PrevY = e->CoefY[0];
  return e;
}

TEST(Creatures, CreationTablesAndLimits) {
  ScriptedRandom random({0});
  Made m;
  for (const auto& [asked, made] : std::vector<std::pair<int, int>>{{0, 0}, {-3, 0}, {4, 4}, {7, 7}, {9, 7}}) {
    EXPECT_EQ(InitEagles(m.eagles, asked, random), made) << asked;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(m.eagles[i] != nullptr, i < made) << asked << " " << i;
  }
  const int starts[7] = {1, 28, 44, 12, 32, 21, 12};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(m.eagles[i]->Segment, starts[i]);
    EXPECT_EQ(m.eagles[i]->PointCount, 51);
    EXPECT_EQ(m.eagles[i]->StepsPerSegment, 50);
    EXPECT_EQ(m.eagles[i]->Step, 0);
  }

  InitButterflies(m.butterflies, m.numButterflies, m.wingCounter);
  EXPECT_EQ(m.numButterflies, 3);
  EXPECT_EQ(m.wingCounter, 0);
  const int bstarts[3] = {20, 28, 60};
  for (int k = 0; k < 10; ++k) ASSERT_EQ(m.butterflies[k] != nullptr, k < 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(m.butterflies[k]->Segment, bstarts[k]);
    EXPECT_EQ(m.butterflies[k]->PointCount, 74);
    EXPECT_EQ(m.butterflies[k]->StepsPerSegment, 30);
  }
  std::atomic<int> shared{9};
  InitButterflies(m.butterflies, m.numButterflies, shared);
  EXPECT_EQ(shared, 0);
}

TEST(Creatures, PauseAndSideComeFromTheRandomSourceInOrder) {
  // Per eagle: the pause (random(300) + 50), then the side (random(100) > 50).
  ScriptedRandom random({299, 51, 300, 50, 649, 151});
  EagleArray eagles;
  ASSERT_EQ(InitEagles(eagles, 3, random), 3);
  EXPECT_EQ(eagles[0]->Pause, 349);
  EXPECT_EQ(eagles[0]->Side, 1);
  EXPECT_EQ(eagles[1]->Pause, 50);
  EXPECT_EQ(eagles[1]->Side, 0);
  EXPECT_EQ(eagles[2]->Pause, 99);
  EXPECT_EQ(eagles[2]->Side, 1);  // 151 % 100 = 51 > 50
}

TEST(Creatures, FirstTickEvaluatesTheFirstFiftiethAndHeadsFromTheOrigin) {
  ScriptedRandom random({0});  // pause 50, side 0
  EagleArray eagles;
  ASSERT_EQ(InitEagles(eagles, 1, random), 1);
  TEagle& e = *eagles[0];
  StepEagle(e, random);
  EXPECT_EQ(e.Segment, 1);
  EXPECT_EQ(e.Step, 1);
  const auto [x, y] = Spline(e, 1, 1.0 / 50);
  EXPECT_NEAR(DesignX(e), x, 1e-3);
  EXPECT_NEAR(DesignY(e), y, 1e-3);
  // From (0, 0) to about (188.9, 56.2): 16.6 degrees below the horizontal,
  // cosine 0.958, so the rightmost heading and a flipped side.
  EXPECT_EQ(e.Heading, 23);
  EXPECT_EQ(e.Side, 1);
  EXPECT_EQ(e.PrevX, DesignX(e));
  EXPECT_EQ(e.PrevY, DesignY(e));
}

TEST(Creatures, EverySegmentFollowsTheSplineAndWrapsAtTheEndOfTheList) {
  ScriptedRandom random({0});
  Made m;
  InitEagles(m.eagles, 1, random);
  InitButterflies(m.butterflies, m.numButterflies, m.wingCounter);
  auto check = [](auto& r) {
    for (int i = 0; i < r.PointCount; ++i) {
      SetSegment(r, i);
      for (double t : {0.0, 0.3, 0.5, 1.0}) {
        const auto [x, y] = Spline(r, i, t);
        const float ft = static_cast<float>(t);
        EXPECT_NEAR(((r.CoefX[3] * ft + r.CoefX[2]) * ft + r.CoefX[1]) * ft + r.CoefX[0], x, 1e-3) << i << " " << t;
        EXPECT_NEAR(((r.CoefY[3] * ft + r.CoefY[2]) * ft + r.CoefY[1]) * ft + r.CoefY[0], y, 1e-3) << i << " " << t;
      }
    }
  };
  check(*m.eagles[0]);
  check(*m.butterflies[0]);

  // The wrap by hand: segment 50 of the eagles starts at (P49 + 4 P50 + P0) / 6
  // and ends at (P50 + 4 P0 + P1) / 6, where segment 0 starts.
  TEagle& e = *m.eagles[0];
  SetSegment(e, 50);
  EXPECT_FLOAT_EQ(e.CoefX[0], (88 + 4 * 18 + 66) / 6.0f);
  EXPECT_FLOAT_EQ(e.CoefY[0], (25 + 4 * 42 + 73) / 6.0f);
  EXPECT_FLOAT_EQ(e.CoefX[0] + e.CoefX[1] + e.CoefX[2] + e.CoefX[3], (18 + 4 * 66 + 209) / 6.0f);
  SetSegment(e, 0);
  EXPECT_FLOAT_EQ(e.CoefX[0], (18 + 4 * 66 + 209) / 6.0f);
  EXPECT_FLOAT_EQ(e.CoefX[0] + e.CoefX[1] + e.CoefX[2] + e.CoefX[3], (66 + 4 * 209 + 222) / 6.0f);
  TButterfly& b = *m.butterflies[0];
  SetSegment(b, 73);
  EXPECT_FLOAT_EQ(b.CoefX[0], (64 + 4 * 1 + 3) / 6.0f);
  EXPECT_FLOAT_EQ(b.CoefY[0] + b.CoefY[1] + b.CoefY[2] + b.CoefY[3], (386 + 4 * 365 + 454) / 6.0f);
}

TEST(Creatures, SegmentsFollowOneAnotherAndACircuitTakesPointsTimesSteps) {
  ScriptedRandom random({0});
  Made m;
  InitEagles(m.eagles, 1, random);
  InitButterflies(m.butterflies, m.numButterflies, m.wingCounter);
  TEagle& e = *m.eagles[0];
  TButterfly& b = *m.butterflies[2];  // starts at segment 60

  std::vector<std::pair<float, float>> eagle, butterfly;
  for (int tick = 1; tick <= 2551; ++tick) {
    StepEagle(e, random);
    eagle.emplace_back(DesignX(e), DesignY(e));
    if (tick == 50) {
      EXPECT_EQ(e.Step, 50);
    }
    if (tick == 51) {
      EXPECT_EQ(e.Segment, 2);
      EXPECT_EQ(e.Step, 1);
      const auto [x, y] = Spline(e, 2, 1.0 / 50);
      EXPECT_NEAR(DesignX(e), x, 1e-3);
      EXPECT_NEAR(DesignY(e), y, 1e-3);
    }
  }
  for (int tick = 1; tick <= 2221; ++tick) {
    StepButterfly(b);
    butterfly.emplace_back(DesignX(b), DesignY(b));
    if (tick == 14 * 30 + 1) {
      EXPECT_EQ(b.Segment, 0) << "73 wraps to 0";
    }
  }
  // Tick 2551 repeats tick 1 bit for bit, and no tick in between does.
  EXPECT_EQ(eagle[2550], eagle[0]);
  EXPECT_EQ(e.Segment, 1);
  EXPECT_EQ(butterfly[2220], butterfly[0]);
  EXPECT_EQ(b.Segment, 60);
  for (int k = 1; k < 2550; ++k) EXPECT_NE(eagle[k], eagle[0]) << k;
  for (int k = 1; k < 2220; ++k) EXPECT_NE(butterfly[k], butterfly[0]) << k;
  // The butterfly path leaves the screen at the sides and the bottom.
  float min_x = 1e9f, max_x = -1e9f, max_y = -1e9f;
  for (const auto& [x, y] : butterfly) {
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    max_y = std::max(max_y, y);
  }
  EXPECT_LT(min_x, 0.0f);
  EXPECT_GT(max_x, 800.0f);
  EXPECT_GT(max_y, 600.0f);
}

TEST(Creatures, HeadingFollowsTheDirectionOfFlight) {
  ScriptedRandom random({0});
  struct Case {
    int dx, dy, heading;
    bool flips;
  };
  const Case cases[] = {
      {100, 0, 23, true},   // straight right
      {-100, 0, 0, true},   // straight left
      {0, 100, 12, false},  // straight down: c = 0 is not below 0
      {0, -100, 12, false}, // straight up, the same slant
      {100, 100, 20, false},
      {100, -100, 20, false},
      {-100, 100, 3, false},
      {300, 100, 22, false},  // 18.4 degrees: cosine 0.9487
      {-300, 100, 1, false},
      {400, 100, 23, true},   // 14.0 degrees: cosine 0.970
      {-400, -100, 0, true},
  };
  for (const Case& c : cases) {
    auto e = LinearEagle(c.dx, c.dy);
    std::vector<int> sides;
    for (int tick = 0; tick < 4; ++tick) {
      StepEagle(*e, random);
      EXPECT_EQ(e->Heading, c.heading) << c.dx << "," << c.dy << " tick " << tick;
      sides.push_back(e->Side);
    }
    const std::vector<int> expected = c.flips ? std::vector<int>{1, 0, 1, 0} : std::vector<int>{0, 0, 0, 0};
    EXPECT_EQ(sides, expected) << c.dx << "," << c.dy;
  }
}

TEST(Creatures, AnEagleThatHasNotMovedKeepsItsHeadingAndSide) {
  ScriptedRandom random({0});
  auto e = LinearEagle(0, 0);
  e->Heading = 7;
  e->Side = 1;
  StepEagle(*e, random);
  EXPECT_EQ(e->Heading, 7);
  EXPECT_EQ(e->Side, 1);
  EXPECT_EQ(EaglePicture(*e), 7 + 24);
}

TEST(Creatures, WingBeatsAndPauses) {
  // A new eagle with pause 50 glides 50 ticks, starts its bout on tick 51
  // and shows wing row 1 from tick 52.
  ScriptedRandom random({0, 0, 0});
  EagleArray eagles;
  InitEagles(eagles, 1, random);
  TEagle& e = *eagles[0];
  const int calls_after_init = random.Calls();
  for (int tick = 1; tick <= 51; ++tick) {
    StepEagle(e, random);
    EXPECT_EQ(e.WingRow, 0) << tick;
    EXPECT_EQ(e.Flapping, tick == 51) << tick;
  }
  std::vector<int> rows;
  for (int tick = 52; tick <= 71; ++tick) {
    StepEagle(e, random);
    rows.push_back(e.WingRow);
  }
  EXPECT_EQ(rows, (std::vector<int>{1, 1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0}));
  // The closing tick drew the next pause (0) with the only call since creation.
  EXPECT_FALSE(e.Flapping);
  EXPECT_EQ(e.Pause, 0);
  EXPECT_EQ(random.Calls(), calls_after_init + 1);
  // A pause of 0: the next bout starts on the first following tick, and
  // wing row 1 shows on the second.
  StepEagle(e, random);
  EXPECT_TRUE(e.Flapping);
  EXPECT_EQ(e.WingRow, 0);
  StepEagle(e, random);
  EXPECT_EQ(e.WingRow, 1);
}

TEST(Creatures, PictureNumbers) {
  TEagle e;
  e.Heading = 5;
  e.Side = 1;
  e.WingRow = 2;
  EXPECT_EQ(EaglePicture(e), 5 + 24 + 96);
  e.Heading = 23;
  EXPECT_EQ(EaglePicture(e), 143);

  EXPECT_EQ(NextWingCounter(14), 15);
  EXPECT_EQ(NextWingCounter(15), 0);
  // w, w + 1, w + 2 modulo 15; frame 15 never shows.
  EXPECT_EQ(ButterflyPicture(3, 2), 5);
  EXPECT_EQ(ButterflyPicture(14, 1), 0);
  EXPECT_EQ(ButterflyPicture(15, 0), 0);
  EXPECT_EQ(ButterflyPicture(15, 2), 2);

  EXPECT_EQ(DesignToScreen(-100.0f, 800, 800), -100);
  EXPECT_EQ(DesignToScreen(-100.0f, 1024, 800), -128);
  EXPECT_EQ(DesignToScreen(-0.9f, 1024, 800), 0);  // cut toward zero first
  EXPECT_EQ(DesignToScreen(599.9f, 768, 600), 766);
}

TEST(Creatures, SeededSourceIsTheSameEverywhere) {
  SeededRandom a(1), b(1), c(2);
  EXPECT_EQ(a.Next(), 41);  // the generator's fixed first value for seed 1
  b.Next();
  bool differs = false;
  for (int k = 0; k < 1000; ++k) {
    const int v = a.Next();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
    EXPECT_EQ(v, b.Next());
    differs |= v != c.Next();
  }
  EXPECT_TRUE(differs);
  a.Seed(7);
  b.Seed(7);
  EXPECT_EQ(a.Random(300), b.Random(300));
}

// The frame reads positions and pictures while the tick writes them: every
// value it sees is whole and in range (and ThreadSanitizer stays quiet).
TEST(Creatures, FrameReadsWhileTheTickSteps) {
  SeededRandom random(5);
  Made m;
  const int n = InitEagles(m.eagles, 7, random);
  InitButterflies(m.butterflies, m.numButterflies, m.wingCounter);
  std::atomic<bool> stop{false};
  std::thread tick([&] {
    for (int k = 0; k < 20000; ++k) {
      for (int i = 0; i < n; ++i) StepEagle(*m.eagles[i], random);
      for (int i = 0; i < m.numButterflies; ++i) StepButterfly(*m.butterflies[i]);
    }
    stop = true;
  });
  int bad = 0;
  while (!stop) {
    for (int i = 0; i < n; ++i) {
      const int p = EaglePicture(*m.eagles[i]);
      const float x = DesignX(*m.eagles[i]), y = DesignY(*m.eagles[i]);
      bad += p < 0 || p > 143 || !(x > -50 && x < 850) || !(y > -50 && y < 650);
    }
    for (int k = 0; k < 3; ++k) {
      const float x = DesignX(*m.butterflies[k]);
      bad += !(x > -200 && x < 900);
    }
  }
  tick.join();
  EXPECT_EQ(bad, 0);
}

}  // namespace
