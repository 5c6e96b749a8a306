// Pens, brushes and the filled shapes and lines of the device context. The
// rules are written in gdi.h; all arithmetic is exact integer arithmetic so
// that every pixel decision is reproducible. Only the rows and columns
// inside the surface are visited, so huge shapes cost no more than the
// surface they are clipped to.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "kit/ddraw/dc.h"
#include "kit/ddraw/gdi.h"

struct GdiObject {
  enum class Kind { Pen, Brush };
  Kind kind;
  bool null;  // the null pen or brush: draws nothing
  bool stock;
  std::uint32_t rgb;  // 0x00RRGGBB
  std::atomic<int> selections{0};  // contexts that hold it
};

namespace {

__extension__ typedef unsigned __int128 U128;

constexpr std::int64_t kCoordLimit = std::int64_t{1} << 27;

std::uint32_t ToRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// The stock objects exist once for the process, as the platform's do; they
// are never deleted and their selection count is not kept.
GdiObject g_white_brush{GdiObject::Kind::Brush, false, true, 0xFFFFFF};
GdiObject g_black_brush{GdiObject::Kind::Brush, false, true, 0x000000};
GdiObject g_null_brush{GdiObject::Kind::Brush, true, true, 0};
GdiObject g_white_pen{GdiObject::Kind::Pen, false, true, 0xFFFFFF};
GdiObject g_black_pen{GdiObject::Kind::Pen, false, true, 0x000000};
GdiObject g_null_pen{GdiObject::Kind::Pen, true, true, 0};

GdiObject* PenOf(HDC dc) { return dc->pen != nullptr ? static_cast<GdiObject*>(dc->pen) : &g_black_pen; }
GdiObject* BrushOf(HDC dc) { return dc->brush != nullptr ? static_cast<GdiObject*>(dc->brush) : &g_white_brush; }

bool InRange(std::int64_t v) { return v >= -kCoordLimit && v <= kCoordLimit; }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {  // b > 0
  const std::int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }  // b > 0

// Fills the pixels x0 <= x < x1 of row y, clipped to the surface.
void Span(HDC dc, std::int64_t y, std::int64_t x0, std::int64_t x1, std::uint32_t rgb) {
  if (y < 0 || y >= dc->Height()) return;
  const int a = static_cast<int>(std::max<std::int64_t>(x0, 0));
  const int b = static_cast<int>(std::min<std::int64_t>(x1, dc->Width()));
  for (int x = a; x < b; ++x) dc->StoreRgb(x, static_cast<int>(y), rgb);
}

void Plot(HDC dc, std::int64_t x, std::int64_t y, std::uint32_t rgb) {
  if (x >= 0 && y >= 0 && x < dc->Width() && y < dc->Height()) dc->StoreRgb(static_cast<int>(x), static_cast<int>(y), rgb);
}

// The line from (x0, y0) towards (x1, y1) without its last pixel.
void Line(HDC dc, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::uint32_t rgb) {
  const std::int64_t dx = x1 - x0, dy = y1 - y0;
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  const std::int64_t steps = x_major ? std::llabs(dx) : std::llabs(dy);
  if (steps == 0) return;
  const std::int64_t major0 = x_major ? x0 : y0, minor0 = x_major ? y0 : x0;
  const std::int64_t dir = (x_major ? dx : dy) > 0 ? 1 : -1;
  const std::int64_t dminor = x_major ? dy : dx;
  const std::int64_t extent = x_major ? dc->Width() : dc->Height();
  // The steps whose major coordinate lies on the surface.
  std::int64_t k0 = 0, k1 = steps;  // [k0, k1)
  if (dir > 0) {
    k0 = std::max<std::int64_t>(k0, -major0);
    k1 = std::min<std::int64_t>(k1, extent - major0);
  } else {
    k0 = std::max<std::int64_t>(k0, major0 - (extent - 1));
    k1 = std::min<std::int64_t>(k1, major0 + 1);
  }
  for (std::int64_t k = k0; k < k1; ++k) {
    const std::int64_t major = major0 + dir * k;
    const std::int64_t minor = minor0 + FloorDiv(2 * k * dminor + steps, 2 * steps);
    if (x_major)
      Plot(dc, major, minor, rgb);
    else
      Plot(dc, minor, major, rgb);
  }
}

std::uint64_t ISqrt(std::uint64_t v) {
  auto r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
  while (r > 0 && static_cast<U128>(r) * r > v) --r;
  while (static_cast<U128>(r + 1) * (r + 1) <= v) ++r;
  return r;
}

// The pixels of row y covered by the ellipse inscribed in [l, r) x [t, b):
// [first, last], or first > last when none.
struct RowSpan {
  std::int64_t first = 1, last = 0;
  [[nodiscard]] bool Empty() const { return first > last; }
};

RowSpan EllipseRow(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b, std::int64_t y) {
  RowSpan s;
  if (y < t || y >= b) return s;
  // Twice the offsets from the centre, so that everything stays integral:
  // a pixel is inside when dx2^2 / A^2 + dy2^2 / B^2 <= 1.
  const std::int64_t a = r - l, bb = b - t;
  const std::int64_t dy2 = 2 * y + 1 - (t + b);
  const U128 a2 = static_cast<U128>(a) * static_cast<U128>(a);
  const U128 b2 = static_cast<U128>(bb) * static_cast<U128>(bb);
  const U128 dy2sq = static_cast<U128>(dy2 < 0 ? -dy2 : dy2) * static_cast<U128>(dy2 < 0 ? -dy2 : dy2);
  if (dy2sq > b2) return s;
  // Largest |dx2| with dx2^2 * B^2 <= A^2 * (B^2 - dy2^2).
  const auto d = static_cast<std::int64_t>(ISqrt(static_cast<std::uint64_t>(a2 * (b2 - dy2sq) / b2)));
  // dx2 = 2x + 1 - (l + r), |dx2| <= d.
  s.first = CeilDiv(l + r - 1 - d, 2);
  s.last = FloorDiv(l + r - 1 + d, 2);
  return s;
}

struct Box {
  std::int64_t l, t, r, b;
};

bool Normalise(int left, int top, int right, int bottom, Box* box) {
  if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) return false;
  box->l = std::min(left, right);
  box->r = std::max(left, right);
  box->t = std::min(top, bottom);
  box->b = std::max(top, bottom);
  return true;
}

}  // namespace

