// JPEG masters read a row at a time through libjpeg, so that a large
// master is scaled down while it is decoded.
#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "kit/MasterRows.h"
#include "kit/Picture.h"

namespace sandloop {

namespace {

struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// Every warning ends the decoding: a master is never shown damaged.
void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0) OnJpegError(info);
}

// The JPEG library writes RGBA rows itself (its alpha is opaque). Its
// fatal errors jump back into the call that made the library call, which
// turns them into a PictureError.
class JpegReader final : public PictureRows {
 public:
  JpegReader(std::span<const std::uint8_t> bytes, const std::string& name) : name_(name) {
    info_.err = jpeg_std_error(&err_.base);
    err_.base.error_exit = OnJpegError;
    err_.base.emit_message = OnJpegMessage;
    jpeg_create_decompress(&info_);
    // A constructor that throws runs no destructor: the library's state is
    // released here first.
    if (setjmp(err_.jump) != 0) {
      jpeg_destroy_decompress(&info_);
      Damaged();
    }
    jpeg_mem_src(&info_, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info_, TRUE);
    if (!MasterSizeOk(info_.image_width, info_.image_height)) {
      jpeg_destroy_decompress(&info_);
      throw PictureError("master '" + name + "' has a bad size");
    }
    info_.out_color_space = JCS_EXT_RGBA;
    // A master is shrunk right after decoding, which hides the small
    // differences of the faster transform and chroma upsampling.
    info_.dct_method = JDCT_IFAST;
    info_.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info_);
    width_ = static_cast<int>(info_.output_width);
    height_ = static_cast<int>(info_.output_height);
  }
  ~JpegReader() override { jpeg_destroy_decompress(&info_); }

  // The library decodes only the blocks that hold the columns asked for,
  // from a block boundary at or before `begin`: each block is decoded on
  // its own, so the pixels kept are the whole row's.
  int KeepColumns(int begin, int end) override {
    if (setjmp(err_.jump) != 0) Damaged();
    if (begin <= 0 && end >= width_) return 0;
    auto x = static_cast<JDIMENSION>(std::max(begin, 0));
    auto w = static_cast<JDIMENSION>(std::min(end, width_)) - x;
    jpeg_crop_scanline(&info_, &x, &w);
    width_ = static_cast<int>(w);
    return static_cast<int>(x);
  }

  RowSpan Next(std::uint8_t* rgba) override {
    if (setjmp(err_.jump) != 0) Damaged();
    JSAMPROW rows[1] = {rgba};
    if (jpeg_read_scanlines(&info_, rows, 1) != 1) Damaged();
    return RowSpan{0, width_};
  }

 private:
  [[noreturn]] void Damaged() { throw PictureError("master '" + name_ + "' is damaged: " + err_.message); }

  std::string name_;
  jpeg_decompress_struct info_{};
  JpegErrors err_{};
};

}  // namespace

std::unique_ptr<PictureRows> OpenJpegRows(std::span<const std::uint8_t> bytes, const std::string& name) {
  return std::make_unique<JpegReader>(bytes, name);
}

}  // namespace sandloop
