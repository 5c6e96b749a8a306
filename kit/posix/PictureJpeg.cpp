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
// Copies `count` pixels as the library wrote them, 0xXXRRGGBB, into a
// picture's row as 0x00RRGGBB.
void CopyClearingTopBytes(const std::uint32_t* from, std::uint32_t* to, int count) {
  for (int x = 0; x < count; ++x) to[x] = from[x] & 0x00FFFFFFu;
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
  std::uint32_t* volatile batch_rows = nullptr;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&info);
    delete result;
    delete[] batch_rows;
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
  // The library writes each pixel as the word 0xXXRRGGBB; the unused top
  // byte is cleared as each batch is copied into the picture's rows.
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
  // Each batch of rows is decoded into a small buffer that stays in the
  // cache, a word off alignment: rows aligned as the picture's are, the
  // library writes past the cache, and clearing the top bytes in place
  // then read every row back from memory (a fifth of the decoding time).
  batch_rows = new std::uint32_t[static_cast<std::size_t>(width) * 8 + 1];
  while (static_cast<int>(info.output_scanline) < height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[8];
    const int batch = std::min({8, height - y, std::max(1, info.rec_outbuf_height)});
    for (int k = 0; k < batch; ++k)
      rows[k] = reinterpret_cast<JSAMPROW>(batch_rows + 1 + static_cast<std::size_t>(k) * width);
    const int got = static_cast<int>(jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(batch)));
    if (got <= 0) {
      jpeg_destroy_decompress(&info);
      delete result;
      delete[] batch_rows;
      throw PictureError("picture \"" + name + "\" cannot be read: the JPEG data ends early");
    }
    for (int k = 0; k < got; ++k)
      CopyClearingTopBytes(batch_rows + 1 + static_cast<std::size_t>(k) * width, result->Row(y + k), width);
  }
  // A picture read to its end is checked to its end; one cut short stops
  // decoding where it stands.
  if (static_cast<int>(info.output_height) == height)
    jpeg_finish_decompress(&info);
  else
    jpeg_abort_decompress(&info);
  jpeg_destroy_decompress(&info);
  delete[] batch_rows;
  Picture out = std::move(*result);
  delete result;
  return out;
}

}  // namespace sandloop
