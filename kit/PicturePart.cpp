#include "kit/PicturePart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "assets/Resources.h"
#include "kit/MasterRows.h"
#include "kit/Picture.h"

namespace sandloop {

namespace {

// The rows of `rect` of another picture: rows above it are read and
// dropped, and of every row only its columns are passed on. A reader that
// can leave out the columns outside the rectangle does (a JPEG picture's
// decoder then decodes only the blocks that hold them).
class CutRows : public PictureRows {
 public:
  CutRows(std::unique_ptr<PictureRows> rows, PixelRect rect)
      : rows_(std::move(rows)), rect_(rect), row_(static_cast<std::size_t>(rows_->Width()) * 4) {
    first_ = rows_->KeepColumns(rect.x, rect.x + rect.w);
    width_ = rect.w;
    height_ = rect.h;
  }

  RowSpan Next(std::uint8_t* rgba) override {
    for (; skipped_ < rect_.y; ++skipped_) rows_->Next(row_.data());
    const RowSpan span = rows_->Next(row_.data());
    const int x = rect_.x - first_;  // the rectangle's first column in what the reader wrote
    std::memcpy(rgba, row_.data() + static_cast<std::size_t>(x) * 4, static_cast<std::size_t>(rect_.w) * 4);
    return RowSpan{std::clamp(span.begin - x, 0, rect_.w), std::clamp(span.end - x, 0, rect_.w)};
  }

 private:
  std::unique_ptr<PictureRows> rows_;
  PixelRect rect_;
  // A whole row of the picture, however few columns the reader writes.
  std::vector<std::uint8_t> row_;
  int first_ = 0;  // the first column the reader writes
  int skipped_ = 0;
};

}  // namespace

PixelRect PixelsOf(const PicturePart& part, int width, int height) {
  auto cut = [](double from, double size, int whole, int& begin, int& count) {
    begin = std::clamp(static_cast<int>(std::lround(from * whole)), 0, whole - 1);
    const int end = std::clamp(static_cast<int>(std::lround((from + size) * whole)), begin + 1, whole);
    count = end - begin;
  };
  PixelRect r;
  cut(part.x, part.w, width, r.x, r.w);
  cut(part.y, part.h, height, r.y, r.h);
  return r;
}

RgbaPicture MasterPartScaled(const std::string& name, const PicturePart& part, int w, int h) {
  const auto bytes = assets::FindResource(name);
  if (!bytes) throw PictureError("no master '" + name + "' in the program");
  std::unique_ptr<PictureRows> rows = OpenPicture(*bytes, name);
  if (part.Whole()) return ScaleRows(*rows, w, h);
  const PixelRect rect = PixelsOf(part, rows->Width(), rows->Height());
  CutRows cut(std::move(rows), rect);
  return ScaleRows(cut, w, h);
}

}  // namespace sandloop
