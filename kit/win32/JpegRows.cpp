// JPEG masters on Windows: the system's decoder (Windows Imaging
// Component) decodes the whole picture at once, and its rows are handed
// out one at a time as RGBA. The largest master holds a few tens of
// megabytes while it is scaled down.
#include <algorithm>
#include <cstring>

#include "kit/MasterRows.h"
#include "kit/Picture.h"

namespace sandloop {

namespace {

class DecodedJpegRows final : public PictureRows {
 public:
  DecodedJpegRows(std::span<const std::uint8_t> bytes, const std::string& name)
      : picture_(Picture::FromJpeg(bytes, name)) {
    if (!MasterSizeOk(static_cast<std::uint64_t>(picture_.Width()), static_cast<std::uint64_t>(picture_.Height())))
      throw PictureError("master '" + name + "' has a bad size");
    width_ = picture_.Width();
    height_ = picture_.Height();
  }

  // Only the columns kept are turned into RGBA.
  int KeepColumns(int begin, int end) override {
    first_ = std::clamp(begin, 0, width_ - 1);
    width_ = std::clamp(end, first_ + 1, width_) - first_;
    return first_;
  }

  RowSpan Next(std::uint8_t* rgba) override {
    const std::uint32_t* row = picture_.Row(next_++) + first_;
    for (int x = 0; x < width_; ++x, rgba += 4) {
      rgba[0] = static_cast<std::uint8_t>(row[x] >> 16);
      rgba[1] = static_cast<std::uint8_t>(row[x] >> 8);
      rgba[2] = static_cast<std::uint8_t>(row[x]);
      rgba[3] = 0xFF;
    }
    return RowSpan{0, width_};
  }

 private:
  Picture picture_;
  int first_ = 0;  // the first column handed out
  int next_ = 0;
};

}  // namespace

std::unique_ptr<PictureRows> OpenJpegRows(std::span<const std::uint8_t> bytes, const std::string& name) {
  return std::make_unique<DecodedJpegRows>(bytes, name);
}

}  // namespace sandloop
