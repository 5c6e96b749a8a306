// Cutting a master to a part while it is scaled: the same pixels as
// scaling the cut-out part of the whole decoded master.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

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

}  // namespace
}  // namespace sandloop
