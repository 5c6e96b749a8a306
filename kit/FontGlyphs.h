#pragma once
// The text font: coverage bitmaps of the characters, like the system's
// stock font, at 16 pixels (or larger for large screens). Rendered once
// per character and size and kept, since
// the overlay lines redraw the same characters every frame. The platform's
// own renderer draws them (posix/: FreeType with the DejaVu font that the
// system's font package installs; win32/: GDI with a system font).
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

namespace sandloop {

constexpr int kFontPixels = 16;
// The largest text size asked for; larger requests get this size.
constexpr int kMaxFontPixels = 128;

struct Glyph {
  int left = 0, top = 0;  // offset of the bitmap from the pen position and baseline
  int width = 0, rows = 0;
  int advance = 0;
  std::vector<std::uint8_t> coverage;  // 0..255, rows top to bottom
};

class FontGlyphs {
 public:
  // The process-wide font at `pixels` (kFontPixels to kMaxFontPixels),
  // loaded on first use.
  static FontGlyphs& Instance(int pixels = kFontPixels);

  // Null when no font could be loaded (a warning went to standard error once).
  const Glyph* Get(unsigned char c);
  // Pixels from the top of a line to its baseline.
  int Ascender();

 private:
  explicit FontGlyphs(int pixels);
  ~FontGlyphs();
  friend struct FontSizes;
  FontGlyphs(const FontGlyphs&) = delete;
  FontGlyphs& operator=(const FontGlyphs&) = delete;

  // Platform part: loads the font once; false when there is none.
  bool Load();
  // Platform part: renders `c` into `glyph` (left empty when it has none).
  void Render(unsigned char c, Glyph& glyph);
  void Release();

  std::mutex lock_;
  bool tried_ = false;
  bool loaded_ = false;
  const int pixels_;
  int ascender_ = pixels_;
  void* library_ = nullptr;  // the platform renderer's objects
  void* face_ = nullptr;
  std::array<Glyph, 256> glyphs_{};
  std::array<bool, 256> done_{};
};

}  // namespace sandloop
