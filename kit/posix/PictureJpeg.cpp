// JPEG decoding from memory with libjpeg. The library reports fatal errors
// through a callback that must not return; it jumps back here, and the
// error becomes a PictureError naming the picture.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "kit/Picture.h"

namespace sandloop {

namespace {
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are not printed; those that mean damaged or missing data end
// the decoding like an error, so that a truncated file is not shown with a
// grey bottom.
void OnJpegMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
      OnJpegError(info);
      break;
    default:
      break;
  }
}
// Clears the byte above red in `count` pixels, two at a time.
void ClearTopBytes(std::uint32_t* pixels, int count) {
  int x = 0;
  for (; x + 2 <= count; x += 2) {
    std::uint64_t pair;
    std::memcpy(&pair, pixels + x, sizeof pair);
    pair &= 0x00FFFFFF00FFFFFFull;
    std::memcpy(pixels + x, &pair, sizeof pair);
  }
  if (x < count) pixels[x] &= 0x00FFFFFFu;
}

}  // namespace

Picture Picture::FromJpeg(std::span<const std::uint8_t> bytes, const std::string& name, int max_rows) {
  if (bytes.size() < 4) throw PictureError("picture \"" + name + "\" cannot be read: the JPEG data is too short");
  jpeg_decompress_struct info{};
  ErrorManager err{};
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnJpegError;
  err.base.emit_message = OnJpegMessage;
  // Everything that must survive the jump lives outside the setjmp scope.
  Picture* volatile result = nullptr;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&info);
    delete result;
    throw PictureError("picture \"" + name + "\" cannot be read: " + err.message);
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  // Refused before any pixel memory is taken (the BMP reader's bound).
  if (info.image_width == 0 || info.image_height == 0 ||
      static_cast<std::uint64_t>(info.image_width) * info.image_height > (std::uint64_t{1} << 25)) {
    jpeg_destroy_decompress(&info);
    throw PictureError("picture \"" + name + "\" cannot be read: the picture is too large");
  }
  // The library writes each pixel as the word 0xXXRRGGBB straight into the
  // picture's rows; the unused top byte is cleared as each batch arrives.
  info.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&info);
  if (info.output_width == 0 || info.output_height == 0 || info.output_width > 32768 || info.output_height > 32768 ||
      info.output_components != 4) {
    jpeg_destroy_decompress(&info);
    throw PictureError("picture \"" + name + "\" cannot be read: unsupported JPEG layout");
  }
  const int width = static_cast<int>(info.output_width);
  const int height = std::min(static_cast<int>(info.output_height), std::max(max_rows, 0));
  result = new Picture(width, height, Unfilled{});
  while (static_cast<int>(info.output_scanline) < height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[8];
    const int batch = std::min({8, height - y, std::max(1, info.rec_outbuf_height)});
    for (int k = 0; k < batch; ++k) rows[k] = reinterpret_cast<JSAMPROW>(result->Row(y + k));
    const int got = static_cast<int>(jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(batch)));
    if (got <= 0) {
      jpeg_destroy_decompress(&info);
      delete result;
      throw PictureError("picture \"" + name + "\" cannot be read: the JPEG data ends early");
    }
    for (int k = 0; k < got; ++k) ClearTopBytes(result->Row(y + k), width);
  }
  // A picture read to its end is checked to its end; one cut short stops
  // decoding where it stands.
  if (static_cast<int>(info.output_height) == height)
    jpeg_finish_decompress(&info);
  else
    jpeg_abort_decompress(&info);
  jpeg_destroy_decompress(&info);
  Picture out = std::move(*result);
  delete result;
  return out;
}

}  // namespace sandloop
