#pragma once
// A 32-bit surface's pixels made ahead, on any thread, to be handed to a
// new surface whole (IDirectDraw::CreateSurfaceFrom) instead of copied into
// it: rows of 0x00RRGGBB words, width * 4 bytes apart, with 4 spare bytes
// after the last row as every surface has, and each pixel's coverage when
// the picture is not opaque throughout.
#include <memory>

#include "kit/ddraw/PageMemory.h"
#include "kit/ddraw/blend.h"

namespace sandloop::display {

struct SurfacePixels {
  int width = 0, height = 0;
  PageMemory words;
  std::unique_ptr<AlphaPlane> alpha;  // null: every pixel opaque
  [[nodiscard]] bool Empty() const { return width <= 0 || height <= 0; }
};

}  // namespace sandloop::display
