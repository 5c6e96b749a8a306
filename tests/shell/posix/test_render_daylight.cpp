// The time-of-day tint in rendered frames: with the real clock at a place
// whose sunrise and sunset we compute here, every pixel of a tinted frame
// is the untinted pixel scaled per channel by the tint's level, as the
// display's linear ramp does it; and the demonstration clock, driven by
// ticks, gives the same frame as the real clock at the time it has reached.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "kit/LocalClock.h"
#include "sun/SunTime.h"
#include "tests/shell/RenderedFrame.h"

namespace sandloop {
namespace {

struct Level {
  int red, green, blue;
};

constexpr Level kNight{60, 70, 90};
constexpr Level kDawn{137, 90, 90};
constexpr Level kDay{255, 255, 255};
constexpr Level kDusk{182, 112, 52};

// A place, a date and its sun times as set-up derives them.
struct Place {
  const char* lat;
  const char* lng;
  int ofUTC;
  int year, month, day;
  int sunriseSec = 0, sunsetSec = 0;

  void ComputeSunTimes() {
    LocalTime date;
    date.year = year;
    date.month = month;
    date.day = day;
    const FixedClock clock(date);
    const float la = std::stof(lat), lo = std::stof(lng);
    sunriseSec = static_cast<int>(SunEventTime(SunEvent::Sunrise, la, lo, ofUTC, false, clock) * 3600.0f);
    sunsetSec = static_cast<int>(SunEventTime(SunEvent::Sunset, la, lo, ofUTC, false, clock) * 3600.0f);
  }
  [[nodiscard]] std::string At(int seconds) const {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    return text;
  }
  [[nodiscard]] std::vector<std::string> Settings() const {
    return {"--set", std::string("RegLat=") + lat, "--set", std::string("RegLng=") + lng,
            "--set", "RegOfUTC=" + std::to_string(ofUTC), "--set", "FlagDaylightSavingTime=0",
            "--set", "Gamma=256"};
  }
};

// One channel through a linear ramp of `level`: entry v is v * level
// modulo 65536, of which the display uses the high byte.
int Ramp(int v, int level) { return ((v * level) & 0xFFFF) >> 8; }

// From a at start to b at end, in integers truncated toward zero.
int Blend(int a, int b, int t, int start, int end) { return a + ((b - a) * (t - start)) / (end - start); }

class DaylightInFrames : public test::RenderedFrameTest {
 protected:
  Picture At(const Place& place, int seconds, bool daytime, bool demo, int ticks = 0,
             std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--size", "320x240", "--ticks", std::to_string(ticks), "--seed", "2", "--at",
                                     place.At(seconds), "--set", std::string("FlagDaytime=") + (daytime ? "1" : "0"),
                                     "--set", std::string("FlagDemoDaytime=") + (demo ? "1" : "0")};
    for (const auto& a : place.Settings()) args.push_back(a);
    for (const auto& a : more) args.push_back(a);
    return Frame(args);
  }

