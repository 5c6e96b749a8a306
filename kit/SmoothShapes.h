#pragma once
// Anti-aliased filled shapes in one colour, for drawing that must read well
// at any size (the clock on a large screen). Pixel (x, y) stands for the
// point (x, y), as in the kit's other shapes; each pixel takes the colour
// by how much of it the shape covers, estimated from its distance to the
// shape's edge: full inside by half a pixel or more, none outside by half a
// pixel or more, linear between.
#include "kit/ddraw/gdi.h"

namespace sandloop {

struct SmoothPoint {
  double x = 0, y = 0;
};

// A disc of radius r about (cx, cy).
void SmoothDisc(HDC dc, SmoothPoint centre, double r, COLORREF colour);
// A polygon (convex or not, even-odd inside) grown outward by `grow`
// pixels with rounded corners, as a pen of width 2 x grow outlines it.
void SmoothPolygon(HDC dc, const SmoothPoint* points, int count, double grow, COLORREF colour);
// A line from a to b, `width` wide, with round ends.
void SmoothLine(HDC dc, SmoothPoint a, SmoothPoint b, double width, COLORREF colour);

// The coverage (0 to 255) of a pixel whose centre lies `distance` pixels
// outside a shape's edge (negative: inside).
[[nodiscard]] unsigned CoverageAt(double distance);

}  // namespace sandloop
