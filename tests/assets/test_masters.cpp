// The high-resolution masters agree with the design-size pictures: the
// sizes their use assumes, and the same painting (scaled down to the
// design size, a master covers the pixels the 8-bit bitmap does not key
// out, in about the same colours).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kit/Picture.h"
#include "kit/RgbaPicture.h"

namespace sandloop {
namespace {

// The four masters of each piece: the 1.40625x ones serve screens up to
// 1080 lines, the 2x ones up to 1920 x 1200, the 2.8125x ones up to 2160
// lines, the 4x ones larger screens.
TEST(Masters, KeyedPicturesHaveMastersAtEachScaleAndTheSameShapes) {
  for (const char* name : {"SECONDPLANE", "PALMLEFT", "PALMMIDLE", "PALMRIGHT", "STOUNLEFT", "PAPRIGHT"}) {
    const Picture bitmap = Picture::FromResource(name);
    const std::uint32_t key = bitmap.Pixel(0, 0);
    for (auto [tier, factor] : {std::pair{"_X1_4", 1.40625}, {"_X2", 2.0}, {"_X3", 2.8125}, {"_X4", 4.0}}) {
      const std::string master_name = std::string(name) + tier;
      SCOPED_TRACE(master_name);
      const RgbaPicture master = RgbaPicture::FromResource(master_name);
      ASSERT_EQ(master.Width(), std::lround(factor * bitmap.Width()));
      ASSERT_EQ(master.Height(), std::lround(factor * bitmap.Height()));
      const RgbaPicture small = master.ScaledTo(bitmap.Width(), bitmap.Height());
      long pixels = 0, disagree = 0, compared = 0;
      double colour_error = 0;
      for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
          const std::uint8_t* q = small.Row(y) + 4 * x;
          const bool keyed = bitmap.Pixel(x, y) == key;
          ++pixels;
          disagree += keyed != (q[3] < 128);
          if (keyed || q[3] < 250) continue;
          ++compared;
          for (int c = 0; c < 3; ++c)
            colour_error += std::abs(static_cast<int>((bitmap.Pixel(x, y) >> (16 - 8 * c)) & 0xFF) - q[c]);
        }
      EXPECT_LT(static_cast<double>(disagree) / static_cast<double>(pixels), 0.03);
      ASSERT_GT(compared, pixels / 10);
      EXPECT_LT(colour_error / (3.0 * static_cast<double>(compared)), 12.0);
    }
  }
}

TEST(Masters, TheBackdropIs1920And3840WideAndTheSamePicture) {
  const Picture ground = Picture::FromResource("GROUND");
  for (auto [name, width] : {std::pair{"GROUND_X2", 1920}, {"GROUND_X4", 3840}}) {
    SCOPED_TRACE(name);
    const RgbaPicture master = RgbaPicture::FromResource(name);
    EXPECT_EQ(master.Width(), width);
    EXPECT_NEAR(master.Height(), width * 500 / 1024, 1);
    EXPECT_TRUE(master.Opaque());
    const RgbaPicture small = master.ScaledTo(ground.Width(), ground.Height());
    double error = 0;
    for (int y = 0; y < ground.Height(); ++y)
      for (int x = 0; x < ground.Width(); ++x)
        for (int c = 0; c < 3; ++c)
          error += std::abs(static_cast<int>((ground.Pixel(x, y) >> (16 - 8 * c)) & 0xFF) - small.Row(y)[4 * x + c]);
    EXPECT_LT(error / (3.0 * ground.Width() * ground.Height()), 6.0);
  }
}

// The wide backdrop: 2731 design columns at 1.40625, 1.875 and 2.8125 pixels each,
// whose right-hand 1024 columns are the layout's backdrop (the sky's fine
// noise is laid out afresh over the wider picture, so close, not equal).
TEST(Masters, TheWideBackdropEndsInTheLayoutsBackdrop) {
  const Picture ground = Picture::FromResource("GROUND");
  for (auto [name, scale] :
       {std::pair{"GROUND_WIDE_X1_4", 1.40625}, {"GROUND_WIDE_X2", 1.875}, {"GROUND_WIDE_X3", 2.8125}}) {
    SCOPED_TRACE(name);
    const RgbaPicture master = RgbaPicture::FromResource(name);
    EXPECT_NEAR(master.Width(), 2731 * scale, 1);
    EXPECT_NEAR(master.Height(), 500 * scale, 1);
    EXPECT_TRUE(master.Opaque());
    const int right = static_cast<int>(std::lround(1024 * scale));
    RgbaPicture part(right, master.Height());
    for (int y = 0; y < master.Height(); ++y)
      std::memcpy(part.Row(y), master.Row(y) + 4 * (master.Width() - right), 4 * static_cast<std::size_t>(right));
    const RgbaPicture small = part.ScaledTo(ground.Width(), ground.Height());
    double error = 0;
    for (int y = 0; y < ground.Height(); ++y)
      for (int x = 0; x < ground.Width(); ++x)
        for (int c = 0; c < 3; ++c)
          error += std::abs(static_cast<int>((ground.Pixel(x, y) >> (16 - 8 * c)) & 0xFF) - small.Row(y)[4 * x + c]);
    EXPECT_LT(error / (3.0 * ground.Width() * ground.Height()), 10.0);
  }
}

TEST(Masters, ADamagedJpegMasterIsAnErrorNamingIt) {
  const RgbaPicture good = RgbaPicture::FromResource("GROUND_X2");
  ASSERT_FALSE(good.Empty());
  std::vector<std::uint8_t> bytes(64, 0);
  bytes[0] = 0xFF;
  bytes[1] = 0xD8;
  try {
    (void)RgbaPicture::FromMaster(bytes, "GROUND_BROKEN");
    ADD_FAILURE() << "a damaged JPEG was read";
  } catch (const PictureError& e) {
    EXPECT_NE(std::string(e.what()).find("GROUND_BROKEN"), std::string::npos);
  }
}

}  // namespace
}  // namespace sandloop