  // Every pixel of `tinted` is the pixel of `plain` through the ramp.
  static void ExpectTinted(const Picture& plain, const Picture& tinted, Level level, const std::string& what) {
    ASSERT_EQ(plain.Width(), tinted.Width()) << what;
    ASSERT_EQ(plain.Height(), tinted.Height()) << what;
    int wrong = 0, changed = 0;
    for (int y = 0; y < plain.Height(); ++y)
      for (int x = 0; x < plain.Width(); ++x) {
        const std::uint32_t p = plain.Pixel(x, y);
        const std::uint32_t expected = (std::uint32_t(Ramp((p >> 16) & 0xFF, level.red)) << 16) |
                                       (std::uint32_t(Ramp((p >> 8) & 0xFF, level.green)) << 8) |
                                       std::uint32_t(Ramp(p & 0xFF, level.blue));
        changed += expected != p;
        if (tinted.Pixel(x, y) != expected && wrong++ < 3)
          ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex << tinted.Pixel(x, y)
                        << ", expected " << expected << " from " << p;
      }
    EXPECT_EQ(wrong, 0) << what;
    EXPECT_GT(changed, plain.Width() * plain.Height() / 2) << what << ": the tint should change most pixels";
  }
};

TEST_F(DaylightInFrames, EachKeyColourScalesTheUntintedFrame) {
  // Aachen in March, and Sydney at midsummer (a day far from 12 hours, on
  // the other side of the date line).
  for (Place place : {Place{"50.783333", "6.1", 1, 2004, 3, 20}, Place{"-33.87", "151.21", 10, 2004, 12, 21}}) {
    place.ComputeSunTimes();
    ASSERT_GT(place.sunriseSec, 3 * 3600);
    ASSERT_LT(place.sunsetSec, 21 * 3600);
    const int nightEnd = place.sunriseSec - 2700;
    struct Moment {
      const char* name;
      int seconds;
      Level level;
    };
    const Moment moments[] = {
        {"night", place.sunriseSec - 3 * 3600, kNight},
        {"between night and dawn", nightEnd + 1000,
         {Blend(60, 137, nightEnd + 1000, nightEnd, place.sunriseSec),
          Blend(70, 90, nightEnd + 1000, nightEnd, place.sunriseSec), 90}},
        {"dawn", place.sunriseSec, kDawn},
        {"day", (place.sunriseSec + place.sunsetSec) / 2, kDay},
        {"dusk", place.sunsetSec, kDusk},
    };
    for (const Moment& m : moments) {
      const std::string what = std::string(m.name) + " at " + place.At(m.seconds) + " (" + place.lat + ")";
      const Picture plain = At(place, m.seconds, false, false);
      const Picture tinted = At(place, m.seconds, true, false);
      ExpectTinted(plain, tinted, m.level, what);
    }
  }
}

// The demonstration clock starts at noon and moves 50 seconds a tick;
// 86400 lasts one tick, then 0, so it reaches a time before sunrise on
// the next morning after a known number of ticks. With both clocks on, the
// real time decides the tint and the demonstration line, so a frame with
// the real clock at that time must be
// the same frame, pixel for pixel (the analog clock is off, as it would
// show the real time in both). That moment is in the blend from night to
// dawn, where 50 seconds more or less change the tint.
TEST_F(DaylightInFrames, TheDemonstrationClockReachesItsTimeByTicks) {
  Place place{"50.783333", "6.1", 1, 2004, 3, 20};
  place.ComputeSunTimes();
  // Noon plus 864 ticks is 86400, the next tick 0; then 50 s a tick up to
  // some 1,000 s before sunrise.
  const int ticks = 865 + (place.sunriseSec - 1000) / 50;
  const int demoTime = 50 * (ticks - 865);
  ASSERT_GT(demoTime, place.sunriseSec - 2700);
  ASSERT_LT(demoTime, place.sunriseSec);
  const std::vector<std::string> noClock = {"--set", "flag_clock=0"};
  const Picture demo = At(place, 9 * 3600, false, true, ticks, noClock);
  const Picture real = At(place, demoTime, true, true, ticks, noClock);
  const Picture realLater = At(place, demoTime + 50, true, true, ticks, noClock);
  const Picture noLine = At(place, 9 * 3600, false, true, ticks, {"--set", "flag_clock=0", "--set", "FlagShowSimulateTime=0"});
  ASSERT_GT(demo.Width(), 0);
  int differ = 0, tickDiffers = 0, lineAt = 0, lineElsewhere = 0;
  for (int y = 0; y < demo.Height(); ++y)
    for (int x = 0; x < demo.Width(); ++x) {
      differ += demo.Pixel(x, y) != real.Pixel(x, y);
      tickDiffers += demo.Pixel(x, y) != realLater.Pixel(x, y);
      // The demonstration line is drawn from 20, 20.
      if (demo.Pixel(x, y) != noLine.Pixel(x, y)) (y >= 18 && y < 44 && x >= 18 ? lineAt : lineElsewhere)++;
    }
  EXPECT_EQ(differ, 0) << "the demonstration clock is not at " << place.At(demoTime) << " after " << ticks << " ticks";
  EXPECT_GT(tickDiffers, demo.Width() * demo.Height() / 2) << "50 seconds later the tint should differ";
  EXPECT_GT(lineAt, 20) << "no demonstration line";
  EXPECT_EQ(lineElsewhere, 0);
}

}  // namespace
}  // namespace sandloop
