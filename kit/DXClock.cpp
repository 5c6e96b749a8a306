#include "kit/DXClock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kit/DDmain.h"
#include "kit/SmoothShapes.h"

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

  const int hour_step = HourIndex(now.hour, now.minute);
  const int minute_step = Step(now.minute);
  const int second_step = Step(now.second);
  for (std::size_t j = 0; j < 4; ++j) FHourPoints[j] = HandPoint(FHourShape[j].u, FHourShape[j].v, hour_step);
  for (std::size_t j = 0; j < 4; ++j) FMinutePoints[j] = HandPoint(FMinuteShape[j].u, FMinuteShape[j].v, minute_step);
  for (std::size_t j = 0; j < 2; ++j) FSecondPoints[j] = HandPoint(FSecondShape[j].u, FSecondShape[j].v, second_step);
  if (FSmoothWeight > 0) {
    ShowSmooth(dc, hour_step, minute_step, second_step);
    DDmainModule->FpDDSBack->ReleaseDC(dc);
    return;
  }

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

  Polygon(dc, FHourPoints.data(), 4);
  Polygon(dc, FMinutePoints.data(), 4);
  MoveToEx(dc, FSecondPoints[0].x, FSecondPoints[0].y, nullptr);
  LineTo(dc, FSecondPoints[1].x, FSecondPoints[1].y);

  SelectObject(dc, old_pen);
  DeleteObject(pen);
  SelectObject(dc, old_brush);
  DeleteObject(brush);
  DDmainModule->FpDDSBack->ReleaseDC(dc);
}

}  // namespace sandloop

namespace sandloop {

double TDXClock::WeightForHeight(int height) { return std::max(1.0, std::round(height / 768.0)); }

// The same face as ShowClock's, in the same order, from exact positions
// instead of truncated ones and with anti-aliased edges.
void TDXClock::ShowSmooth(HDC dc, int hour_step, int minute_step, int second_step) const {
  const double k = FSmoothWeight;
  TDXClock heavy(nullptr);
  heavy.SetRadius(std::max(1, static_cast<int>(std::lround(FRadius / k))));
  const auto at_least = [k](int own, int light) { return std::max(static_cast<double>(own), light * k); };
  const double centre = at_least(FCentreRadius, heavy.FCentreRadius);
  const double minute_dot = at_least(FMinuteDotRadius, heavy.FMinuteDotRadius);
  const double five_dot = at_least(FFiveDotRadius, heavy.FFiveDotRadius);
  const double quarter = at_least(FQuarterHalf, heavy.FQuarterHalf);

  const double xc = FXcenter, yc = FYcenter, r = FRadius;
  const auto mark = [&](int i) {
    const auto s = static_cast<std::size_t>(i);
    return SmoothPoint{xc - r * FSin[s], yc + r * FCos[s]};
  };
  const auto turned = [&](HandShape h, int step) {
    const auto s = static_cast<std::size_t>(step);
    return SmoothPoint{xc + h.u * FCos[s] - h.v * FSin[s], yc + h.u * FSin[s] + h.v * FCos[s]};
  };

  SmoothDisc(dc, {xc, yc}, centre, FColor);
  for (int i = 0; i < 60; ++i) SmoothDisc(dc, mark(i), minute_dot, FColor);
  for (int i = 0; i < 60; i += 5) SmoothDisc(dc, mark(i), five_dot, FColor);
  for (int i = 0; i < 60; i += 15) {
    const SmoothPoint m = mark(i);
    const SmoothPoint square[4] = {{m.x - quarter, m.y - quarter},
                                   {m.x + quarter, m.y - quarter},
                                   {m.x + quarter, m.y + quarter},
                                   {m.x - quarter, m.y + quarter}};
    SmoothPolygon(dc, square, 4, 0, FColor);
  }
  SmoothPoint hand[4];
  for (std::size_t j = 0; j < 4; ++j) hand[j] = turned(FHourShape[j], hour_step);
  SmoothPolygon(dc, hand, 4, k / 2, FColor);
  for (std::size_t j = 0; j < 4; ++j) hand[j] = turned(FMinuteShape[j], minute_step);
  SmoothPolygon(dc, hand, 4, k / 2, FColor);
  SmoothLine(dc, turned(FSecondShape[0], second_step), turned(FSecondShape[1], second_step), k, FColor);
}

}  // namespace sandloop
