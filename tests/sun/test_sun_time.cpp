#include "sun/SunTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop {
namespace {

// The float as it reads with as many significant digits as `expected`
// shows (trailing zeros included), so that values quoted to seven or eight
// digits are matched exactly as quoted.
std::string Shown(double value, const std::string& expected) {
  int digits = 0;
  bool leading = true;
  for (char c : expected) {
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++digits;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%#.*g", digits, value);
  std::string s = buf;
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

#define EXPECT_SHOWN(value, text) EXPECT_EQ(Shown((value), text), text) << #value

constexpr float kLondonLat = 51.53333282f;
constexpr float kLondonLng = 0.0833333358f;
constexpr float kAachenLat = 50.78333282f;
constexpr float kAachenLng = 6.0999999f;
constexpr float kMurmanskLat = 68.833336f;
constexpr float kMurmanskLng = 33.166668f;

LocalTime Day(int year, int month, int day) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = 15;  // the time of day plays no part
  return t;
}

TEST(DayOfYear, LeapYearsAreEveryFourthYearWithoutCenturyRule) {
  EXPECT_EQ(DayOfYear(2004, 1, 1), 1);
  EXPECT_EQ(DayOfYear(2005, 1, 1), 1);
  EXPECT_EQ(DayOfYear(2004, 3, 1), 61);
  EXPECT_EQ(DayOfYear(2005, 3, 1), 60);
  EXPECT_EQ(DayOfYear(2004, 12, 31), 366);
  EXPECT_EQ(DayOfYear(2005, 12, 31), 365);
  EXPECT_EQ(DayOfYear(1900, 12, 31), 366);
  EXPECT_EQ(DayOfYear(2100, 12, 31), 366);
  EXPECT_EQ(DayOfYear(2000, 12, 31), 366);
  EXPECT_EQ(DayOfYear(2004, 6, 21), 173);
  EXPECT_EQ(DayOfYear(2004, 12, 21), 356);
}

TEST(ComputeSunEvent, LondonMidsummerSunriseStepByStep) {
  const SunSteps s = ComputeSunEvent(SunEvent::Sunrise, kLondonLat, kLondonLng, 0, 2004, 6, 21);
  EXPECT_EQ(s.N1, 183);
  EXPECT_EQ(s.N2, 1);
  EXPECT_EQ(s.N3, 1);
  EXPECT_EQ(s.N, 173);
  EXPECT_SHOWN(s.lngHour, "0.0055556");
  EXPECT_SHOWN(s.t, "173.24977");
  EXPECT_SHOWN(s.M, "167.46597");
  EXPECT_SHOWN(s.L, "90.507294");
  EXPECT_SHOWN(s.tanL, "-112.93241");
  EXPECT_SHOWN(s.RAwrapped, "270.55286");
  EXPECT_EQ(s.Lq, 90);
  EXPECT_EQ(s.RAq, 270);
  EXPECT_SHOWN(s.RA, "6.0368571");
  EXPECT_SHOWN(s.sinDec, "0.3978044");
  EXPECT_SHOWN(s.cosDec, "0.9174702");
  EXPECT_SHOWN(s.cosH, "-0.5712237");
  EXPECT_EQ(s.outcome, SunOutcome::Normal);
  EXPECT_SHOWN(s.H, "15.677627");
  EXPECT_SHOWN(s.T, "3.7082412");
  EXPECT_SHOWN(s.Z, "3.7026856");
  EXPECT_EQ(FormatSunTime(s.Z), "3:42AM");
  EXPECT_EQ(FormatSunTime(s.Z + 1.0f), "4:42AM");
}

TEST(ComputeSunEvent, LondonMidsummerSunsetStepByStep) {
  const SunSteps s = ComputeSunEvent(SunEvent::Sunset, kLondonLat, kLondonLng, 0, 2004, 6, 21);
  EXPECT_SHOWN(s.t, "173.74977");
  EXPECT_SHOWN(s.M, "167.95877");
  EXPECT_SHOWN(s.L, "90.984314");
  EXPECT_SHOWN(s.RA, "6.0715127");
  EXPECT_SHOWN(s.cosH, "-0.5711529");
  EXPECT_SHOWN(s.H, "8.3220434");
  EXPECT_SHOWN(s.T, "-3.6455414");
  EXPECT_SHOWN(s.UT, "20.348904");
  EXPECT_SHOWN(s.Z, "20.348904");
  EXPECT_EQ(FormatSunTime(s.Z), "8:20PM");
  EXPECT_EQ(FormatSunTime(s.Z + 1.0f), "9:20PM");
}

struct DayCase {
  const char* place;
  float lat, lng;
  int ofUTC;
  int year, month, day;
  int n;
  const char* rise;
  const char* riseText;
  const char* set;
  const char* setText;
};

TEST(SunEventTime, WorkedDaysReadFromTheClock) {
  const DayCase cases[] = {
      {"London midwinter", kLondonLat, kLondonLng, 0, 2004, 12, 21, 356, "8.057244", "8:03AM", "15.881243", "3:52PM"},
      {"London 1 March 2005", kLondonLat, kLondonLng, 0, 2005, 3, 1, 60, "6.764481", "6:45AM", "17.656467", "5:39PM"},
      {"Aachen new year", kAachenLat, kAachenLng, 1, 2004, 1, 1, 1, "8.632538", "8:37AM", "16.677521", "4:40PM"},
      {"London midsummer", kLondonLat, kLondonLng, 0, 2004, 6, 21, 173, "3.7026856", "3:42AM", "20.348904", "8:20PM"},
  };
  auto hb = display::CreateHeadlessBackend();
  display::SetBackend(hb);
  for (const DayCase& c : cases) {
    SCOPED_TRACE(c.place);
    const FixedClock clock(Day(c.year, c.month, c.day));
    EXPECT_EQ(DayOfYear(c.year, c.month, c.day), c.n);
    const float rise = SunEventTime(SunEvent::Sunrise, c.lat, c.lng, c.ofUTC, true, clock);
    const float set = SunEventTime(SunEvent::Sunset, c.lat, c.lng, c.ofUTC, true, clock);
    EXPECT_SHOWN(rise, c.rise);
    EXPECT_SHOWN(set, c.set);
    EXPECT_EQ(FormatSunTime(rise), c.riseText);
    EXPECT_EQ(FormatSunTime(set), c.setText);
  }
  EXPECT_TRUE(hb->Messages().empty());
  display::SetBackend(nullptr);
}

TEST(SunEventTime, PolarDayAndNightAreReportedOncePerEventWhenAsked) {
  auto hb = display::CreateHeadlessBackend();
  display::SetBackend(hb);

  const SunSteps summerRise = ComputeSunEvent(SunEvent::Sunrise, kMurmanskLat, kMurmanskLng, 2, 2004, 6, 21);
  const SunSteps summerSet = ComputeSunEvent(SunEvent::Sunset, kMurmanskLat, kMurmanskLng, 2, 2004, 6, 21);
  EXPECT_SHOWN(summerRise.cosH, "-1.16370");
  EXPECT_SHOWN(summerSet.cosH, "-1.16357");
  EXPECT_EQ(summerRise.outcome, SunOutcome::NeverSets);
  EXPECT_EQ(summerSet.outcome, SunOutcome::NeverSets);
  const SunSteps winterRise = ComputeSunEvent(SunEvent::Sunrise, kMurmanskLat, kMurmanskLng, 2, 2004, 12, 21);
  const SunSteps winterSet = ComputeSunEvent(SunEvent::Sunset, kMurmanskLat, kMurmanskLng, 2, 2004, 12, 21);
  EXPECT_SHOWN(winterRise.cosH, "1.07595");
  EXPECT_SHOWN(winterSet.cosH, "1.07591");
  EXPECT_EQ(winterRise.outcome, SunOutcome::NeverRises);
  EXPECT_EQ(winterSet.outcome, SunOutcome::NeverRises);

  // Without report nothing is shown, whatever the outcome.
  const FixedClock summer(Day(2004, 6, 21));
  const FixedClock winter(Day(2004, 12, 21));
  EXPECT_EQ(SunEventTime(SunEvent::Sunrise, kMurmanskLat, kMurmanskLng, 2, false, summer), 0.0f);
  EXPECT_EQ(SunEventTime(SunEvent::Sunset, kMurmanskLat, kMurmanskLng, 2, false, winter), 0.0f);
  EXPECT_TRUE(hb->Messages().empty());

  // As the dialog asks: sunrise, then sunset; one message each.
  EXPECT_EQ(SunEventTime(SunEvent::Sunrise, kMurmanskLat, kMurmanskLng, 2, true, summer), 0.0f);
  EXPECT_EQ(SunEventTime(SunEvent::Sunset, kMurmanskLat, kMurmanskLng, 2, true, summer), 0.0f);
  ASSERT_EQ(hb->Messages().size(), 2u);
  for (const auto& m : hb->Messages()) {
    EXPECT_EQ(m.text, "the sun never sets on this location (on the specified date)");
    EXPECT_EQ(m.caption, "Tidewalk Beach Screensaver");
  }
  hb->ClearMessages();

  EXPECT_EQ(SunEventTime(SunEvent::Sunrise, kMurmanskLat, kMurmanskLng, 2, true, winter, "Other title"), 0.0f);
  EXPECT_EQ(SunEventTime(SunEvent::Sunset, kMurmanskLat, kMurmanskLng, 2, true, winter, "Other title"), 0.0f);
  ASSERT_EQ(hb->Messages().size(), 2u);
  for (const auto& m : hb->Messages()) {
    EXPECT_EQ(m.text, "the sun never rises on this location (on the specified date)");
    EXPECT_EQ(m.caption, "Other title");
  }
  display::SetBackend(nullptr);
}

TEST(FormatSunTime, TruncatesMinutesAndReadsHoursUpToTwelveAsAM) {
  EXPECT_EQ(FormatSunTime(13.0f), "1:00PM");
  EXPECT_EQ(FormatSunTime(0.05f), "0:03AM");
  EXPECT_EQ(FormatSunTime(9.999f), "9:59AM");
  EXPECT_EQ(FormatSunTime(24.6f), "12:36PM");
  EXPECT_EQ(FormatSunTime(24.0f), "12:00PM");
  EXPECT_EQ(FormatSunTime(0.0f), "0:00AM");
  EXPECT_EQ(FormatSunTime(1.0f), "1:00AM");
  EXPECT_EQ(FormatSunTime(12.5f), "12:30AM");
  EXPECT_EQ(FormatSunTime(0.25f), "0:15AM");
  EXPECT_EQ(FormatSunTime(6.0f + 5.0f / 60.0f), "6:05AM");
  EXPECT_EQ(FormatSunTime(12.99999f), "12:59AM");
  EXPECT_EQ(FormatSunTime(23.99999f), "11:59PM");
  EXPECT_EQ(FormatSunTime(std::numeric_limits<float>::quiet_NaN()), "0:00AM");
  EXPECT_EQ(FormatSunTime(std::numeric_limits<float>::infinity()), "0:00AM");
  EXPECT_EQ(FormatSunTime(3.0e9f), "0:00AM");
}

TEST(SunEventTime, DamagedCoordinatesGiveNoTimeAndNoMessage) {
  auto hb = display::CreateHeadlessBackend();
  display::SetBackend(hb);
  const FixedClock clock(Day(2004, 6, 21));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(SunEventTime(SunEvent::Sunrise, nan, kLondonLng, 0, true, clock), 0.0f);
  EXPECT_EQ(SunEventTime(SunEvent::Sunset, kLondonLat, std::numeric_limits<float>::infinity(), 0, true, clock), 0.0f);
  EXPECT_EQ(SunEventTime(SunEvent::Sunset, kLondonLat, 3.0e30f, 0, true, clock), 0.0f);
  EXPECT_TRUE(hb->Messages().empty());
  // Far-off but finite longitudes are still used unchanged.
  EXPECT_GT(SunEventTime(SunEvent::Sunset, kLondonLat, kLondonLng + 360.0f, 0, true, clock), 0.0f);
  display::SetBackend(nullptr);
}

}  // namespace
}  // namespace sandloop
