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

// The rectangle of a picture's rows at its own size, as a surface's
// pixels: each pixel's colour limited to its coverage (as the scaler
// limits it) and stored as the word 0x00RRGGBB, beside its coverage, which
// is kept only if some pixel is not opaque. Columns outside a row's span
// stay as the fresh memory has them, transparent black.
display::SurfacePixels ReadUnscaledPixels(PictureRows& rows, const PixelRect& rect, bool whole) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rows.Width()) * 4);
  const int x = rect.x - rows.KeepColumns(rect.x, rect.x + rect.w);
  for (int y = 0; y < rect.y; ++y) rows.Next(row.data());
  const std::size_t w = static_cast<std::size_t>(rect.w);
  Picture out(rect.w, rect.h);
  // Made when the first pixel that is not opaque comes: the rows before it
  // were opaque throughout.
  std::vector<std::uint8_t> alpha;
  for (int y = 0; y < rect.h; ++y) {
    const RowSpan span = rows.Next(row.data());
    const int begin = std::clamp(span.begin - x, 0, rect.w), end = std::clamp(span.end - x, 0, rect.w);
    std::uint8_t* from = row.data() + static_cast<std::size_t>(x) * 4;
    LimitToAlpha(from, begin, end);
    // The bytes R, G, B, A read as one little-endian word are 0xAABBGGRR;
    // reversed and shifted down they are 0x00RRGGBB.
    std::uint32_t* to = out.Row(y);
    std::uint32_t all = 0xFFFFFFFFu;
    for (int i = begin; i < end; ++i) {
      std::uint32_t v;
      std::memcpy(&v, from + static_cast<std::size_t>(i) * 4, 4);
      all &= v;
      to[i] = __builtin_bswap32(v) >> 8;
    }
    if (alpha.empty() && ((all >> 24) != 0xFF || begin > 0 || end < rect.w)) {
      alpha.assign(w * static_cast<std::size_t>(rect.h), 0);
      std::memset(alpha.data(), 0xFF, w * static_cast<std::size_t>(y));
    }
    if (!alpha.empty()) {
      std::uint8_t* to_alpha = alpha.data() + w * static_cast<std::size_t>(y);
      for (int i = begin; i < end; ++i) to_alpha[i] = from[static_cast<std::size_t>(i) * 4 + 3];
    }
  }
  if (whole) rows.Finish();
  display::SurfacePixels pixels = std::move(out).ToSurfacePixels();
  if (!alpha.empty()) pixels.alpha = std::make_unique<display::AlphaPlane>(std::move(alpha), rect.w, rect.h);
  return pixels;
}

}  // namespace

RgbaPicture MasterPartScaled(const std::string& name, const PicturePart& part, int w, int h) {
  const std::span<const std::uint8_t> bytes = MasterBytes(name);
  return PartScaled(OpenPicture(bytes, name), part, w, h);
}

display::SurfacePixels MasterPartPixels(const std::string& name, const PicturePart& part, int w, int h) {
  const std::span<const std::uint8_t> bytes = MasterBytes(name);
  std::unique_ptr<PictureRows> rows = OpenPicture(bytes, name);
  const PixelRect rect = part.Whole() ? PixelRect{0, 0, rows->Width(), rows->Height()}
                                      : PixelsOf(part, rows->Width(), rows->Height());
  if (rect.w == w && rect.h == h) return ReadUnscaledPixels(*rows, rect, part.Whole());
  return PartScaled(std::move(rows), part, w, h).ToSurfacePixels();
}

}  // namespace sandloop
