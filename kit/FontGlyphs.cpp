#include "kit/FontGlyphs.h"

#include <algorithm>

namespace sandloop {

// One font per size, made when first asked for and kept for the process.
struct FontSizes {
  std::mutex lock;
  std::array<FontGlyphs*, kMaxFontPixels + 1> fonts{};
  ~FontSizes() {
    for (FontGlyphs* font : fonts) delete font;
  }
};

FontGlyphs& FontGlyphs::Instance(int pixels) {
  static FontSizes sizes;
  const int size = std::clamp(pixels, kFontPixels, kMaxFontPixels);
  std::lock_guard<std::mutex> g(sizes.lock);
  FontGlyphs*& font = sizes.fonts[static_cast<std::size_t>(size)];
  if (font == nullptr) font = new FontGlyphs(size);
  return *font;
}

FontGlyphs::FontGlyphs(int pixels) : pixels_(pixels) {}

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
  return loaded_ ? ascender_ : pixels_;
}

}  // namespace sandloop
