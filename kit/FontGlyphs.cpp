#include "kit/FontGlyphs.h"

namespace sandloop {

FontGlyphs& FontGlyphs::Instance() {
  static FontGlyphs font;
  return font;
}

FontGlyphs::FontGlyphs() = default;

FontGlyphs::~FontGlyphs() { Release(); }

const Glyph* FontGlyphs::Get(unsigned char c) {
  std::lock_guard<std::mutex> g(lock_);
  if (!tried_) {
    tried_ = true;
    loaded_ = Load();
  }
  if (!loaded_) return nullptr;
  Glyph& glyph = glyphs_[c];
  if (!done_[c]) {
    done_[c] = true;
    Render(c, glyph);
  }
  return &glyph;
}

int FontGlyphs::Ascender() {
  std::lock_guard<std::mutex> g(lock_);
  if (!tried_) {
    tried_ = true;
    loaded_ = Load();
  }
  return loaded_ ? ascender_ : kFontPixels;
}

}  // namespace sandloop
