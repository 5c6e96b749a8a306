// PNG files through libpng: what is written reads back pixel for pixel,
// is compressed, and a damaged or foreign file is a PictureError.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "kit/PicturePng.h"

namespace sandloop {
namespace {

using Bytes = std::vector<std::uint8_t>;

class PicturePngTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("sandloop-png-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string File(const char* name) const { return (dir_ / name).string(); }
  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::filesystem::path dir_;
};

TEST_F(PicturePngTest, WrittenPixelsReadBackExactly) {
  // Odd sizes, every channel value, noise that no filter predicts.
  Picture p(37, 23);
  std::mt19937 random(7);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) p.SetPixel(x, y, random() & 0xFFFFFFu);
  p.SetPixel(0, 0, 0x000000);
  p.SetPixel(36, 22, 0xFFFFFF);
  ASSERT_TRUE(WritePng(p, File("noise.png")));
  const Picture back = ReadPngFile(File("noise.png"));
  ASSERT_EQ(back.Width(), 37);
  ASSERT_EQ(back.Height(), 23);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) ASSERT_EQ(back.Pixel(x, y), p.Pixel(x, y)) << x << "," << y;
}

TEST_F(PicturePngTest, SmoothPicturesAreCompressed) {
  // A gradient of 1024 x 768: 2.3 MB of RGB, a few kilobytes compressed.
  Picture p(1024, 768);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      p.SetPixel(x, y, static_cast<std::uint32_t>((x / 4) << 16 | (y / 3) << 8 | ((x + y) / 8 & 0xFF)));
  ASSERT_TRUE(WritePng(p, File("smooth.png")));
  const auto size = std::filesystem::file_size(File("smooth.png"));
  EXPECT_LT(size, 1024u * 768u * 3u / 20u) << size;
  EXPECT_EQ(ReadPngFile(File("smooth.png")).Pixel(1023, 767), p.Pixel(1023, 767));
}

TEST_F(PicturePngTest, WriteFailsForNothingAndForAFolderThatIsMissing) {
  EXPECT_FALSE(WritePng(Picture(), File("empty.png")));
  EXPECT_FALSE(std::filesystem::exists(File("empty.png")));
  EXPECT_FALSE(WritePng(Picture(2, 2), (dir_ / "missing" / "x.png").string()));
}

TEST_F(PicturePngTest, DamagedFilesAreErrorsNamingThePicture) {
  Picture p(64, 64, 0x336699);
  p.SetPixel(5, 5, 0xFF0000);
  ASSERT_TRUE(WritePng(p, File("good.png")));
  const Bytes good = Read(File("good.png"));
  ASSERT_GT(good.size(), 60u);
  auto expect_error = [](const Bytes& bytes, const char* what) {
    try {
      (void)ReadPng(bytes, "beach");
      ADD_FAILURE() << what << ": no error";
    } catch (const PictureError& e) {
      EXPECT_NE(std::string(e.what()).find("\"beach\""), std::string::npos) << what << ": " << e.what();
    }
  };
  expect_error(Bytes{}, "empty");
  expect_error(Bytes(good.begin(), good.begin() + 7), "part of the signature");
  expect_error(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, "a BMP header");
  expect_error(Bytes(good.begin(), good.end() - 30), "cut short");
  Bytes crc = good;
  crc[29] ^= 0xFF;  // the header chunk's checksum
  expect_error(crc, "header checksum");
  // A text chunk after the header whose checksum is wrong: a chunk the
  // decoders need not read, so only a check of every chunk's checksum
  // finds it.
  // With its right checksum the chunk is read past.
  Bytes text_chunk = {0, 0, 0, 9, 't', 'E', 'X', 't', 'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x', 0xD7, 0xF4, 0x74, 0x08};
  Bytes with_text = good;
  with_text.insert(with_text.begin() + 33, text_chunk.begin(), text_chunk.end());
  EXPECT_EQ(ReadPng(with_text, "beach").Pixel(5, 5), 0xFF0000u);
  Bytes ancillary = with_text;
  ancillary[33 + 17] ^= 0xFF;
  expect_error(ancillary, "text chunk checksum");
  Bytes huge = good;
  huge[16] = 0x7F;  // width 2^30 and more
  expect_error(huge, "absurd width");
  EXPECT_THROW((void)ReadPngFile(File("none.png")), PictureError);
  EXPECT_EQ(ReadPng(good, "beach").Pixel(5, 5), 0xFF0000u);
}

}  // namespace
}  // namespace sandloop
