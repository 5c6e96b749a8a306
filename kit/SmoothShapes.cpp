#include "kit/SmoothShapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sandloop {

namespace {

// Calls `fill(x, y)` for every pixel of the box around [x0, x1] x [y0, y1]
// that a shape reaching `margin` beyond it may touch, within the context's
// clip: a frame redrawn in parts works out only the pixels of each part.
template <class Fill>
void ForBox(HDC dc, double x0, double y0, double x1, double y1, double margin, Fill fill) {
  constexpr double kLimit = 1 << 27;  // the coordinate space of the shapes
  const RECT clip = ClipRectOf(dc);
  const int left = std::max(clip.left, static_cast<int>(std::floor(std::max(-kLimit, x0 - margin - 1))));
  const int top = std::max(clip.top, static_cast<int>(std::floor(std::max(-kLimit, y0 - margin - 1))));
  const int right = std::min(clip.right - 1, static_cast<int>(std::ceil(std::min(kLimit, x1 + margin + 1))));
  const int bottom = std::min(clip.bottom - 1, static_cast<int>(std::ceil(std::min(kLimit, y1 + margin + 1))));
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) fill(x, y);
}

double SegmentDistance(SmoothPoint p, SmoothPoint a, SmoothPoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

void Blend(HDC dc, int x, int y, double distance, COLORREF colour) {
  const unsigned c = CoverageAt(distance);
  if (c > 0) BlendPixel(dc, x, y, colour, c);
}

}  // namespace

unsigned CoverageAt(double distance) {
  const double c = std::clamp(0.5 - distance, 0.0, 1.0);
  return static_cast<unsigned>(std::lround(c * 255));
}

void SmoothDisc(HDC dc, SmoothPoint centre, double r, COLORREF colour) {
  if (r <= 0) return;
  ForBox(dc, centre.x, centre.y, centre.x, centre.y, r, [&](int x, int y) {
    Blend(dc, x, y, std::hypot(x - centre.x, y - centre.y) - r, colour);
  });
}

void SmoothPolygon(HDC dc, const SmoothPoint* points, int count, double grow, COLORREF colour) {
  if (points == nullptr || count < 2) return;
  double x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
  for (int i = 1; i < count; ++i) {
    x0 = std::min(x0, points[i].x);
    x1 = std::max(x1, points[i].x);
    y0 = std::min(y0, points[i].y);
    y1 = std::max(y1, points[i].y);
  }
  ForBox(dc, x0, y0, x1, y1, std::max(grow, 0.0), [&](int x, int y) {
    const SmoothPoint p{static_cast<double>(x), static_cast<double>(y)};
    double nearest = std::numeric_limits<double>::max();
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
      const SmoothPoint a = points[j], b = points[i];
      nearest = std::min(nearest, SegmentDistance(p, a, b));
      if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
    }
    Blend(dc, x, y, (inside ? -nearest : nearest) - grow, colour);
  });
}

void SmoothLine(HDC dc, SmoothPoint a, SmoothPoint b, double width, COLORREF colour) {
  const double half = width / 2;
  ForBox(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y), half, [&](int x, int y) {
    Blend(dc, x, y, SegmentDistance(SmoothPoint{static_cast<double>(x), static_cast<double>(y)}, a, b) - half, colour);
  });
}

}  // namespace sandloop
