// Pens, brushes and shapes on small headless surfaces, checked pixel by
// pixel against pictures drawn as text: '.' background, 'P' pen, 'B' brush.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/gdi.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace {

using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;

constexpr COLORREF kPen = RGB(255, 0, 0);
constexpr COLORREF kBrush = RGB(0, 0, 255);

// An off-screen surface of the given size with a device context on it.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    sandloop::display::SetBackend(hb_);
    EXPECT_EQ(DirectDrawCreate(nullptr, &dd_, nullptr), DD_OK);
    DDSURFACEDESC desc;
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(w);
    desc.dwHeight = static_cast<DWORD>(h);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface_, nullptr), DD_OK);
    EXPECT_EQ(surface_->GetDC(&dc_), DD_OK);
  }
  ~Canvas() {
    if (dc_ != nullptr) surface_->ReleaseDC(dc_);
    surface_->Release();
    dd_->Release();
    sandloop::display::SetBackend(nullptr);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  [[nodiscard]] HDC dc() const { return dc_; }
  // Releases the context (selected objects are selected out with it).
  void Release() {
    surface_->ReleaseDC(dc_);
    dc_ = nullptr;
  }

  // Selects a solid pen and brush in the test colours; DropColours selects
  // the previous ones back and deletes them.
  void UseColours() {
    pen_ = CreatePen(PS_SOLID, 1, kPen);
    brush_ = CreateSolidBrush(kBrush);
    old_pen_ = SelectObject(dc_, pen_);
    old_brush_ = SelectObject(dc_, brush_);
  }
  void DropColours() {
    SelectObject(dc_, old_pen_);
    SelectObject(dc_, old_brush_);
    EXPECT_TRUE(DeleteObject(pen_));
    EXPECT_TRUE(DeleteObject(brush_));
  }

  [[nodiscard]] std::string Picture() const {
    std::string out;
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const COLORREF c = GetPixel(dc_, x, y);
        out += c == 0 ? '.' : c == kPen ? 'P' : c == kBrush ? 'B' : c == 0xFFFFFF ? 'W' : '?';
      }
      out += '\n';
    }
    return out;
  }

 private:
  std::shared_ptr<HeadlessBackend> hb_ = CreateHeadlessBackend();
  int w_, h_;
  IDirectDraw* dd_ = nullptr;
  IDirectDrawSurface* surface_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ pen_ = nullptr, brush_ = nullptr, old_pen_ = nullptr, old_brush_ = nullptr;
};

std::string Rows(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) out += std::string(r) + '\n';
  return out;
}

TEST(GdiShapes, RectangleLeavesOutRightAndBottomEdge) {
  Canvas c(8, 6);
  c.UseColours();
  EXPECT_TRUE(Rectangle(c.dc(), 1, 1, 6, 5));
  EXPECT_EQ(c.Picture(), Rows({"........",  //
                               ".PPPPP..",  //
                               ".PBBBP..",  //
                               ".PBBBP..",  //
                               ".PPPPP..",  //
                               "........"}));
  // Swapped corners give the same box.
  Canvas d(8, 6);
  d.UseColours();
  EXPECT_TRUE(Rectangle(d.dc(), 6, 5, 1, 1));
  EXPECT_EQ(d.Picture(), c.Picture());
  c.DropColours();
  d.DropColours();
}

TEST(GdiShapes, RectangleWithNullPenIsOnePixelSmallerAndClipped) {
  Canvas c(6, 5);
  c.UseColours();
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Rectangle(c.dc(), 1, 1, 5, 4));
  EXPECT_TRUE(Rectangle(c.dc(), -9, 4, 3, 9));  // partly outside: clipped
  EXPECT_EQ(c.Picture(), Rows({"......",  //
                               ".BBB..",  //
                               ".BBB..",  //
                               "......",  //
                               "BB...."}));
  // Empty boxes draw nothing and still succeed.
  SelectObject(c.dc(), GetStockObject(WHITE_PEN));
  EXPECT_TRUE(Rectangle(c.dc(), 3, 3, 3, 4));
  EXPECT_TRUE(Ellipse(c.dc(), 3, 3, 5, 3));
  EXPECT_EQ(GetPixel(c.dc(), 3, 3), 0u);
  c.DropColours();
}

