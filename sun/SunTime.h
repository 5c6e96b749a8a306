#pragma once
// Apparent sunrise and sunset for a place on the local date, after the
// almanac method (zenith 90 deg 50 min), and their short text form (3:42AM).
//
// The computation keeps every named quantity in single precision and uses
// the constants exactly as the almanac gives them, so that its results match
// the times the program has always shown to the minute. Daylight saving is
// not part of it: callers add the hour.
#include <cstdint>
#include <string>
#include <string_view>

#include "kit/LocalClock.h"

namespace sandloop {

// The application's title, used as the caption of the polar-day and
// polar-night messages.
inline constexpr std::string_view kApplicationTitle = "Tidewalk Beach Screensaver";

inline constexpr std::string_view kNeverRisesText =
    "the sun never rises on this location (on the specified date)";
inline constexpr std::string_view kNeverSetsText =
    "the sun never sets on this location (on the specified date)";

enum class SunEvent { Sunrise, Sunset };
enum class SunOutcome { Normal, NeverRises, NeverSets };

// Every intermediate value of one computation, for tests and for tools
// that check the numbers from outside.
struct SunSteps {
  std::int32_t N1 = 0, N2 = 0, N3 = 0, N = 0;  // day of the year
  float lngHour = 0;
  float t = 0;
  float M = 0;     // mean anomaly
  double A = 0;
  float L = 0;     // true longitude, wrapped into 0..360
  float tanL = 0;
  float RAwrapped = 0;  // right ascension in degrees after its wrap
  std::int32_t Lq = 0, RAq = 0;
  float RA = 0;    // right ascension in hours, in the quadrant of L
  float sinDec = 0, cosDec = 0;
  double B = 0;
  float cosH = 0;
  SunOutcome outcome = SunOutcome::Normal;
  // Only set when outcome is Normal:
  float H = 0;
  float T = 0;     // local mean time
  float UT = 0;    // wrapped into 0..24
  float Z = 0;     // zone time, wrapped into 0..24; 0.0 for polar outcomes
};

// Day of the year; every year divisible by 4 counts as a leap year.
std::int32_t DayOfYear(std::int32_t year, std::int32_t month, std::int32_t day);

// The full computation for a given date. Never shows anything.
SunSteps ComputeSunEvent(SunEvent event, float latitude, float longitude, std::int32_t ofUTC,
                         std::int32_t year, std::int32_t month, std::int32_t day);

// Hours (0..24) on the clock of the standard offset `ofUTC` at which the
// event happens on the clock's local date; 0.0 when the sun does not rise or
// does not set that day. With `report`, such a polar outcome is told to the
// user in a modal message box captioned `caption` before returning.
float SunEventTime(SunEvent event, float latitude, float longitude, std::int32_t ofUTC, bool report,
                   const LocalClock& clock, std::string_view caption = kApplicationTitle);

// "3:42AM", "8:20PM": minutes truncated; hours above 12 read PM, hours 0 to
// 12 read AM.
std::string FormatSunTime(float hours);

}  // namespace sandloop
