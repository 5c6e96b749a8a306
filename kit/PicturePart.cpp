#include "kit/PicturePart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "assets/Resources.h"
#include "kit/MasterRows.h"
#include "kit/Picture.h"
#include "kit/ddraw/SurfacePixels.h"

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

namespace {

std::span<const std::uint8_t> MasterBytes(const std::string& name) {
  const auto bytes = assets::FindResource(name);
  if (!bytes) throw PictureError("no master '" + name + "' in the program");
  return *bytes;
}

RgbaPicture PartScaled(std::unique_ptr<PictureRows> rows, const PicturePart& part, int w, int h) {
  if (part.Whole()) return ScaleRows(*rows, w, h);
  const PixelRect rect = PixelsOf(part, rows->Width(), rows->Height());
  CutRows cut(std::move(rows), rect);
  return ScaleRows(cut, w, h);
}

// The rectangle of an opaque picture's rows, each pixel as the word
// 0x00RRGGBB, which is what an opaque picture's premultiplied RGBA becomes
// as a surface's pixels.
display::SurfacePixels ReadOpaque(PictureRows& rows, const PixelRect& rect, bool whole) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rows.Width()) * 4);
  const int x = rect.x - rows.KeepColumns(rect.x, rect.x + rect.w);
  for (int y = 0; y < rect.y; ++y) rows.Next(row.data());
  Picture out(rect.w, rect.h);
  for (int y = 0; y < rect.h; ++y) {
    rows.Next(row.data());
    const std::uint8_t* from = row.data() + static_cast<std::size_t>(x) * 4;
    std::uint32_t* to = out.Row(y);
    for (int i = 0; i < rect.w; ++i, from += 4)
      to[i] = (static_cast<std::uint32_t>(from[0]) << 16) | (static_cast<std::uint32_t>(from[1]) << 8) | from[2];
  }
  if (whole) rows.Finish();
  return std::move(out).ToSurfacePixels();
}

}  // namespace

RgbaPicture MasterPartScaled(const std::string& name, const PicturePart& part, int w, int h) {
  const std::span<const std::uint8_t> bytes = MasterBytes(name);
  return PartScaled(OpenPicture(bytes, name), part, w, h);
}

display::SurfacePixels MasterPartPixels(const std::string& name, const PicturePart& part, int w, int h) {
  const std::span<const std::uint8_t> bytes = MasterBytes(name);
  std::unique_ptr<PictureRows> rows = OpenPicture(bytes, name);
  // JPEG masters are opaque throughout.
  const bool opaque = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
  const PixelRect rect = part.Whole() ? PixelRect{0, 0, rows->Width(), rows->Height()}
                                      : PixelsOf(part, rows->Width(), rows->Height());
  if (opaque && rect.w == w && rect.h == h) return ReadOpaque(*rows, rect, part.Whole());
  return PartScaled(std::move(rows), part, w, h).ToSurfacePixels();
}

}  // namespace sandloop