TEST(GdiShapes, SmallEllipsesAreRoundAndOutlined) {
  Canvas c(16, 8);
  c.UseColours();
  EXPECT_TRUE(Ellipse(c.dc(), 0, 0, 2, 2));
  EXPECT_TRUE(Ellipse(c.dc(), 3, 0, 7, 4));
  EXPECT_TRUE(Ellipse(c.dc(), 8, 0, 14, 6));
  EXPECT_EQ(c.Picture(), Rows({"PP..PP...PPPP...",  //
                               "PP.PBBP.PBBBBP..",  //
                               "...PBBP.PBBBBP..",  //
                               "....PP..PBBBBP..",  //
                               "........PBBBBP..",  //
                               ".........PPPP...",  //
                               "................",  //
                               "................"}));
  c.DropColours();
}

TEST(GdiShapes, EllipseFitsItsBoxSymmetrically) {
  Canvas c(30, 20);
  c.UseColours();
  const int l = 2, t = 3, r = 25, b = 14;
  EXPECT_TRUE(Ellipse(c.dc(), l, t, r, b));
  bool left = false, right = false, top = false, bottom = false;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      const COLORREF p = GetPixel(c.dc(), x, y);
      if (x < l || x >= r || y < t || y >= b) {
        EXPECT_EQ(p, 0u) << x << "," << y;
        continue;
      }
      // Mirror images about the box's centre lines match.
      EXPECT_EQ(p, GetPixel(c.dc(), l + r - 1 - x, y)) << x << "," << y;
      EXPECT_EQ(p, GetPixel(c.dc(), x, t + b - 1 - y)) << x << "," << y;
      left |= x == l && p != 0;
      right |= x == r - 1 && p != 0;
      top |= y == t && p != 0;
      bottom |= y == b - 1 && p != 0;
    }
  }
  EXPECT_TRUE(left && right && top && bottom);
  EXPECT_EQ(GetPixel(c.dc(), 13, 8), kBrush);
  c.DropColours();
}

TEST(GdiShapes, NullBrushOutlinesAndNullPenFillsTheWholeShape) {
  Canvas hollow(8, 8);
  hollow.UseColours();
  SelectObject(hollow.dc(), GetStockObject(NULL_BRUSH));
  EXPECT_TRUE(Ellipse(hollow.dc(), 1, 1, 7, 7));
  Canvas solid(8, 8);
  solid.UseColours();
  SelectObject(solid.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Ellipse(solid.dc(), 1, 1, 7, 7));
  EXPECT_EQ(hollow.Picture(), Rows({"........",  //
                                    "..PPPP..",  //
                                    ".P....P.",  //
                                    ".P....P.",  //
                                    ".P....P.",  //
                                    ".P....P.",  //
                                    "..PPPP..",  //
                                    "........"}));
  EXPECT_EQ(solid.Picture(), Rows({"........",  //
                                   "..BBBB..",  //
                                   ".BBBBBB.",  //
                                   ".BBBBBB.",  //
                                   ".BBBBBB.",  //
                                   ".BBBBBB.",  //
                                   "..BBBB..",  //
                                   "........"}));
  hollow.DropColours();
  solid.DropColours();
}

TEST(GdiShapes, PolygonFillsLikeARectangleAndItsOutlineAddsTheFarEdges) {
  const POINT square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
  Canvas fill(7, 6);
  fill.UseColours();
  SelectObject(fill.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Polygon(fill.dc(), square, 4));
  EXPECT_EQ(fill.Picture(), Rows({".......",  //
                                  ".BBBB..",  //
                                  ".BBBB..",  //
                                  ".BBBB..",  //
                                  ".......",  //
                                  "......."}));
  Canvas both(7, 6);
  both.UseColours();
  EXPECT_TRUE(Polygon(both.dc(), square, 4));
  EXPECT_EQ(both.Picture(), Rows({".......",  //
                                  ".PPPPP.",  //
                                  ".PBBBP.",  //
                                  ".PBBBP.",  //
                                  ".PPPPP.",  //
                                  "......."}));
  EXPECT_FALSE(Polygon(both.dc(), square, 1));
  fill.DropColours();
  both.DropColours();
}

TEST(GdiShapes, PolygonUsesAlternateFillMode) {
  // A five-pointed star drawn in one stroke: its centre is wound twice
  // and stays empty in alternate mode, its points are filled.
  const POINT star[] = {{10, 0}, {16, 18}, {0, 7}, {20, 7}, {4, 18}};
  Canvas c(21, 21);
  c.UseColours();
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Polygon(c.dc(), star, 5));
  EXPECT_EQ(GetPixel(c.dc(), 10, 10), 0u);
  EXPECT_EQ(GetPixel(c.dc(), 10, 3), kBrush);
  EXPECT_EQ(GetPixel(c.dc(), 2, 7), kBrush);
  EXPECT_EQ(GetPixel(c.dc(), 14, 16), kBrush);
  EXPECT_EQ(GetPixel(c.dc(), 16, 16), 0u);  // beyond the arm's right side
  c.DropColours();
}

