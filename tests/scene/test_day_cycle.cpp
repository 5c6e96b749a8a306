// The time of day: the key times, the colours and blends with sunrise at
// 06:00 and sunset at 18:00, the demonstration clock and its text, and the
// tint on a headless display (ramp, pixels, test line, no gamma support).
#include "scene/DayCycle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>

#include "kit/DDgamma.h"
#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/LocalClock.h"
#include "kit/ddraw/gdi.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace {

using sandloop::TDayCycle;
using sandloop::TRGB;
using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;

// Sunrise at 06:00 and sunset at 18:00.
void SixToSix(TDayCycle& d) { d.SetSunTimes(6.0f, 18.0f); }

TEST(DayCycle, KeyTimesFromSunriseAndSunset) {
  TDayCycle d;
  d.SetSunTimes(6.0f, 18.0f);
  EXPECT_EQ(d.SunriseSec, 21600);
  EXPECT_EQ(d.SunsetSec, 64800);
  const int expected[6] = {18900, 21600, 28800, 57600, 64800, 67500};
  const int got[6] = {d.NightEnd, d.DawnEnd, d.MorningEnd, d.EveningStart, d.DuskEnd, d.NightStart};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(got[k], expected[k]) << k;

  // Truncated toward zero, not rounded: 6.9999 h is 25199.64 s.
  d.SetSunTimes(6.9999f, -0.0001f);
  EXPECT_EQ(d.SunriseSec, 25199);
  EXPECT_EQ(d.SunsetSec, 0);

  // A sun that neither rises nor sets gives 0.0 (1.0 with daylight saving).
  d.SetSunTimes(0.0f, 0.0f);
  EXPECT_EQ(d.NightEnd, -2700);
  EXPECT_EQ(d.MorningEnd, 7200);
  EXPECT_EQ(d.EveningStart, -7200);
  EXPECT_EQ(d.NightStart, 2700);
  EXPECT_EQ(d.ColourAt(2700), d.NightRGB);      // night from 00:45 on
  EXPECT_EQ(d.ColourAt(1800), (TRGB{166, 131, 131}));  // a quarter from dawn to daylight
  d.SetSunTimes(1.0f, 1.0f);
  EXPECT_EQ(d.ColourAt(900), d.NightRGB);       // night until 00:15
  EXPECT_EQ(d.ColourAt(3600), d.DawnRGB);       // the dawn colour at 01:00

  // Nonsense from the sun computation counts as the polar value.
  d.SetSunTimes(std::nanf(""), 1e30f);
  EXPECT_EQ(d.SunriseSec, 0);
  EXPECT_EQ(d.SunsetSec, 0);
}

TEST(DayCycle, ColoursThroughTheDay) {
  TDayCycle d;
  SixToSix(d);
  struct Case {
    int t;
    TRGB rgb;
  };
  const Case cases[] = {
      {0, {60, 70, 90}},
      {18900, {60, 70, 90}},     // night ends
      {20250, {98, 80, 90}},     // 60 + 77 * 1350 / 2700 = 60 + 38.5, truncated
      {21600, {137, 90, 90}},    // the dawn colour exactly
      {25200, {196, 172, 172}},  // half-way to daylight
      {28800, {255, 255, 255}},
      {43200, {255, 255, 255}},
      {57600, {255, 255, 255}},
      {61200, {219, 184, 154}},  // steps -36.5, -71.5, -101.5 truncate toward zero
      {64800, {182, 112, 52}},   // the dusk colour exactly
      {66150, {121, 91, 71}},
      {67500, {60, 70, 90}},
      {86400, {60, 70, 90}},
  };
  for (const Case& c : cases) EXPECT_EQ(d.ColourAt(c.t), c.rgb) << c.t;
}

