// Text, pixels and pictures on a device context. Text is drawn from the
// platform's font glyphs (kit/FontGlyphs.h).
#include "kit/ddraw/gdi.h"

#include <algorithm>
#include <cstring>
#include <array>
#include <cstdio>
#include <mutex>
#include <vector>

#include "kit/FontGlyphs.h"
#include "kit/Picture.h"
#include "kit/ddraw/dc.h"

void DeviceContext::BlendRgb(int x, int y, std::uint32_t rgb, unsigned coverage) const {
  if (!InClip(x, y) || coverage == 0) return;
  if (coverage >= 255) {
    StoreRgb(x, y, rgb);
    return;
  }
  const std::uint32_t old = LoadRgb(x, y);
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned a = (old >> shift) & 0xFF, b = (rgb >> shift) & 0xFF;
    const unsigned mixed = (b * coverage + a * (255 - coverage) + 127) / 255;
    out |= mixed << shift;
  }
  StoreRgb(x, y, out);
}

namespace {

using sandloop::FontGlyphs;
using sandloop::Glyph;
using sandloop::kFontPixels;

std::uint32_t ToRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
COLORREF ToColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

int SetBkMode(HDC dc, int mode) {
  if (dc == nullptr) return 0;
  const int old = dc->bk_mode;
  dc->bk_mode = mode;
  return old;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  if (dc == nullptr) return CLR_INVALID;
  const COLORREF old = dc->text_color;
  dc->text_color = colour;
  return old;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  if (dc == nullptr) return CLR_INVALID;
  const COLORREF old = dc->bk_color;
  dc->bk_color = colour;
  return old;
}

int SetTextPixels(HDC dc, int pixels) {
  if (dc == nullptr) return 0;
  const int old = dc->text_pixels;
  dc->text_pixels = std::clamp(pixels, kFontPixels, sandloop::kMaxFontPixels);
  return old;
}

int TextWidth(HDC dc, const std::string& text) {
  int width = 0;
  FontGlyphs& font = FontGlyphs::Instance(dc != nullptr ? dc->text_pixels : kFontPixels);
  for (unsigned char c : text) {
    if (const Glyph* g = font.Get(c)) width += g->advance;
  }
  return width;
}

bool BlendPixel(HDC dc, int x, int y, COLORREF colour, unsigned coverage) {
  if (dc == nullptr || !dc->Inside(x, y)) return false;
  dc->BlendRgb(x, y, ToRgb(colour), coverage);
  return true;
}

RECT ClipRectOf(HDC dc) { return dc == nullptr ? RECT{} : dc->Clip(); }

bool TextOutA(HDC dc, int x, int y, const char* text, int length) {
  if (dc == nullptr || text == nullptr || length < 0) return false;
  FontGlyphs& font = FontGlyphs::Instance(dc->text_pixels);
  const int baseline = y + font.Ascender();
  const std::uint32_t colour = ToRgb(dc->text_color);
  if (dc->bk_mode == OPAQUE) {
    const int w = TextWidth(dc, std::string(text, static_cast<std::size_t>(length)));
    const std::uint32_t bk = ToRgb(dc->bk_color);
    for (int yy = std::max(0, y); yy < std::min(dc->Height(), y + dc->text_pixels + 3); ++yy)
      for (int xx = std::max(0, x); xx < std::min(dc->Width(), x + w); ++xx) dc->StoreRgb(xx, yy, bk);
  }
  int pen = x;
  for (int i = 0; i < length; ++i) {
    const Glyph* g = font.Get(static_cast<unsigned char>(text[i]));
    if (g == nullptr) return false;
    for (int r = 0; r < g->rows; ++r) {
      const int py = baseline - g->top + r;
      if (py < 0 || py >= dc->Height()) continue;
      for (int c = 0; c < g->width; ++c)
        dc->BlendRgb(pen + g->left + c, py, colour, g->coverage[static_cast<std::size_t>(r) * g->width + c]);
    }
    pen += g->advance;
  }
  return true;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  if (dc == nullptr || !dc->Inside(x, y)) return CLR_INVALID;
  return ToColorRef(dc->LoadRgb(x, y));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
  if (dc == nullptr || !dc->Inside(x, y)) return CLR_INVALID;
  dc->StoreRgb(x, y, ToRgb(colour));
  return ToColorRef(dc->LoadRgb(x, y));
}

void DrawPicture(HDC dc, int x, int y, const sandloop::Picture& picture) {
  if (dc == nullptr || picture.Empty()) return;
  const RECT& c = dc->Clip();
  const int x0 = std::max<int>(c.left, x), x1 = std::min<int>(c.right, x + picture.Width());
  const int y0 = std::max<int>(c.top, y), y1 = std::min<int>(c.bottom, y + picture.Height());
  for (int yy = y0; yy < y1; ++yy) {
    const std::uint32_t* row = picture.Row(yy - y);
    for (int xx = x0; xx < x1; ++xx) dc->StoreRgb(xx, yy, row[xx - x]);
  }
}

void StretchDrawPictureBand(HDC dc, const RECT& dst, const sandloop::Picture& picture, int band_top, int band_height) {
  if (dc == nullptr || picture.Empty() || band_top < 0 || band_height <= 0 || band_top + band_height > picture.Height())
    return;
  const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
  if (dw <= 0 || dh <= 0) return;
  const int pw = picture.Width(), ph = band_height;
  const RECT& c = dc->Clip();
  const int y0 = std::max<int>(c.top, dst.top), y1 = std::min<int>(c.bottom, dst.bottom);
  const int x0 = std::max<int>(c.left, dst.left), x1 = std::min<int>(c.right, dst.right);
  // Nearest neighbour: destination pixel d takes source pixel d * size / dsize.
  std::vector<int> columns(static_cast<std::size_t>(std::max(0, x1 - x0)));
  for (int xx = x0; xx < x1; ++xx)
    columns[static_cast<std::size_t>(xx - x0)] =
        static_cast<int>(static_cast<std::int64_t>(xx - dst.left) * pw / dw);
  int previous_sy = -1;
  for (int yy = y0; yy < y1; ++yy) {
    const int sy = static_cast<int>(static_cast<std::int64_t>(yy - dst.top) * ph / dh);
    if (sy == previous_sy) {
      // An enlarged picture repeats source rows: copy the row just made.
      std::memcpy(dc->At(x0, yy), dc->At(x0, yy - 1), static_cast<std::size_t>(x1 - x0) * (dc->Bpp() / 8));
      continue;
    }
    previous_sy = sy;
    const std::uint32_t* row = picture.Row(band_top + sy);
    if (dc->Bpp() == 32) {
      // 32-bit surfaces hold the picture's own 0x00RRGGBB values.
      auto* out = reinterpret_cast<std::uint32_t*>(dc->At(x0, yy));
      for (int xx = x0; xx < x1; ++xx) out[xx - x0] = row[columns[static_cast<std::size_t>(xx - x0)]];
      continue;
    }
    for (int xx = x0; xx < x1; ++xx) dc->StoreRgb(xx, yy, row[columns[static_cast<std::size_t>(xx - x0)]]);
  }
}

void StretchDrawPicture(HDC dc, const RECT& dst, const sandloop::Picture& picture) {
  StretchDrawPictureBand(dc, dst, picture, 0, picture.Height());
}
