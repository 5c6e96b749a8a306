#pragma once
// The time of day of the beach: the whole display is tinted through its
// gamma ramp, from a bluish night through a reddish dawn and full daylight
// to an orange dusk. The clock that drives the tint is the real local time
// (FlagDaytime) or a demonstration clock that runs through a day in under
// two minutes (FlagDemoDaytime); with both, the real time decides.
//
// Owned by the scene form. The key times and flags are set on the main
// thread before the frame timer starts; TimeOfDay and the tint are then
// updated on every tick (timer thread), while set-up may still apply the
// tint once on the main thread. TimeOfDay is atomic and each update runs
// under one lock, so the two never interleave.
#include <atomic>
#include <mutex>
#include <string>

namespace sandloop {

class TDDgamma;
class TDDmain;
class LocalClock;

// A level per channel on the linear ramp's scale (256 leaves it unchanged).
struct TRGB {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const TRGB&, const TRGB&) = default;
};

class TDayCycle {
 public:
  // Seconds after midnight that the tint uses: 0..86400.
  std::atomic<int> TimeOfDay{0};

  int SunriseSec = 0;
  int SunsetSec = 0;
  // The six key times of the day, seconds after midnight.
  int NightEnd = 0;      // night begins to lighten, 45 minutes before sunrise
  int DawnEnd = 0;       // sunrise: the dawn colour
  int MorningEnd = 0;    // full daylight, two hours after sunrise
  int EveningStart = 0;  // daylight begins to turn, two hours before sunset
  int DuskEnd = 0;       // sunset: the dusk colour
  int NightStart = 0;    // full night, 45 minutes after sunset

  TRGB DayRGB{255, 255, 255};
  TRGB DuskRGB{182, 112, 52};
  TRGB NightRGB{60, 70, 90};
  TRGB DawnRGB{137, 90, 90};

  bool FlagDaytime = false;
  bool FlagDemoDaytime = true;
  bool FlagShowSimulateTime = true;

  // Sunrise and sunset in hours of the local day (the daylight-saving hour
  // already added): SunriseSec, SunsetSec (truncated toward zero) and the
  // key times derived from them. A value that is not a finite number of
  // hours counts as 0.0, the value of a sun that neither rises nor sets.
  void SetSunTimes(float rise, float set);

  // The demonstration clock: noon at set-up, then 50 seconds per tick;
  // 86400 lasts exactly one tick before the clock returns to 0.
  void StartDemoClock();
  void AdvanceDemoClock();

  // Recomputes the colour for the time of day (the local time first when
  // FlagDaytime) and, where the display has a gamma ramp, sets it and
  // shows the demonstration time in test line 1. Leaves `gamma` enabled.
  void UpdateDaylight(TDDgamma& gamma, TDDmain& display, const LocalClock& clock);

  // Set-up's part once the display is open: the demonstration clock starts
  // at noon, and the tint is applied at once when either clock is in use.
  void StartTint(TDDgamma& gamma, TDDmain& display, const LocalClock& clock);
  // A tick's part: advance the demonstration clock, then update the tint.
  void Tick(TDDgamma& gamma, TDDmain& display, const LocalClock& clock);

  // The colour last handed to the gamma ramp (256, 256, 256 before the first
  // update).
  [[nodiscard]] TRGB CurrentRGB() const;

  // The colour for time `t` by the key times and colours above.
  [[nodiscard]] TRGB ColourAt(int t) const;
  // From `a` at `start` to `b` at `end`, per channel in 32-bit integers:
  // a + ((b - a) * (t - start)) / (end - start), the quotient truncated.
  [[nodiscard]] static TRGB Blend(const TRGB& a, const TRGB& b, int t, int start, int end);
  // "Demo Time: " with hours, minutes without a leading zero and AM/PM,
  // for example "Demo Time: 7:5PM" at 19:05 and "Demo Time: 12:0AM" at noon.
  [[nodiscard]] static std::string DemoText(int timeOfDay);

 private:
  mutable std::mutex lock_;  // one update at a time; guards current_
  TRGB current_{256, 256, 256};
};

}  // namespace sandloop