DeviceContext::~DeviceContext() {
  for (void* held : {pen, brush}) {
    auto* obj = static_cast<GdiObject*>(held);
    if (obj != nullptr && !obj->stock) --obj->selections;
  }
}

HPEN CreatePen(int style, int, COLORREF colour) {
  return new (std::nothrow) GdiObject{GdiObject::Kind::Pen, style == PS_NULL, false, ToRgb(colour)};
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return new (std::nothrow) GdiObject{GdiObject::Kind::Brush, false, false, ToRgb(colour)};
}

HGDIOBJ GetStockObject(int which) {
  switch (which) {
    case WHITE_BRUSH: return &g_white_brush;
    case BLACK_BRUSH: return &g_black_brush;
    case NULL_BRUSH: return &g_null_brush;
    case WHITE_PEN: return &g_white_pen;
    case BLACK_PEN: return &g_black_pen;
    case NULL_PEN: return &g_null_pen;
    default: return nullptr;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (dc == nullptr || object == nullptr) return nullptr;
  const bool pen = object->kind == GdiObject::Kind::Pen;
  void*& slot = pen ? dc->pen : dc->brush;
  GdiObject* previous = pen ? PenOf(dc) : BrushOf(dc);
  if (previous == object) return previous;
  if (!object->stock) ++object->selections;
  if (!previous->stock) --previous->selections;
  slot = object;
  return previous;
}

bool DeleteObject(HGDIOBJ object) {
  if (object == nullptr) return false;
  if (object->stock) return true;
  if (object->selections.load() > 0) return false;
  delete object;
  return true;
}

bool Rectangle(HDC dc, int left, int top, int right, int bottom) {
  Box box;
  if (dc == nullptr || !Normalise(left, top, right, bottom, &box)) return false;
  const GdiObject* pen = PenOf(dc);
  const GdiObject* brush = BrushOf(dc);
  if (pen->null) {
    --box.r;
    --box.b;
  }
  if (box.r <= box.l || box.b <= box.t) return true;
  const std::int64_t y0 = std::max<std::int64_t>(box.t, 0), y1 = std::min<std::int64_t>(box.b, dc->Height());
  for (std::int64_t y = y0; y < y1; ++y) {
    if (pen->null) {
      if (!brush->null) Span(dc, y, box.l, box.r, brush->rgb);
      continue;
    }
    if (y == box.t || y == box.b - 1) {
      Span(dc, y, box.l, box.r, pen->rgb);
      continue;
    }
    Plot(dc, box.l, y, pen->rgb);
    Plot(dc, box.r - 1, y, pen->rgb);
    if (!brush->null) Span(dc, y, box.l + 1, box.r - 1, brush->rgb);
  }
  return true;
}

bool Ellipse(HDC dc, int left, int top, int right, int bottom) {
  Box box;
  if (dc == nullptr || !Normalise(left, top, right, bottom, &box)) return false;
  if (box.r <= box.l || box.b <= box.t) return true;
  const GdiObject* pen = PenOf(dc);
  const GdiObject* brush = BrushOf(dc);
  const std::int64_t y0 = std::max<std::int64_t>(box.t, 0), y1 = std::min<std::int64_t>(box.b, dc->Height());
  for (std::int64_t y = y0; y < y1; ++y) {
    const RowSpan row = EllipseRow(box.l, box.t, box.r, box.b, y);
    if (row.Empty()) continue;
    if (pen->null) {
      if (!brush->null) Span(dc, y, row.first, row.last + 1, brush->rgb);
      continue;
    }
    // Inside pixels have all four side neighbours in the shape: they lie
    // strictly within this row's span and within the rows above and below.
    const RowSpan up = EllipseRow(box.l, box.t, box.r, box.b, y - 1);
    const RowSpan down = EllipseRow(box.l, box.t, box.r, box.b, y + 1);
    std::int64_t in0 = row.first + 1, in1 = row.last - 1;  // inclusive
    if (up.Empty() || down.Empty()) {
      in0 = 1;
      in1 = 0;
    } else {
      in0 = std::max({in0, up.first, down.first});
      in1 = std::min({in1, up.last, down.last});
    }
    if (in0 > in1) {
      Span(dc, y, row.first, row.last + 1, pen->rgb);
      continue;
    }
    Span(dc, y, row.first, in0, pen->rgb);
    if (!brush->null) Span(dc, y, in0, in1 + 1, brush->rgb);
    Span(dc, y, in1 + 1, row.last + 1, pen->rgb);
  }
  return true;
}

bool Polygon(HDC dc, const POINT* points, int count) {
  if (dc == nullptr || points == nullptr || count < 2) return false;
  std::int64_t top = kCoordLimit, bottom = -kCoordLimit;
  for (int i = 0; i < count; ++i) {
    if (!InRange(points[i].x) || !InRange(points[i].y)) return false;
    top = std::min<std::int64_t>(top, points[i].y);
    bottom = std::max<std::int64_t>(bottom, points[i].y);
  }
  const GdiObject* pen = PenOf(dc);
  const GdiObject* brush = BrushOf(dc);
  if (!brush->null) {
    // Scan every visible row y. A side from (x0, y0) to (x1, y1) crosses it
    // when y0 <= y < y1 (or the reverse), at x0 + (y - y0) * (x1 - x0) /
    // (y1 - y0); the crossing is first reached by the pixel at or to the
    // right of it. Alternate mode fills between pairs of crossings.
    std::vector<std::int64_t> cross;
    const std::int64_t y0 = std::max<std::int64_t>(top, 0), y1 = std::min<std::int64_t>(bottom, dc->Height());
    for (std::int64_t y = y0; y < y1; ++y) {
      cross.clear();
      for (int i = 0; i < count; ++i) {
        const POINT& p = points[i];
        const POINT& q = points[(i + 1) % count];
        if (p.y == q.y) continue;
        const POINT& lo = p.y < q.y ? p : q;
        const POINT& hi = p.y < q.y ? q : p;
        if (y < lo.y || y >= hi.y) continue;
        const std::int64_t den = static_cast<std::int64_t>(hi.y) - lo.y;
        const std::int64_t num = static_cast<std::int64_t>(lo.x) * den +
                                 (y - lo.y) * (static_cast<std::int64_t>(hi.x) - lo.x);
        cross.push_back(CeilDiv(num, den));
      }
      std::sort(cross.begin(), cross.end());
      for (std::size_t i = 0; i + 1 < cross.size(); i += 2) Span(dc, y, cross[i], cross[i + 1], brush->rgb);
    }
  }
  if (!pen->null) {
    for (int i = 0; i < count; ++i) {
      const POINT& p = points[i];
      const POINT& q = points[(i + 1) % count];
      Line(dc, p.x, p.y, q.x, q.y, pen->rgb);
    }
  }
  return true;
}

bool MoveToEx(HDC dc, int x, int y, POINT* previous) {
  if (dc == nullptr) return false;
  if (previous != nullptr) *previous = POINT{dc->pos_x, dc->pos_y};
  dc->pos_x = x;
  dc->pos_y = y;
  return true;
}

bool LineTo(HDC dc, int x, int y) {
  if (dc == nullptr || !InRange(x) || !InRange(y) || !InRange(dc->pos_x) || !InRange(dc->pos_y)) return false;
  const GdiObject* pen = PenOf(dc);
  if (!pen->null) Line(dc, dc->pos_x, dc->pos_y, x, y, pen->rgb);
  dc->pos_x = x;
  dc->pos_y = y;
  return true;
}