TEST(DayCycle, DemonstrationClockAndText) {
  EXPECT_EQ(TDayCycle::DemoText(43200), "Demo Time: 12:0AM");
  EXPECT_EQ(TDayCycle::DemoText(46800), "Demo Time: 1:0PM");
  EXPECT_EQ(TDayCycle::DemoText(86400), "Demo Time: 12:0PM");
  EXPECT_EQ(TDayCycle::DemoText(68700), "Demo Time: 7:5PM");
  EXPECT_EQ(TDayCycle::DemoText(0), "Demo Time: 0:0AM");
  EXPECT_EQ(TDayCycle::DemoText(45959), "Demo Time: 12:45AM");

  TDayCycle d;
  d.TimeOfDay = 1234;
  d.StartDemoClock();
  EXPECT_EQ(d.TimeOfDay, 43200);
  int at86400 = 0;
  for (int tick = 1; tick <= 1729; ++tick) {
    d.AdvanceDemoClock();
    if (d.TimeOfDay == 86400) ++at86400;
    if (tick >= 864 && tick <= 866) {
      EXPECT_EQ(d.TimeOfDay, tick == 864 ? 86400 : tick == 865 ? 0 : 50) << tick;
    }
  }
  EXPECT_EQ(at86400, 1);
  EXPECT_EQ(d.TimeOfDay, 43200);  // a demonstration day is 1,729 ticks
}

class Form : public sandloop::TWindowHolder {
 public:
  Form() : TWindowHolder("test") {}
};

// A 64 x 48 display on the headless back end, filled with one grey.
class DayCycleTint : public ::testing::Test {
 protected:
  void SetUp() override {
    sandloop::display::SetBackend(hb_);
    SixToSix(day_);
  }
  void TearDown() override {
    gamma_.SetEnabled(false);
    dd_.SetEnabled(false);
    sandloop::display::SetBackend(nullptr);
  }
  void Open() {
    gamma_.DDmainModule = &dd_;
    dd_.SetWidth(800);
    dd_.SetHeight(600);
    dd_.SetColorDepth(32);
    dd_.SetEnabled(true);
    ASSERT_NE(dd_.FpDDSPrimary, nullptr);
  }
  // What the viewer sees at (400, 300) of a page of grey 200.
  std::uint32_t Shown() {
    dd_.ClearBackSurface();
    HDC dc = nullptr;
    EXPECT_EQ(dd_.FpDDSBack->GetDC(&dc), DD_OK);
    SetPixel(dc, 400, 300, RGB(200, 200, 200));
    dd_.FpDDSBack->ReleaseDC(dc);
    dd_.FlipSurfaces();
    return hb_->Screen().Pixel(400, 300) & 0xFFFFFF;
  }
  static std::uint32_t Tinted(const TRGB& c) {
    // The high byte of entry 200 of each linear ramp.
    return ((200u * c.red & 0xFFFF) >> 8) << 16 | ((200u * c.green & 0xFFFF) >> 8) << 8 | ((200u * c.blue & 0xFFFF) >> 8);
  }

  std::shared_ptr<HeadlessBackend> hb_ = CreateHeadlessBackend();
  Form form_;
  sandloop::TDDmain dd_{&form_};
  sandloop::TDDgamma gamma_{&form_};
  sandloop::FixedClock clock_{sandloop::LocalTime{}};
  TDayCycle day_;
};

TEST_F(DayCycleTint, DemonstrationDayTintsThePictureAndShowsTheTime) {
  Open();
  EXPECT_EQ(Shown(), 0xC8C8C8u);
  day_.StartTint(gamma_, dd_, clock_);
  EXPECT_EQ(day_.TimeOfDay, 43200);
  EXPECT_TRUE(gamma_.Enabled());
  EXPECT_EQ(day_.CurrentRGB(), (TRGB{255, 255, 255}));
  EXPECT_EQ(Shown(), Tinted({255, 255, 255}));
  EXPECT_TRUE(dd_.ShowTestString());
  EXPECT_EQ(dd_.TestString(), "Demo Time: 12:0AM");

  // One frame per key colour, as the ticks reach them.
  const std::pair<int, TRGB> keys[] = {
      {64800, {182, 112, 52}}, {67500, {60, 70, 90}}, {21600, {137, 90, 90}}, {28800, {255, 255, 255}}};
  for (const auto& [t, rgb] : keys) {
    day_.TimeOfDay = t - 50;
    day_.Tick(gamma_, dd_, clock_);
    EXPECT_EQ(day_.TimeOfDay, t);
    EXPECT_EQ(day_.CurrentRGB(), rgb) << t;
    EXPECT_EQ(Shown(), Tinted(rgb)) << t;
    EXPECT_EQ(dd_.TestString(), TDayCycle::DemoText(t));
  }
  EXPECT_EQ(Shown(), 0xC7C7C7u);  // 200 * 255 / 256: full daylight is a hair darker

  // Without the "show" option the line is left as it was: on once, never off.
  day_.FlagShowSimulateTime = false;
  day_.Tick(gamma_, dd_, clock_);
  EXPECT_TRUE(dd_.ShowTestString());
  EXPECT_EQ(dd_.TestString(), TDayCycle::DemoText(28800));
}

