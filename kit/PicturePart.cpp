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
// dropped, and of every row only its columns are passed on.
class CutRows : public PictureRows {
 public:
  CutRows(std::unique_ptr<PictureRows> rows, PixelRect rect)
      : rows_(std::move(rows)), rect_(rect), row_(static_cast<std::size_t>(rows_->Width()) * 4) {
    width_ = rect.w;
    height_ = rect.h;
  }

  RowSpan Next(std::uint8_t* rgba) override {
    for (; skipped_ < rect_.y; ++skipped_) rows_->Next(row_.data());
    const RowSpan span = rows_->Next(row_.data());
    std::memcpy(rgba, row_.data() + static_cast<std::size_t>(rect_.x) * 4, static_cast<std::size_t>(rect_.w) * 4);
    return RowSpan{std::clamp(span.begin - rect_.x, 0, rect_.w), std::clamp(span.end - rect_.x, 0, rect_.w)};
  }

 private:
  std::unique_ptr<PictureRows> rows_;
  PixelRect rect_;
  std::vector<std::uint8_t> row_;
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
