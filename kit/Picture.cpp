// Pictures and their BMP reader. Every field of a BMP file is checked
// against the bytes actually present before it is used: a damaged or
// truncated file is a PictureError that names the picture, never a read
// outside the buffer.
#include "kit/Picture.h"

#include <algorithm>
#include <cstring>

#include "assets/Resources.h"
#include "kit/ddraw/SurfacePixels.h"

namespace sandloop {

namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

[[noreturn]] void Fail(const std::string& name, const std::string& why) {
  throw PictureError("picture \"" + name + "\" cannot be read: " + why);
}

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiBitfields = 3;
constexpr int kMaxSide = 32768;
// No picture of the program comes near this (the largest is a 800 x 4800
// strip); a file that claims more is refused before anything is allocated,
// since a few bytes of run-length data can claim any size.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 25;

}  // namespace

// Zero-filled memory is had for nothing (the system's own pages, or the
// heap's cleared block), so a picture filled with 0 is not filled again.
Picture::Picture(int width, int height, std::uint32_t fill) : Picture(width, height, Unfilled{}) {
  if (fill != 0 && !Empty()) std::fill(Row(0), Row(height_), fill);
}

Picture::Picture(int width, int height, Unfilled) : width_(std::max(0, width)), height_(std::max(0, height)) {
  if (Empty()) return;
  if (static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_) > (std::uint64_t{1} << 32))
    throw std::bad_array_new_length();
  pixels_ = display::PageMemory(static_cast<std::size_t>(width_) * height_ * 4 + 4);
}

Picture::Picture(const Picture& other) : Picture(other.width_, other.height_, Unfilled{}) {
  if (!Empty()) std::memcpy(pixels_.data(), other.pixels_.data(), pixels_.size());
}

Picture& Picture::operator=(const Picture& other) {
  if (this != &other) Picture(other).Swap(*this);
  return *this;
}

display::SurfacePixels Picture::ToSurfacePixels() && {
  display::SurfacePixels out;
  out.width = width_;
  out.height = height_;
  out.words = std::move(pixels_);
  width_ = height_ = 0;
  return out;
}

void Picture::CopyRect(int dx, int dy, const Picture& src, int sx, int sy, int w, int h) {
  if (w <= 0 || h <= 0) return;
  // Trim the rectangle to both pictures.
  if (sx < 0) { dx -= sx; w += sx; sx = 0; }
  if (sy < 0) { dy -= sy; h += sy; sy = 0; }
  if (dx < 0) { sx -= dx; w += dx; dx = 0; }
  if (dy < 0) { sy -= dy; h += dy; dy = 0; }
  w = std::min({w, src.width_ - sx, width_ - dx});
  h = std::min({h, src.height_ - sy, height_ - dy});
  if (w <= 0 || h <= 0) return;
  // Within one picture, rows are copied bottom up when moving down, so that
  // no source row is overwritten before it is read.
  const bool upward = &src == this && dy > sy;
  for (int i = 0; i < h; ++i) {
    const int y = upward ? h - 1 - i : i;
    std::memmove(Row(dy + y) + dx, src.Row(sy + y) + sx, static_cast<std::size_t>(w) * sizeof(std::uint32_t));
  }
}

