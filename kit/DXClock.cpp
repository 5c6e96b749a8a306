#include "kit/DXClock.h"

#include <cmath>
#include <cstdint>

#include "kit/DDmain.h"

namespace sandloop {

namespace {

// The full turn as the clock has always used it: 6.283184 held as a 32-bit
// float (a little less than 2 pi). The tables are built from this value so
// that the marks land on exactly the pixels they always did.
constexpr float kTurn = 6.283184f;

// Pixel coordinates are truncated toward zero. Values are kept well inside
// the int range first, so that a far-off centre or radius only moves the
// shape off the surface.
int Trunc(long double v) {
  constexpr long double kLimit = 1 << 30;
  if (!(v > -kLimit)) return -(1 << 30);
  if (v > kLimit) return 1 << 30;
  return static_cast<int>(v);
}

int Clamp(std::int64_t v) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 30;
  return static_cast<int>(v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v));
}

// A step index kept within the tables whatever the clock reports.
int Step(int v) { return ((v % 60) + 60) % 60; }

}  // namespace

TDXClock::TDXClock(TComponent* owner, const LocalClock& clock) : TComponent(owner), clock_(&clock) {
  for (int i = 0; i < 60; ++i) {
    // The product in extended precision, sine and cosine in double, stored
    // rounded to float.
    const long double theta = static_cast<long double>(i) * static_cast<long double>(kTurn) / 60.0L;
    FSin[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(static_cast<double>(theta)));
    FCos[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(static_cast<double>(theta)));
  }
}

void TDXClock::SetRadius(int a) {
  FRadius = a;
  FCentreRadius = a / 40;
  if (a < 80) {
    FMinuteDotRadius = 1;
    FFiveDotRadius = 2;
    FQuarterHalf = 2;
  } else {
    FMinuteDotRadius = a / 70;
    FFiveDotRadius = a / 40;
    FQuarterHalf = a / 30;
  }
  FHourLength = a - a / 3;
  FHourHalf = a / 20;
  const int w = FHourHalf;
  FHourShape = {{{0, -FHourLength}, {w, 0}, {0, w / 2}, {-w, 0}}};
  FMinuteLength = a - a / 10;
  FMinuteHalf = a / 30;
  const int m = FMinuteHalf;
  FMinuteShape = {{{0, -FMinuteLength}, {m, 0}, {0, m}, {-m, 0}}};
  FSecondShape = {{{0, a / 20 - a}, {0, a / 6}}};
}

TDXClock::Sizes TDXClock::GetSizes() const {
  return {FCentreRadius, FMinuteDotRadius, FFiveDotRadius, FQuarterHalf,
          FHourLength,   FHourHalf,        FMinuteLength,  FMinuteHalf};
}

POINT TDXClock::MarkPoint(int i) const {
  const auto k = static_cast<std::size_t>(Step(i));
  const long double r = FRadius;
  return {Trunc(static_cast<long double>(FXcenter) - r * static_cast<long double>(FSin[k])),
          Trunc(static_cast<long double>(FYcenter) + r * static_cast<long double>(FCos[k]))};
}

POINT TDXClock::HandPoint(int u, int v, int k) const {
  const auto s = static_cast<std::size_t>(Step(k));
  const long double sn = FSin[s], cs = FCos[s];
  const long double lu = u, lv = v;
  return {Trunc(static_cast<long double>(FXcenter) + lu * cs - lv * sn),
          Trunc(static_cast<long double>(FYcenter) + lu * sn + lv * cs)};
}

int TDXClock::HourIndex(int hour, int minute) {
  // One step every 12 minutes on top of five steps per hour.
  return Step(minute / 12 + 5 * (hour >= 12 ? hour - 12 : hour));
}

void TDXClock::ShowClock() {
  if (DDmainModule == nullptr || DDmainModule->FpDDSBack == nullptr) return;
  const LocalTime now = clock_->Now();
  HDC dc = nullptr;
  if (FAILED(DDmainModule->FpDDSBack->GetDC(&dc)) || dc == nullptr) return;

  HPEN pen = CreatePen(PS_SOLID, 1, FColor);
  HBRUSH brush = CreateSolidBrush(FColor);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);

  const std::int64_t xc = FXcenter, yc = FYcenter;
  const std::int64_t r0 = FCentreRadius;
  Ellipse(dc, Clamp(xc - r0), Clamp(yc - r0), Clamp(xc + r0), Clamp(yc + r0));

  auto dot = [&](int i, int d, bool square) {
    const POINT p = MarkPoint(i);
    const int l = Clamp(std::int64_t{p.x} - d), t = Clamp(std::int64_t{p.y} - d);
    const int r = Clamp(std::int64_t{p.x} + d), b = Clamp(std::int64_t{p.y} + d);
    if (square)
      Rectangle(dc, l, t, r, b);
    else
      Ellipse(dc, l, t, r, b);
  };
  for (int i = 0; i < 60; ++i) dot(i, FMinuteDotRadius, false);
  for (int i = 0; i < 60; i += 5) dot(i, FFiveDotRadius, false);
  for (int i = 0; i < 60; i += 15) dot(i, FQuarterHalf, true);

  const int hour_step = HourIndex(now.hour, now.minute);
  for (std::size_t j = 0; j < 4; ++j) FHourPoints[j] = HandPoint(FHourShape[j].u, FHourShape[j].v, hour_step);
  Polygon(dc, FHourPoints.data(), 4);

  const int minute_step = Step(now.minute);
  for (std::size_t j = 0; j < 4; ++j) FMinutePoints[j] = HandPoint(FMinuteShape[j].u, FMinuteShape[j].v, minute_step);
  Polygon(dc, FMinutePoints.data(), 4);

  const int second_step = Step(now.second);
  for (std::size_t j = 0; j < 2; ++j) FSecondPoints[j] = HandPoint(FSecondShape[j].u, FSecondShape[j].v, second_step);
  MoveToEx(dc, FSecondPoints[0].x, FSecondPoints[0].y, nullptr);
  LineTo(dc, FSecondPoints[1].x, FSecondPoints[1].y);

  SelectObject(dc, old_pen);
  DeleteObject(pen);
  SelectObject(dc, old_brush);
  DeleteObject(brush);
  DDmainModule->FpDDSBack->ReleaseDC(dc);
}

}  // namespace sandloop
