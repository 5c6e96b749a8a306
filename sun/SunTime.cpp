#include "sun/SunTime.h"

#include <cmath>

#include "kit/ddraw/platform.h"

namespace sandloop {

namespace {

// The almanac's own degree conversions, kept as written rather than
// pi/180 and 180/pi: the shown minutes depend on them.
constexpr double kToRadians = 0.0174533;
constexpr double kToDegrees = 57.29578;
constexpr double kOver15 = 1.0 / 15.0;
constexpr double kOver24 = 1.0 / 24.0;
constexpr double kOver90 = 1.0 / 90.0;
constexpr double kOver3 = 1.0 / 3.0;

double SinDeg(double degrees) { return std::sin(degrees * kToRadians); }
double CosDeg(double degrees) { return std::cos(degrees * kToRadians); }
double TanDeg(double degrees) { return std::tan(degrees * kToRadians); }
double AcosDeg(double x) { return std::acos(x) * kToDegrees; }
double AtanDeg(double x) { return std::atan(x) * kToDegrees; }

// One correction each way, no loop: values of exactly 0 or `range` stay.
float WrapOnce(float value, float range) {
  if (value > range) value = static_cast<float>(static_cast<double>(value) - range);
  if (value < 0) value = static_cast<float>(static_cast<double>(value) + range);
  return value;
}

// Coordinates far outside the globe (a damaged stored place) would push the
// quadrant and hour arithmetic past what the integer conversions can hold.
constexpr double kCoordinateLimit = 1.0e6;

bool Usable(float degrees) {
  return std::isfinite(degrees) && std::fabs(static_cast<double>(degrees)) <= kCoordinateLimit;
}

std::int32_t Quadrant(float degrees) {
  return static_cast<std::int32_t>(std::floor(static_cast<double>(degrees) * kOver90)) * 90;
}

// N3 is 1 in a year divisible by 4 and 2 otherwise: there is no century rule.
void DayOfYearSteps(SunSteps& s, std::int32_t year, std::int32_t month, std::int32_t day) {
  s.N1 = (275 * month) / 9;
  s.N2 = (month + 9) / 12;
  s.N3 = 1 + static_cast<std::int32_t>(std::floor((year - 4 * (year / 4) + 2) * kOver3));
  s.N = s.N1 - s.N2 * s.N3 + day - 30;
}

}  // namespace

std::int32_t DayOfYear(std::int32_t year, std::int32_t month, std::int32_t day) {
  SunSteps s;
  DayOfYearSteps(s, year, month, day);
  return s.N;
}

SunSteps ComputeSunEvent(SunEvent event, float latitude, float longitude, std::int32_t ofUTC,
                         std::int32_t year, std::int32_t month, std::int32_t day) {
  SunSteps s;
  const bool rise = event == SunEvent::Sunrise;

  DayOfYearSteps(s, year, month, day);
  if (!Usable(latitude) || !Usable(longitude)) return s;  // no time: 0.0, nothing to report

  s.lngHour = static_cast<float>(static_cast<double>(longitude) * kOver15);
  s.t = static_cast<float>(s.N + ((rise ? 6.0 : 18.0) - s.lngHour) * kOver24);
  s.M = static_cast<float>(0.9856 * s.t - 3.289);

  s.A = SinDeg(s.M) * 1.916 + s.M;
  s.L = static_cast<float>(SinDeg(2.0 * s.M) * 0.02 + s.A + 282.634);
  s.L = WrapOnce(s.L, 360.0f);

  s.tanL = static_cast<float>(TanDeg(s.L));
  s.RAwrapped = WrapOnce(static_cast<float>(AtanDeg(0.91764 * s.tanL)), 360.0f);

  s.Lq = Quadrant(s.L);
  s.RAq = Quadrant(s.RAwrapped);
  s.RA = static_cast<float>((s.Lq - s.RAq) + static_cast<double>(s.RAwrapped));
  s.RA = static_cast<float>(s.RA * kOver15);

  s.sinDec = static_cast<float>(SinDeg(s.L) * 0.39782);
  // The declination is never needed in degrees: its cosine comes straight
  // from the arc sine in radians, without a round trip through the
  // conversion factors (which would move the result by a unit in the last place).
  s.cosDec = static_cast<float>(std::cos(std::asin(static_cast<double>(s.sinDec))));

  s.B = -0.01454 - SinDeg(latitude) * s.sinDec;
  s.cosH = static_cast<float>(s.B / (CosDeg(latitude) * s.cosDec));

  if (s.cosH > 1.0f) {
    s.outcome = SunOutcome::NeverRises;
    return s;
  }
  if (s.cosH < -1.0f) {
    s.outcome = SunOutcome::NeverSets;
    return s;
  }

  const double hourAngle = AcosDeg(s.cosH);
  s.H = static_cast<float>(rise ? 360.0 - hourAngle : hourAngle);
  s.H = static_cast<float>(s.H * kOver15);
  s.T = static_cast<float>((static_cast<double>(s.H) + s.RA) - 0.06571 * s.t - 6.622);
  s.UT = WrapOnce(static_cast<float>(static_cast<double>(s.T) - s.lngHour), 24.0f);
  s.Z = WrapOnce(static_cast<float>(ofUTC + static_cast<double>(s.UT)), 24.0f);
  return s;
}

float SunEventTime(SunEvent event, float latitude, float longitude, std::int32_t ofUTC, bool report,
                   const LocalClock& clock, std::string_view caption) {
  const LocalTime now = clock.Now();
  const SunSteps s = ComputeSunEvent(event, latitude, longitude, ofUTC, now.year, now.month, now.day);
  if (s.outcome == SunOutcome::Normal) return s.Z;
  if (report) {
    const std::string_view text = s.outcome == SunOutcome::NeverRises ? kNeverRisesText : kNeverSetsText;
    MessageBoxA(0, std::string(text), std::string(caption), MB_OK);
  }
  return 0.0f;
}

std::string FormatSunTime(float hours) {
  // Anything that is not a time of day at all reads as midnight rather than
  // overflowing the conversion to whole hours.
  if (!std::isfinite(hours) || std::fabs(hours) > 1.0e6f) hours = 0.0f;
  const double whole = std::floor(static_cast<double>(hours));
  int hour = static_cast<int>(whole);
  const int minutes = static_cast<int>((static_cast<double>(hours) - whole) * 60.0);
  const char* suffix = "AM";
  if (hour > 12) {
    hour -= 12;
    suffix = "PM";
  }
  return std::to_string(hour) + (minutes < 10 ? ":0" : ":") + std::to_string(minutes) + suffix;
}

}  // namespace sandloop