Picture Picture::FromBmp(std::span<const std::uint8_t> b, const std::string& name) {
  if (b.size() < 14 + 40) Fail(name, "the file is too short for a BMP header");
  if (b[0] != 'B' || b[1] != 'M') Fail(name, "not a BMP file");
  const std::uint32_t data_offset = U32(b, 10);
  const std::uint32_t header_size = U32(b, 14);
  if (header_size < 40 || 14ull + header_size > b.size()) Fail(name, "unsupported or truncated BMP header");
  const std::int32_t w = static_cast<std::int32_t>(U32(b, 18));
  const std::int32_t raw_h = static_cast<std::int32_t>(U32(b, 22));
  const std::uint16_t planes = U16(b, 26);
  const std::uint16_t bits = U16(b, 28);
  const std::uint32_t compression = U32(b, 30);
  std::uint32_t colours_used = U32(b, 46);
  if (planes != 1) Fail(name, "bad plane count");
  if (w <= 0 || w > kMaxSide || raw_h == 0 || raw_h < -kMaxSide || raw_h > kMaxSide) Fail(name, "bad picture size");
  const bool top_down = raw_h < 0;
  const int h = top_down ? -raw_h : raw_h;
  if (data_offset >= b.size()) Fail(name, "the pixel data is missing");
  if (static_cast<std::int64_t>(w) * h > kMaxPixels) Fail(name, "the picture is too large");
  // Plain pixel data must be all there before the picture is made.
  if (compression != kBiRle8 && (bits == 8 || bits == 24 || bits == 32)) {
    const std::size_t bytes = bits / 8;
    const std::size_t stride = (static_cast<std::size_t>(w) * bytes + 3) & ~std::size_t{3};
    if (data_offset + stride * (h - 1) + w * bytes > b.size()) Fail(name, "the pixel data is truncated");
  }

  // Every pixel is written below (a run-length picture is first filled
  // with colour 0 of its palette), so the picture is not cleared first.
  Picture pic(w, h, Unfilled{});
  auto row_of = [&](int file_row) { return top_down ? file_row : h - 1 - file_row; };

  if (bits == 8) {
    if (compression != kBiRgb && compression != kBiRle8) Fail(name, "unsupported compression");
    if (colours_used == 0) colours_used = 256;
    if (colours_used > 256) Fail(name, "bad palette size");
    const std::size_t pal_at = 14 + header_size;
    if (pal_at + 4ull * colours_used > b.size() || pal_at + 4ull * colours_used > data_offset)
      Fail(name, "the palette is truncated");
    std::uint32_t palette[256] = {};
    for (std::uint32_t i = 0; i < colours_used; ++i) {
      const std::size_t p = pal_at + 4 * i;
      palette[i] = (static_cast<std::uint32_t>(b[p + 2]) << 16) | (static_cast<std::uint32_t>(b[p + 1]) << 8) | b[p];
    }
    auto colour = [&](std::uint8_t index) {
      if (index >= colours_used) Fail(name, "a pixel names a colour outside the palette");
      return palette[index];
    };
    if (compression == kBiRgb) {
      const std::size_t stride = (static_cast<std::size_t>(w) + 3) & ~std::size_t{3};
      if (data_offset + stride * (h - 1) + w > b.size()) Fail(name, "the pixel data is truncated");
      for (int r = 0; r < h; ++r) {
        const std::uint8_t* src = b.data() + data_offset + stride * r;
        std::uint32_t* dst = pic.Row(row_of(r));
        for (int x = 0; x < w; ++x) dst[x] = colour(src[x]);
      }
    } else {
      if (top_down) Fail(name, "a run-length picture cannot be top-down");
      // RLE8: runs and absolute blocks; escapes 0 end of line, 1 end of
      // picture, 2 move. Pixels not written stay colour 0 of the palette.
      if (palette[0] != 0) std::fill(pic.Row(0), pic.Row(h), palette[0]);
      std::size_t p = data_offset;
      int x = 0, r = 0;
      auto need = [&](std::size_t n) {
        if (p + n > b.size()) Fail(name, "the run-length data is truncated");
      };
      auto put = [&](std::uint8_t index) {
        if (x >= w || r >= h) Fail(name, "the run-length data runs outside the picture");
        pic.Row(row_of(r))[x++] = colour(index);
      };
      for (;;) {
        need(2);
        const std::uint8_t count = b[p], value = b[p + 1];
        p += 2;
        if (count > 0) {
          for (int i = 0; i < count; ++i) put(value);
        } else if (value == 0) {
          x = 0;
          ++r;
        } else if (value == 1) {
          break;
        } else if (value == 2) {
          need(2);
          x += b[p];
          r += b[p + 1];
          p += 2;
          if (x > w || r > h) Fail(name, "a run-length move leaves the picture");
        } else {
          need(value);
          for (int i = 0; i < value; ++i) put(b[p + i]);
          p += value + (value & 1);
        }
      }
    }
    return pic;
  }

  if (bits == 24 || bits == 32) {
    if (compression != kBiRgb && !(bits == 32 && compression == kBiBitfields)) Fail(name, "unsupported compression");
    const std::size_t bytes = bits / 8;
    const std::size_t stride = (static_cast<std::size_t>(w) * bytes + 3) & ~std::size_t{3};
    if (data_offset + stride * (h - 1) + w * bytes > b.size()) Fail(name, "the pixel data is truncated");
    for (int r = 0; r < h; ++r) {
      const std::uint8_t* src = b.data() + data_offset + stride * r;
      std::uint32_t* dst = pic.Row(row_of(r));
      for (int x = 0; x < w; ++x, src += bytes)
        dst[x] = (static_cast<std::uint32_t>(src[2]) << 16) | (static_cast<std::uint32_t>(src[1]) << 8) | src[0];
    }
    return pic;
  }
  Fail(name, "unsupported bit depth " + std::to_string(bits));
}

Picture Picture::FromFile(std::span<const std::uint8_t> bytes, const std::string& name, int max_rows) {
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    Picture whole = FromBmp(bytes, name);
    if (max_rows >= whole.Height()) return whole;
    Picture top(whole.Width(), std::max(max_rows, 0));
    top.CopyRect(0, 0, whole, 0, 0, whole.Width(), top.Height());
    return top;
  }
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
    return FromJpeg(bytes, name, max_rows);
  Fail(name, "neither a BMP nor a JPEG file");
}

Picture Picture::FromResource(const std::string& name, int max_rows) {
  const auto bytes = assets::FindResource(name);
  if (!bytes) throw PictureError("picture \"" + name + "\" is not among the program's resources");
  return FromFile(*bytes, name, max_rows);
}

}  // namespace sandloop
