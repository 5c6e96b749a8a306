#pragma once
// Pictures read one row at a time, so that a master can be scaled down
// while it is decoded, without ever holding the whole master in memory:
// masters as one zlib stream ("SLMR" rows of premultiplied RGBA that store
// only the columns from their first to their last covered pixel, "SLMA"
// whole rows of premultiplied RGBA, "SLMC" whole rows of RGB), JPEG
// pictures, and pictures already in memory.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace sandloop {

class RgbaPicture;

// The columns [begin, end) of a row that may hold covered pixels; every
// pixel outside is transparent (0, 0, 0, 0).
struct RowSpan {
  int begin = 0, end = 0;
};

class PictureRows {
 public:
  virtual ~PictureRows() = default;
  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  // Writes the next row (Width() RGBA pixels, premultiplied) to `rgba`
  // and tells which part of it may be covered. A damaged picture is a
  // PictureError naming it.
  virtual RowSpan Next(std::uint8_t* rgba) = 0;
  // After the last row: a PictureError when the picture holds more.
  virtual void Finish() {}
  // Before the first row: lets the reader leave out the columns outside
  // [begin, end) of every row. Returns the first column of what Next
  // writes from then on; Width() becomes the number of columns written,
  // which reach at least to `end`. A reader that cannot leave columns out
  // keeps them all and returns 0. The pixels kept are the ones a whole
  // row holds.
  virtual int KeepColumns(int begin, int end) {
    (void)begin;
    (void)end;
    return 0;
  }

 protected:
  int width_ = 0, height_ = 0;
};

// A master or a JPEG picture (told by its first bytes), read from `bytes`,
// which must outlive the reader. Throws a PictureError for a bad header.
[[nodiscard]] std::unique_ptr<PictureRows> OpenPicture(std::span<const std::uint8_t> bytes, const std::string& name);

// A JPEG picture's rows, through the platform's decoder.
[[nodiscard]] std::unique_ptr<PictureRows> OpenJpegRows(std::span<const std::uint8_t> bytes, const std::string& name);

// Whether a master's size is one a sound file can have.
[[nodiscard]] bool MasterSizeOk(std::uint64_t w, std::uint64_t h);

// The rows of a picture in memory.
[[nodiscard]] std::unique_ptr<PictureRows> RowsOf(const RgbaPicture& picture);

// Reads every row: the whole picture.
[[nodiscard]] RgbaPicture ReadAll(PictureRows& rows);

// Limits the colour of each pixel in columns [begin, end) of an RGBA row
// to its alpha: colour can never exceed its alpha in a premultiplied
// picture, whatever a master holds.
void LimitToAlpha(std::uint8_t* row, int begin, int end);

// The rows scaled to w x h by area averaging (RgbaPicture::ScaledTo).
[[nodiscard]] RgbaPicture ScaleRows(PictureRows& rows, int w, int h);

}  // namespace sandloop
