#pragma once
// The drawing operations the kit applies to a surface's device context, in
// the shape of the platform's GDI: text, pixels and pictures drawn onto a
// surface through HDC handles from IDirectDrawSurface::GetDC.
//
// Text is drawn with a DejaVu font from the system's font package, 16
// pixels high, anti-aliased over what is already there. Colours are
// COLORREF 0x00BBGGRR; on 16-bit surfaces they are rounded to RGB565.
#include <cstdint>
#include <string>

#include "kit/ddraw/ddraw.h"

namespace sandloop {
class Picture;
}

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

inline constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
inline constexpr unsigned GetRValue(COLORREF c) { return c & 0xFF; }
inline constexpr unsigned GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
inline constexpr unsigned GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

int SetBkMode(HDC dc, int mode);                  // returns the previous mode
COLORREF SetTextColor(HDC dc, COLORREF colour);   // returns the previous colour
COLORREF SetBkColor(HDC dc, COLORREF colour);
bool TextOutA(HDC dc, int x, int y, const char* text, int length);
// The colour of a pixel, CLR_INVALID outside the surface.
COLORREF GetPixel(HDC dc, int x, int y);
// Sets a pixel and returns the colour actually stored, CLR_INVALID outside.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);

// The canvas operations of pictures: unscaled at (x, y), or scaled into
// `dst` (right and bottom exclusive) by nearest neighbour, the ordinary
// stretch of the platform. Both clip to the surface.
void DrawPicture(HDC dc, int x, int y, const sandloop::Picture& picture);
void StretchDrawPicture(HDC dc, const RECT& dst, const sandloop::Picture& picture);
// The same for rows [band_top, band_top + band_height) of the picture only.
void StretchDrawPictureBand(HDC dc, const RECT& dst, const sandloop::Picture& picture, int band_top, int band_height);

// Mixes `colour` into the pixel by `coverage` (0 leaves it, 255 replaces
// it), within the clip like every drawing: the one step of the kit's
// anti-aliased shapes (kit/SmoothShapes.h). False outside the surface.
bool BlendPixel(HDC dc, int x, int y, COLORREF colour, unsigned coverage);
// The part of the surface that drawing through the context can change: its
// clip rectangle within the surface. Empty for no context.
[[nodiscard]] RECT ClipRectOf(HDC dc);

// The height of the context's font in pixels (16 unless set; at most
// kMaxFontPixels), in place of selecting a font. Returns the previous one.
int SetTextPixels(HDC dc, int pixels);

// The size in pixels of `text` in the context's font.
int TextWidth(HDC dc, const std::string& text);

// --- Shapes: pens, solid brushes, ellipses, rectangles, polygons, lines ---
//
// The geometry is the platform's in its default mapping and alternate fill
// mode; these are the rules implemented here:
// - Pixel (x, y) stands for the grid point (x, y): shapes, their outlines
//   and their fills are all decided on the same points, so that an outline
//   and its fill meet without gaps.
// - A bounding rectangle (left, top, right, bottom) covers the pixels
//   left <= x < right and top <= y < bottom: its right and bottom edge are
//   left out. Swapped sides are put in order first; an empty box draws
//   nothing (the call still succeeds).
// - Rectangle: the pen draws the outermost ring of the covered pixels, the
//   brush fills the pixels inside it. With the null pen the box is one pixel
//   narrower and lower (right - 1, bottom - 1) and the brush fills all of it.
// - Ellipse: the covered shape is every pixel of the box with
//   ((x - cx) / (w / 2))^2 + ((y - cy) / (h / 2))^2 <= 1, where w and h are
//   the box's width and height and (cx, cy) = ((left + right - 1) / 2,
//   (top + bottom - 1) / 2) its middle. The pen draws the pixels of that
//   shape that have a side neighbour outside it, the brush the rest; with
//   the null pen the brush fills the whole shape.
// - Polygon: closed by a side from the last point back to the first. The
//   brush fills the pixels inside in alternate (even-odd) mode; a pixel
//   exactly on a side counts as inside only on a left or top side. Then the
//   pen outlines the polygon, each side drawn as LineTo draws it. A
//   rectangle given as a polygon therefore fills [left, right) x
//   [top, bottom) and its outline adds the right column and bottom row.
// - MoveToEx sets the current position; LineTo draws from it to (x, y)
//   leaving out the pixel at (x, y), then makes (x, y) the current position.
//   Along the longer axis (x on a tie) every pixel from the start is drawn;
//   the other coordinate is the exact line's, rounded to the nearest pixel,
//   halves toward the larger coordinate.
// - Pens draw one pixel wide whatever their width; PS_NULL draws nothing
//   and other styles draw solid. The null brush fills nothing.
// - Everything is clipped to the surface. Coordinates beyond +-2^27 (the
//   platform's coordinate space) make the call fail without drawing.
// - As on the platform, an object selected into a context cannot be
//   deleted (DeleteObject fails) until it is selected out or the context is
//   released, a handle must not be used after it was deleted, and stock
//   objects are never deleted (DeleteObject ignores them).

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_NULL = 5;

// GetStockObject identifiers.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;

struct POINT {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct GdiObject;  // a pen or a brush
using HGDIOBJ = GdiObject*;
using HPEN = GdiObject*;
using HBRUSH = GdiObject*;

HPEN CreatePen(int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(COLORREF colour);
// The stock objects above; null for any other identifier.
HGDIOBJ GetStockObject(int which);
// Selects a pen or brush into the context and returns the one it replaces
// (a stock object if none was selected); null on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
bool DeleteObject(HGDIOBJ object);

bool Rectangle(HDC dc, int left, int top, int right, int bottom);
bool Ellipse(HDC dc, int left, int top, int right, int bottom);
// At least two points.
bool Polygon(HDC dc, const POINT* points, int count);
// `previous` (may be null) receives the old current position.
bool MoveToEx(HDC dc, int x, int y, POINT* previous);
bool LineTo(HDC dc, int x, int y);
