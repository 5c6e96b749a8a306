// The font through GDI: a bold sans-serif system font rendered as 65-level
// grey bitmaps by GetGlyphOutline, scaled to the 0..255 coverage that the
// text drawing blends with.
#include "kit/FontGlyphs.h"

#include <windows.h>

#include <cstdio>

namespace sandloop {

bool FontGlyphs::Load() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return false;
  HFONT font = CreateFontW(-pixels_, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_ONLY_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
  if (font == nullptr) {
    DeleteDC(dc);
    std::fprintf(stderr, "sandloop: no system font; text is not drawn\n");
    return false;
  }
  SelectObject(dc, font);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(dc, &metrics)) ascender_ = metrics.tmAscent;
  library_ = dc;
  face_ = font;
  return true;
}

void FontGlyphs::Render(unsigned char c, Glyph& glyph) {
  HDC dc = static_cast<HDC>(library_);
  const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  GLYPHMETRICS gm{};
  // The character in the Latin-1 code page, as the program's texts are.
  const UINT code = c;
  const DWORD size = GetGlyphOutlineW(dc, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &identity);
  if (size == GDI_ERROR) return;
  glyph.advance = gm.gmCellIncX;
  if (size == 0) return;  // a blank such as the space: an advance only
  std::vector<std::uint8_t> bits(size);
  if (GetGlyphOutlineW(dc, code, GGO_GRAY8_BITMAP, &gm, size, bits.data(), &identity) == GDI_ERROR) return;
  glyph.left = gm.gmptGlyphOrigin.x;
  glyph.top = gm.gmptGlyphOrigin.y;
  glyph.width = static_cast<int>(gm.gmBlackBoxX);
  glyph.rows = static_cast<int>(gm.gmBlackBoxY);
  const std::size_t pitch = (static_cast<std::size_t>(glyph.width) + 3) & ~std::size_t{3};  // rows are DWORD aligned
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
  for (int r = 0; r < glyph.rows; ++r)
    for (int col = 0; col < glyph.width; ++col) {
      const unsigned level = bits[static_cast<std::size_t>(r) * pitch + col];  // 0..64
      glyph.coverage[static_cast<std::size_t>(r) * glyph.width + col] =
          static_cast<std::uint8_t>(level >= 64 ? 255 : level * 4);
    }
}

void FontGlyphs::Release() {
  if (library_ != nullptr) DeleteDC(static_cast<HDC>(library_));
  if (face_ != nullptr) DeleteObject(static_cast<HFONT>(face_));
  library_ = face_ = nullptr;
}

}  // namespace sandloop
