#include "scene/DayCycle.h"

#include <cmath>

#include "kit/DDgamma.h"
#include "kit/DDmain.h"
#include "kit/LocalClock.h"

namespace sandloop {

namespace {

constexpr int kNoon = 43200;
constexpr int kDay = 86400;
constexpr int kDemoStep = 50;

// Hours to whole seconds, truncated toward zero, as 32-bit float arithmetic.
int Seconds(float hours) {
  // A sun time is within a day or two of the local midnight; anything else
  // (not a number, or too large for the conversion) is the polar value.
  if (!std::isfinite(hours) || std::fabs(hours) > 1000.0f) hours = 0.0f;
  return static_cast<int>(hours * 3600.0f);
}

}  // namespace

void TDayCycle::SetSunTimes(float rise, float set) {
  SunriseSec = Seconds(rise);
  SunsetSec = Seconds(set);
  NightEnd = SunriseSec - 2700;
  DawnEnd = SunriseSec;
  MorningEnd = SunriseSec + 7200;
  EveningStart = SunsetSec - 7200;
  DuskEnd = SunsetSec;
  NightStart = SunsetSec + 2700;
}

void TDayCycle::StartDemoClock() { TimeOfDay.store(kNoon, std::memory_order_relaxed); }

void TDayCycle::AdvanceDemoClock() {
  // One read-modify-write, so that a start at set-up is never lost to a
  // tick that read the clock before it.
  int t = TimeOfDay.load(std::memory_order_relaxed);
  while (!TimeOfDay.compare_exchange_weak(t, t >= kDay ? 0 : t + kDemoStep, std::memory_order_relaxed)) {
  }
}

TRGB TDayCycle::Blend(const TRGB& a, const TRGB& b, int t, int start, int end) {
  const int span = end - start;
  const int done = t - start;
  return {a.red + ((b.red - a.red) * done) / span, a.green + ((b.green - a.green) * done) / span,
          a.blue + ((b.blue - a.blue) * done) / span};
}

TRGB TDayCycle::ColourAt(int t) const {
  if (t <= NightEnd || t >= NightStart) return NightRGB;
  if (NightEnd < t && t <= DawnEnd) return Blend(NightRGB, DawnRGB, t, NightEnd, DawnEnd);
  if (DawnEnd < t && t <= MorningEnd) return Blend(DawnRGB, DayRGB, t, DawnEnd, MorningEnd);
  if (MorningEnd < t && t <= EveningStart) return DayRGB;
  if (EveningStart < t && t <= DuskEnd) return Blend(DayRGB, DuskRGB, t, EveningStart, DuskEnd);
  if (DuskEnd < t && t < NightStart) return Blend(DuskRGB, NightRGB, t, DuskEnd, NightStart);
  // Not reached: the six cases above cover every t whatever the order of
  // the key times. Full light, should that ever change.
  return {255, 255, 255};
}

std::string TDayCycle::DemoText(int timeOfDay) {
  int hours = timeOfDay / 3600;
  const int minutes = (timeOfDay - hours * 3600) / 60;
  const char* suffix = "AM";
  if (hours > 12) {
    hours -= 12;
    suffix = "PM";
  }
  return "Demo Time: " + std::to_string(hours) + ":" + std::to_string(minutes) + suffix;
}

TRGB TDayCycle::CurrentRGB() const {
  std::lock_guard<std::mutex> g(lock_);
  return current_;
}

void TDayCycle::UpdateDaylight(TDDgamma& gamma, TDDmain& display, const LocalClock& clock) {
  std::lock_guard<std::mutex> g(lock_);
  if (FlagDaytime) {
    const LocalTime now = clock.Now();
    TimeOfDay.store(now.hour * 3600 + now.minute * 60 + now.second, std::memory_order_relaxed);
  }
  const int t = TimeOfDay.load(std::memory_order_relaxed);
  current_ = ColourAt(t);
  gamma.SetEnabled(true);
  if (!gamma.Enabled()) return;  // no gamma ramp: no tint and no demonstration time
  gamma.SetLinearRGB(current_.red, current_.green, current_.blue);
  if (FlagDemoDaytime && FlagShowSimulateTime) {
    display.SetShowTestString(true);
    display.SetTestString(DemoText(t));
  }
}

void TDayCycle::StartTint(TDDgamma& gamma, TDDmain& display, const LocalClock& clock) {
  if (FlagDemoDaytime) StartDemoClock();
  if (FlagDaytime || FlagDemoDaytime) UpdateDaylight(gamma, display, clock);
}

void TDayCycle::Tick(TDDgamma& gamma, TDDmain& display, const LocalClock& clock) {
  if (FlagDemoDaytime) AdvanceDemoClock();
  if (FlagDaytime || FlagDemoDaytime) UpdateDaylight(gamma, display, clock);
}

}  // namespace sandloop
