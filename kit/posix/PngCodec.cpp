// PNG through libpng. Its errors arrive through a callback that must not
// return; they leave through setjmp/longjmp, so each call keeps its C++
// objects outside the jump's reach and raises the error only afterwards.
#include "kit/PicturePng.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace sandloop {

namespace {

// Where libpng's error text goes, so that it ends up in the PictureError
// instead of on stderr.
struct PngMessages {
  char text[256] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* m = static_cast<PngMessages*>(png_get_error_ptr(png));
  std::snprintf(m->text, sizeof m->text, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}  // warnings change nothing we keep

struct MemoryReader {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (r->bytes.size() - r->at < n) png_error(png, "the file ends early");
  std::copy_n(r->bytes.data() + r->at, n, out);
  r->at += n;
}

// Writes the rows of `rows` (RGB, 3 bytes a pixel); false on any error.
bool Encode(std::FILE* f, int width, int height, std::vector<png_bytep>& rows, PngMessages* messages) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, messages, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f);
  // Level 6 with libpng's adaptive filters: a 3840 x 2160 frame of the
  // scene takes about a second and under 2 MB; level 9 saves a few per cent
  // at three times the time.
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Decodes into `pixels` (RGBA bytes) through `rows`; false with
// messages->text on error. Both vectors belong to the caller, out of the
// jump's way.
bool Decode(MemoryReader* reader, std::vector<std::uint8_t>* pixels, std::vector<png_bytep>* rows,
            png_uint_32* width, png_uint_32* height, PngMessages* messages) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, messages, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, reader, ReadFromMemory);
  // A chunk whose checksum is wrong is damage, whatever the chunk: libpng
  // would only warn about an ancillary one and drop it (the Windows reader
  // refuses such a file too).
  png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
  // A picture larger than any screen is a damaged or hostile file.
  png_set_user_limits(png, 16384, 16384);
  png_read_info(png, info);
  // Every form to 8-bit RGBA: palettes, grey, 16 bits and transparency.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != static_cast<std::size_t>(*width) * 4) png_error(png, "unexpected row size");
  pixels->resize(static_cast<std::size_t>(*width) * *height * 4);
  rows->resize(*height);
  for (png_uint_32 y = 0; y < *height; ++y) (*rows)[y] = pixels->data() + static_cast<std::size_t>(y) * *width * 4;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool WritePng(const Picture& picture, const std::string& path) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return false;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  std::vector<png_bytep> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * w * 3;
    rows[static_cast<std::size_t>(y)] = out;
    const std::uint32_t* row = picture.Row(y);
    for (int x = 0; x < w; ++x) {
      *out++ = static_cast<std::uint8_t>(row[x] >> 16);
      *out++ = static_cast<std::uint8_t>(row[x] >> 8);
      *out++ = static_cast<std::uint8_t>(row[x]);
    }
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  PngMessages messages;
  const bool encoded = Encode(f, w, h, rows, &messages);
  const bool closed = std::fclose(f) == 0;
  return encoded && closed;
}

Picture ReadPng(std::span<const std::uint8_t> bytes, const std::string& name) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin()))
    throw PictureError("picture \"" + name + "\" is not a PNG file");
  MemoryReader reader{bytes, 0};
  std::vector<std::uint8_t> rgba;
  std::vector<png_bytep> rows;
  png_uint_32 w = 0, h = 0;
  PngMessages messages;
  if (!Decode(&reader, &rgba, &rows, &w, &h, &messages))
    throw PictureError("picture \"" + name + "\" is a damaged PNG file: " + messages.text);
  Picture p(static_cast<int>(w), static_cast<int>(h));
  const std::uint8_t* in = rgba.data();
  for (png_uint_32 y = 0; y < h; ++y) {
    std::uint32_t* row = p.Row(static_cast<int>(y));
    for (png_uint_32 x = 0; x < w; ++x, in += 4)
      row[x] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
  }
  return p;
}

}  // namespace sandloop
