#pragma once
// TDXClock: an analog clock face drawn with GDI shapes into the display
// device's back buffer, once per frame, on top of the frame: centre disc,
// 60 minute dots, 12 larger five-minute dots, 4 quarter squares, the hour
// and minute hands as kites and the second hand as a line, all in one
// colour. Angles come from 60-entry float sine and cosine tables; every
// pixel coordinate is truncated toward zero. The time is read from a
// LocalClock so that tests and tools can fix it.
#include <array>

#include "kit/Component.h"
#include "kit/LocalClock.h"
#include "kit/ddraw/gdi.h"

namespace sandloop {

class TDDmain;

class TDXClock : public TComponent {
 public:
  explicit TDXClock(TComponent* owner, const LocalClock& clock = SystemClock());

  TDDmain* DDmainModule = nullptr;

  void SetXcenter(int value) { FXcenter = value; }
  void SetYcenter(int value) { FYcenter = value; }
  // Stores the radius and derives the mark sizes and the hand shapes.
  void SetRadius(int value);
  void SetColor(COLORREF value) { FColor = value; }
  [[nodiscard]] int GetXcenter() const { return FXcenter; }
  [[nodiscard]] int GetYcenter() const { return FYcenter; }
  [[nodiscard]] int GetRadius() const { return FRadius; }
  [[nodiscard]] COLORREF GetColor() const { return FColor; }

  // Draws the face for the current local time. Does nothing while the
  // device has no back buffer.
  void ShowClock();

  // Line weight of a smooth face, in pixels: 0 (the default) draws the
  // face with the one-pixel GDI shapes above; a weight w draws it with
  // anti-aliased shapes, its lines w pixels wide and its dots, marks and
  // centre at least as heavy as those of a clock of radius / w drawn w
  // times larger. Centre, radius and hand shapes keep their meaning.
  void SetSmoothWeight(double weight) { FSmoothWeight = weight; }
  [[nodiscard]] double GetSmoothWeight() const { return FSmoothWeight; }
  // The weight that makes a face on a screen `height` pixels high as heavy
  // as a one-pixel face on a 768-line screen: whole pixels, at least 1.
  [[nodiscard]] static double WeightForHeight(int height);

  // The derived sizes, as SetRadius computed them.
  struct Sizes {
    int centre = 0;      // centre-disc radius
    int minuteDot = 0;   // minute-dot radius
    int fiveDot = 0;     // five-minute-dot radius
    int quarter = 0;     // quarter-mark half-size
    int hourLength = 0;  // hour-hand length
    int hourHalf = 0;    // hour-hand half-width
    int minuteLength = 0;
    int minuteHalf = 0;
  };
  [[nodiscard]] Sizes GetSizes() const;

  // Where mark i (0..59) sits on the ring: mark 0 at the bottom, 15 at the
  // left, 30 at the top, 45 at the right (the ring looks the same from any
  // start; the hands count their steps from 12 o'clock).
  [[nodiscard]] POINT MarkPoint(int i) const;
  // Hand point (u, v) turned to step k (0..59) about the centre: u runs to
  // the right and v downwards when the hand points at 12 o'clock.
  [[nodiscard]] POINT HandPoint(int u, int v, int k) const;
  // The hand polygons of the last ShowClock.
  [[nodiscard]] const std::array<POINT, 4>& HourHandPoints() const { return FHourPoints; }
  [[nodiscard]] const std::array<POINT, 4>& MinuteHandPoints() const { return FMinutePoints; }
  // The second hand of the last ShowClock: tip, then tail.
  [[nodiscard]] const std::array<POINT, 2>& SecondHandPoints() const { return FSecondPoints; }

  // The step indices (0..59) of the three hands at a time of day.
  static int HourIndex(int hour, int minute);

  [[nodiscard]] float SinTable(int i) const { return FSin[static_cast<std::size_t>(i)]; }
  [[nodiscard]] float CosTable(int i) const { return FCos[static_cast<std::size_t>(i)]; }

 private:
  struct HandShape {
    int u, v;
  };
  void ShowSmooth(HDC dc, int hour_step, int minute_step, int second_step) const;

  const LocalClock* clock_;
  std::array<float, 60> FSin{};
  std::array<float, 60> FCos{};
  int FXcenter = 200;
  int FYcenter = 200;
  int FRadius = 60;
  int FCentreRadius = 0;
  int FMinuteDotRadius = 0;
  int FFiveDotRadius = 0;
  int FQuarterHalf = 0;
  int FHourLength = 0;
  int FHourHalf = 0;
  std::array<POINT, 4> FMinutePoints{};
  std::array<HandShape, 4> FMinuteShape{};
  std::array<POINT, 4> FHourPoints{};
  std::array<HandShape, 4> FHourShape{};
  int FMinuteLength = 0;
  int FMinuteHalf = 0;
  std::array<HandShape, 2> FSecondShape{};
  std::array<POINT, 2> FSecondPoints{};
  COLORREF FColor = 0xFFFFFF;
  double FSmoothWeight = 0;
};

}  // namespace sandloop