TEST_F(DayCycleTint, RealTimeDecidesWhenBothClocksAreOn) {
  Open();
  day_.FlagDaytime = true;
  clock_.Set({2024, 6, 1, 6, 18, 0, 0, 999});  // 18:00:00.999
  day_.StartTint(gamma_, dd_, clock_);
  EXPECT_EQ(day_.TimeOfDay, 64800);
  EXPECT_EQ(day_.CurrentRGB(), day_.DuskRGB);
  EXPECT_EQ(dd_.TestString(), "Demo Time: 6:0PM");
  clock_.Set({2024, 6, 1, 6, 5, 37, 30, 0});
  day_.Tick(gamma_, dd_, clock_);
  EXPECT_EQ(day_.TimeOfDay, 5 * 3600 + 37 * 60 + 30);
  EXPECT_EQ(dd_.TestString(), "Demo Time: 5:37AM");
  EXPECT_EQ(Shown(), Tinted(day_.CurrentRGB()));

  // Real time alone: tinted, no demonstration line.
  TDayCycle real;
  SixToSix(real);
  real.FlagDaytime = true;
  real.FlagDemoDaytime = false;
  dd_.SetShowTestString(false);
  dd_.SetTestString("");
  clock_.Set({2024, 6, 1, 6, 12, 0, 0, 0});
  real.StartTint(gamma_, dd_, clock_);
  EXPECT_EQ(real.TimeOfDay, 43200);
  EXPECT_FALSE(dd_.ShowTestString());
  EXPECT_EQ(Shown(), Tinted(real.DayRGB));

  // Neither: nothing at all.
  TDayCycle off;
  SixToSix(off);
  off.FlagDemoDaytime = false;
  off.TimeOfDay = 100;
  off.StartTint(gamma_, dd_, clock_);
  off.Tick(gamma_, dd_, clock_);
  EXPECT_EQ(off.TimeOfDay, 100);
  EXPECT_EQ(off.CurrentRGB(), (TRGB{256, 256, 256}));
}

TEST_F(DayCycleTint, WithoutGammaSupportNoTintNoLineButTheClockRuns) {
  hb_->SetGammaSupported(false);
  Open();
  day_.StartTint(gamma_, dd_, clock_);
  for (int k = 0; k < 20; ++k) day_.Tick(gamma_, dd_, clock_);
  EXPECT_EQ(day_.TimeOfDay, 43200 + 20 * 50);
  EXPECT_FALSE(gamma_.Enabled());
  EXPECT_FALSE(dd_.ShowTestString());
  EXPECT_EQ(dd_.TestString(), "");
  EXPECT_EQ(Shown(), 0xC8C8C8u);
}

// Set-up applies the tint on the main thread while the first ticks run on
// the timer thread, and frames draw the test line meanwhile.
TEST_F(DayCycleTint, SetUpTicksAndFramesRunSideBySide) {
  Open();
  std::thread timer([&] {
    for (int k = 0; k < 400; ++k) day_.Tick(gamma_, dd_, clock_);
  });
  day_.StartTint(gamma_, dd_, clock_);
  for (int k = 0; k < 50; ++k) dd_.FlipSurfaces();
  timer.join();
  // The start at noon is never lost to a tick: the clock is 43200 plus at
  // most 400 steps.
  const int t = day_.TimeOfDay;
  EXPECT_GE(t, 43200);
  EXPECT_LE(t, 43200 + 400 * 50);
  EXPECT_EQ(dd_.TestString(), TDayCycle::DemoText(t));
  EXPECT_EQ(day_.CurrentRGB(), day_.ColourAt(t));
}

}  // namespace