TEST(GdiShapes, TrianglesSharingASideCoverEachPixelOnce) {
  const POINT a[] = {{0, 0}, {9, 0}, {9, 7}};
  const POINT b[] = {{0, 0}, {9, 7}, {0, 7}};
  Canvas ca(9, 7), cb(9, 7);
  ca.UseColours();
  cb.UseColours();
  SelectObject(ca.dc(), GetStockObject(NULL_PEN));
  SelectObject(cb.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Polygon(ca.dc(), a, 3));
  EXPECT_TRUE(Polygon(cb.dc(), b, 3));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_NE(GetPixel(ca.dc(), x, y) == kBrush, GetPixel(cb.dc(), x, y) == kBrush) << x << "," << y;
  ca.DropColours();
  cb.DropColours();
}

TEST(GdiShapes, LineToLeavesOutItsLastPixelAndMovesThePosition) {
  Canvas c(8, 6);
  c.UseColours();
  POINT old{-1, -1};
  EXPECT_TRUE(MoveToEx(c.dc(), 1, 1, &old));
  EXPECT_EQ(old.x, 0);
  EXPECT_EQ(old.y, 0);
  EXPECT_TRUE(LineTo(c.dc(), 5, 1));  // x 1..4
  EXPECT_TRUE(LineTo(c.dc(), 5, 4));  // continues from (5, 1): y 1..3
  MoveToEx(c.dc(), 0, 5, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), 4, 3));  // shallow: halves round down the screen
  EXPECT_EQ(c.Picture(), Rows({"........",  //
                               ".PPPPP..",  //
                               ".....P..",  //
                               ".....P..",  //
                               "..PP....",  //
                               "PP......"}));
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 7, 0);
  MoveToEx(c.dc(), 0, 0, &old);
  EXPECT_EQ(old.x, 7);
  c.DropColours();
}

TEST(GdiShapes, LinesRunBothWaysAndClip) {
  Canvas c(6, 6);
  c.UseColours();
  MoveToEx(c.dc(), 4, 0, nullptr);
  LineTo(c.dc(), 0, 4);  // diagonal down-left, (0, 4) left out
  MoveToEx(c.dc(), -100000000, 5, nullptr);
  LineTo(c.dc(), 100000000, 5);  // a long line costs only its visible part
  EXPECT_EQ(c.Picture(), Rows({"....P.",  //
                               "...P..",  //
                               "..P...",  //
                               ".P....",  //
                               "......",  //
                               "PPPPPP"}));
  // Beyond the coordinate space: refused, nothing drawn, position kept.
  MoveToEx(c.dc(), 0, 4, nullptr);
  EXPECT_FALSE(LineTo(c.dc(), 1 << 28, 4));
  EXPECT_EQ(GetPixel(c.dc(), 1, 4), 0u);
  EXPECT_FALSE(Ellipse(c.dc(), 0, 0, 1 << 28, 2));
  // The null pen moves without drawing.
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(LineTo(c.dc(), 5, 4));
  EXPECT_EQ(GetPixel(c.dc(), 2, 4), 0u);
  c.DropColours();
}

TEST(GdiShapes, SelectedObjectsCannotBeDeletedUntilSelectedOut) {
  Canvas c(4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, kPen);
  HBRUSH brush = CreateSolidBrush(kBrush);
  // The context starts with the stock black pen and white brush.
  EXPECT_EQ(SelectObject(c.dc(), pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(c.dc(), brush), GetStockObject(WHITE_BRUSH));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(c.dc(), GetStockObject(BLACK_PEN)), pen);
  EXPECT_TRUE(DeleteObject(pen));
  // Releasing the context selects the brush out.
  c.Release();
  EXPECT_TRUE(DeleteObject(brush));
  // Stock objects survive DeleteObject.
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
  EXPECT_EQ(GetStockObject(12345), nullptr);
  EXPECT_EQ(SelectObject(nullptr, GetStockObject(NULL_PEN)), nullptr);
}

TEST(GdiShapes, DefaultObjectsDrawBlackOutlineAndWhiteFill) {
  Canvas c(5, 5);
  EXPECT_TRUE(Rectangle(c.dc(), 0, 0, 5, 5));
  EXPECT_EQ(GetPixel(c.dc(), 0, 0), 0u);
  EXPECT_EQ(GetPixel(c.dc(), 2, 2), 0xFFFFFFu);
}

}  // namespace
