// The font through FreeType from the DejaVu font that the system's font
// package installs. Without the font, text is not drawn and one warning
// goes to standard error.
#include "kit/FontGlyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

namespace sandloop {

bool FontGlyphs::Load() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "sandloop: cannot start the font renderer; text is not drawn\n");
    return false;
  }
  library_ = library;
  static const char* const kPaths[] = {
      "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
  };
  FT_Face face = nullptr;
  for (const char* path : kPaths) {
    if (FT_New_Face(library, path, 0, &face) == 0) break;
    face = nullptr;
  }
  if (face == nullptr) {
    std::fprintf(stderr, "sandloop: the DejaVu font (package fonts-dejavu-core) is missing; text is not drawn\n");
    return false;
  }
  face_ = face;
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels_));
  ascender_ = static_cast<int>(face->size->metrics.ascender >> 6);
  return true;
}

void FontGlyphs::Render(unsigned char c, Glyph& glyph) {
  const FT_Face face = static_cast<FT_Face>(face_);
  if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) return;
  const FT_GlyphSlot slot = face->glyph;
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = static_cast<int>(slot->bitmap.width);
  glyph.rows = static_cast<int>(slot->bitmap.rows);
  glyph.advance = static_cast<int>(slot->advance.x >> 6);
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
  for (int r = 0; r < glyph.rows; ++r)
    for (int col = 0; col < glyph.width; ++col)
      glyph.coverage[static_cast<std::size_t>(r) * glyph.width + col] = slot->bitmap.buffer[r * slot->bitmap.pitch + col];
}

void FontGlyphs::Release() {
  if (face_ != nullptr) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_ != nullptr) FT_Done_FreeType(static_cast<FT_Library>(library_));
  face_ = library_ = nullptr;
}

}  // namespace sandloop
