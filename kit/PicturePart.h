#pragma once
// A part of a picture, given as fractions of its width and height, and a
// master's part scaled to a size while it is decoded. The smooth path cuts
// a picture this way when the screen's shape shows only some of it.
#include <string>

#include "kit/RgbaPicture.h"

namespace sandloop {

struct PicturePart {
  double x = 0, y = 0;  // left and top, 0 to 1
  double w = 1, h = 1;  // width and height, 0 to 1
  [[nodiscard]] bool Whole() const { return x == 0 && y == 0 && w == 1 && h == 1; }
};

// The columns and rows of a width x height picture that `part` covers, in
// whole pixels, at least one of each and never beyond the picture.
struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
};
[[nodiscard]] PixelRect PixelsOf(const PicturePart& part, int width, int height);

// The embedded master `name`, cut to `part` and scaled to w x h by area
// averaging, reading only the rows that part needs.
[[nodiscard]] RgbaPicture MasterPartScaled(const std::string& name, const PicturePart& part, int w, int h);

// The same as a 32-bit surface's pixels (RgbaPicture::ToSurfacePixels). A
// master whose part is w x h as it stands is read straight into them and
// their coverage, a row at a time, without the passes that scaling and a
// picture in premultiplied colour need.
[[nodiscard]] display::SurfacePixels MasterPartPixels(const std::string& name, const PicturePart& part, int w, int h);

}  // namespace sandloop
