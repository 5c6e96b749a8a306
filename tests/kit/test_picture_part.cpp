// Cutting a master to a part while it is scaled: the same pixels as
// scaling the cut-out part of the whole decoded master.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "assets/Resources.h"
#include "kit/MasterRows.h"
#include "kit/PicturePart.h"

namespace sandloop {
namespace {

TEST(PicturePart, PixelsOfAPartStayInsideThePicture) {
  const PixelRect r = PixelsOf(PicturePart{0.25, 0.5, 0.5, 0.5}, 100, 40);
  EXPECT_EQ(r.x, 25);
  EXPECT_EQ(r.w, 50);
  EXPECT_EQ(r.y, 20);
  EXPECT_EQ(r.h, 20);
  const PixelRect tiny = PixelsOf(PicturePart{0.999, 1.2, 0.0001, 0.5}, 100, 40);
  EXPECT_EQ(tiny.x, 99);
  EXPECT_EQ(tiny.w, 1);
  EXPECT_EQ(tiny.y, 39);
  EXPECT_EQ(tiny.h, 1);
}

TEST(PicturePart, APartOfAMasterScalesLikeThatPartCutFromTheWhole) {
  for (const char* name : {"GROUND_X2", "PALMMIDLE_X2"}) {
    const RgbaPicture whole = RgbaPicture::FromResource(name);
    const PicturePart part{0.1, 0.4, 0.7, 0.6};
    const PixelRect r = PixelsOf(part, whole.Width(), whole.Height());
    RgbaPicture cut(r.w, r.h);
    for (int y = 0; y < r.h; ++y)
      std::copy_n(whole.Row(r.y + y) + 4 * r.x, 4 * r.w, cut.Row(y));
    const RgbaPicture expected = cut.ScaledTo(r.w / 3, r.h / 3);
    const RgbaPicture got = MasterPartScaled(name, part, r.w / 3, r.h / 3);
    ASSERT_EQ(got.Width(), expected.Width());
    ASSERT_EQ(got.Height(), expected.Height());
    for (int y = 0; y < got.Height(); ++y)
      ASSERT_EQ(std::memcmp(got.Row(y), expected.Row(y), got.Pitch()), 0) << name << " row " << y;
  }
  EXPECT_THROW((void)MasterPartScaled("NO_SUCH_MASTER", PicturePart{}, 4, 4), PictureError);
}

// A master's part as a surface's pixels: read straight into them where the
// master is opaque and the part is read at its own size (a part, the
// whole, at the top and further down), else by way of the scaled picture;
// either way the pixels and the coverage of the scaled picture's own.
TEST(PicturePart, APartAsSurfacePixelsIsTheScaledPartsOwnPixels) {
  struct Case {
    const char* name;
    PicturePart part;
    int divide;  // 1: at the part's own size
  };
  for (const Case& c : {Case{"GROUND_WIDE_X2", {0.5, 0, 0.5, 1}, 1}, Case{"GROUND_X2", {}, 1},
                        Case{"GROUND_X2", {0.13, 0.3, 0.61, 0.55}, 1}, Case{"GROUND_X2", {0.1, 0.4, 0.7, 0.6}, 3},
                        Case{"PALMMIDLE_X2", {}, 1}}) {
    const auto bytes = assets::FindResource(c.name);
    ASSERT_TRUE(bytes) << c.name;
    const auto rows = OpenPicture(*bytes, c.name);
    const PixelRect r = PixelsOf(c.part, rows->Width(), rows->Height());
    const int w = r.w / c.divide, h = r.h / c.divide;
    const display::SurfacePixels expected = MasterPartScaled(c.name, c.part, w, h).ToSurfacePixels();
    const display::SurfacePixels got = MasterPartPixels(c.name, c.part, w, h);
    ASSERT_EQ(got.width, w) << c.name;
    ASSERT_EQ(got.height, h) << c.name;
    EXPECT_GE(got.words.size(), static_cast<std::size_t>(w) * h * 4 + 4);
    EXPECT_EQ(std::memcmp(got.words.data(), expected.words.data(), static_cast<std::size_t>(w) * h * 4), 0)
        << c.name << " at " << w << " x " << h;
    ASSERT_EQ(got.alpha == nullptr, expected.alpha == nullptr) << c.name;
    if (got.alpha != nullptr)
      EXPECT_EQ(std::memcmp(got.alpha->Row(0), expected.alpha->Row(0), static_cast<std::size_t>(w) * h), 0) << c.name;
  }
  EXPECT_THROW((void)MasterPartPixels("NO_SUCH_MASTER", PicturePart{}, 4, 4), PictureError);
}

// A JPEG picture read with only some of its columns kept: the kept
// columns hold the pixels of the whole rows, for any first and last column
// (on a block boundary or not, one column at the edges, the whole width).
TEST(PicturePart, AJpegReadWithSomeColumnsKeepsThePixelsOfTheWholeRows) {
  for (const char* name : {"GROUND", "HIGHTWATER", "GROUND_WIDE_X2"}) {
    const auto bytes = assets::FindResource(name);
    ASSERT_TRUE(bytes) << name;
    const int width = OpenPicture(*bytes, name)->Width();
    const int rows = std::min(OpenPicture(*bytes, name)->Height(), 48);
    for (const auto& [begin, end] : {std::pair{0, width}, std::pair{width / 2, width}, std::pair{17, width / 3 + 5},
                                    std::pair{width - 1, width}, std::pair{0, 1}, std::pair{32, 64}}) {
      const auto whole = OpenPicture(*bytes, name);
      const auto some = OpenPicture(*bytes, name);
      const int first = some->KeepColumns(begin, end);
      ASSERT_LE(first, begin) << name;
      ASSERT_GE(first, 0) << name;
      ASSERT_GE(first + some->Width(), end) << name;
      ASSERT_LE(first + some->Width(), width) << name;
      std::vector<std::uint8_t> all(static_cast<std::size_t>(width) * 4), kept(all.size());
      for (int y = 0; y < rows; ++y) {
        whole->Next(all.data());
        const RowSpan span = some->Next(kept.data());
        EXPECT_EQ(span.begin, 0);
        EXPECT_EQ(span.end, some->Width());
        ASSERT_EQ(std::memcmp(kept.data(), all.data() + static_cast<std::size_t>(first) * 4,
                              static_cast<std::size_t>(some->Width()) * 4),
                  0)
            << name << " columns " << begin << " to " << end << ", row " << y;
      }
    }
  }
}

}  // namespace
}  // namespace sandloop
