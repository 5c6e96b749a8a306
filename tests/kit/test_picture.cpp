// Pictures: the BMP and JPEG readers on good files and on damaged ones
// (truncated, mutated, absurd sizes, run-length data leaving the picture),
// and band copies. A damaged file must be a PictureError
// naming the picture; under the address sanitizer, any read outside the
// file's bytes fails the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "kit/Picture.h"
#include "kit/ddraw/SurfacePixels.h"
#include "tests/FuzzReplay.h"
#include "tools/fuzz/FuzzTargets.h"

namespace sandloop {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP file: 14-byte file header, 40-byte info header, palette (B, G, R, 0
// per colour), then `data` as given.
Bytes Bmp(int w, int h, int bits, std::uint32_t compression, const std::vector<std::uint32_t>& palette,
          const Bytes& data) {
  const std::size_t offset = 14 + 40 + 4 * palette.size();
  Bytes b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(offset + data.size()));
  Put32(b, 10, static_cast<std::uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(w));
  Put32(b, 22, static_cast<std::uint32_t>(h));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bits));
  Put32(b, 30, compression);
  Put32(b, 34, static_cast<std::uint32_t>(data.size()));
  Put32(b, 46, static_cast<std::uint32_t>(palette.size()));
  for (std::size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + 4 * i, palette[i]);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456};

// 3 x 2, 8 bits, bottom-up rows of 3 bytes padded to 4.
Bytes Plain8() { return Bmp(3, 2, 8, 0, kPalette, {3, 4, 0, 0, /* top row: */ 1, 2, 3, 0}); }

// 4 x 3 run-length: bottom row a run of 3 colour 1 and end of line; middle
// row an absolute block of 3 (padded), end of line; on the top row a move
// of (1, 0) and one pixel of colour 4; end of picture.
Bytes Rle8() {
  return Bmp(4, 3, 8, 1, kPalette, {3, 1, 0, 0, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 0, 1, 4, 0, 1});
}

// 3 x 2, 24 bits, bottom-up, rows padded to 12 bytes.
Bytes Rgb24() {
  return Bmp(3, 2, 24, 0, {},
             {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, /* top row: */ 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90,
              0, 0, 0});
}

// 2 x 2, 32 bits, top-down (negative height).
Bytes Rgb32() { return Bmp(2, -2, 32, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}); }

void ExpectError(const Bytes& b, const char* what) {
  try {
    (void)Picture::FromBmp(b, "beach.bmp");
    ADD_FAILURE() << what << ": no error";
  } catch (const PictureError& e) {
    EXPECT_NE(std::string(e.what()).find("\"beach.bmp\""), std::string::npos) << e.what();
  }
}

TEST(PictureBmp, ReadsPlainAndRunLength8Bit) {
  const Picture p = Picture::FromBmp(Plain8(), "p");
  ASSERT_EQ(p.Width(), 3);
  ASSERT_EQ(p.Height(), 2);
  EXPECT_EQ(p.Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(p.Pixel(1, 0), 0x00FF00u);
  EXPECT_EQ(p.Pixel(2, 0), 0x0000FFu);
  EXPECT_EQ(p.Pixel(0, 1), 0x0000FFu);
  EXPECT_EQ(p.Pixel(1, 1), 0x123456u);
  EXPECT_EQ(p.Pixel(2, 1), 0x000000u);

  const Picture r = Picture::FromBmp(Rle8(), "r");
  ASSERT_EQ(r.Width(), 4);
  ASSERT_EQ(r.Height(), 3);
  const std::uint32_t want[3][4] = {{0, 0x123456, 0, 0},
                                    {0x00FF00, 0x0000FF, 0x123456, 0},
                                    {0xFF0000, 0xFF0000, 0xFF0000, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(r.Pixel(x, y), want[y][x]) << x << "," << y;
}

TEST(PictureBmp, Reads24And32Bit) {
  const Picture p = Picture::FromBmp(Rgb24(), "p");
  ASSERT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Pixel(0, 0), 0x302010u);
  EXPECT_EQ(p.Pixel(2, 0), 0x908070u);
  EXPECT_EQ(p.Pixel(0, 1), 0x030201u);
  EXPECT_EQ(p.Pixel(2, 1), 0x090807u);
  const Picture q = Picture::FromFile(Rgb32(), "q");
  ASSERT_EQ(q.Height(), 2);
  EXPECT_EQ(q.Pixel(0, 0), 0x030201u);
  EXPECT_EQ(q.Pixel(1, 1), 0x0C0B0Au);
}

// Every prefix of a good file either fails cleanly or (when only padding
// is missing) gives the same picture.
TEST(PictureBmp, TruncatedFilesFailCleanly) {
  for (const Bytes& good : {Plain8(), Rle8(), Rgb24(), Rgb32()}) {
    const Picture whole = Picture::FromBmp(good, "beach.bmp");
    for (std::size_t n = 0; n < good.size(); ++n) {
      const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
      try {
        const Picture p = Picture::FromBmp(cut, "beach.bmp");
        ASSERT_EQ(p.Width(), whole.Width()) << n;
        for (int y = 0; y < p.Height(); ++y)
          for (int x = 0; x < p.Width(); ++x) ASSERT_EQ(p.Pixel(x, y), whole.Pixel(x, y));
      } catch (const PictureError& e) {
        ASSERT_NE(std::string(e.what()).find("\"beach.bmp\""), std::string::npos);
      }
    }
  }
}

TEST(PictureBmp, DamagedHeadersAreRefused) {
  auto with = [](Bytes b, std::size_t at, std::uint32_t v, int size) {
    if (size == 2) Put16(b, at, v);
    else Put32(b, at, v);
    return b;
  };
  ExpectError(with(Rgb24(), 0, 'X', 2), "signature");
  ExpectError(with(Rgb24(), 14, 12, 4), "old header");
  ExpectError(with(Rgb24(), 14, 0xFFFFFFF0u, 4), "header beyond the file");
  ExpectError(with(Rgb24(), 26, 2, 2), "planes");
  ExpectError(with(Rgb24(), 18, 0, 4), "zero width");
  ExpectError(with(Rgb24(), 18, 0x80000000u, 4), "negative width");
  ExpectError(with(Rgb24(), 22, 0, 4), "zero height");
  ExpectError(with(Rgb24(), 22, 0x80000000u, 4), "most negative height");
  ExpectError(with(Rgb24(), 28, 4, 2), "4 bits");
  ExpectError(with(Rgb24(), 30, 7, 4), "compression");
  ExpectError(with(Rgb24(), 10, 0xFFFFFFFFu, 4), "data offset");
  ExpectError(with(Plain8(), 46, 257, 4), "palette size");
  ExpectError(with(Plain8(), 46, 1000000, 4), "palette beyond the file");
  ExpectError(Bmp(3, 2, 8, 0, {0, 0}, {0, 1, 2, 0, 1, 0, 0, 0}), "index outside the palette");
  ExpectError(Bmp(4, -3, 8, 1, kPalette, {0, 1}), "top-down run-length");
}

TEST(PictureBmp, AbsurdSizesAreRefusedBeforeAnyAllocation) {
  ExpectError(Bmp(30000, 30000, 24, 0, {}, Bytes(16, 0)), "900 million pixels");
  ExpectError(Bmp(32768, -32768, 8, 1, kPalette, {0, 1}), "run-length of 1 billion pixels");
  ExpectError(Bmp(5000, 5000, 32, 0, {}, Bytes(64, 0)), "25 million pixels without data");
  ExpectError(Bmp(5000, 5000, 8, 0, kPalette, Bytes(64, 0)), "8-bit without data");
}

TEST(PictureBmp, RunLengthDataThatLeavesThePictureIsRefused) {
  const std::pair<Bytes, const char*> cases[] = {
      {{5, 1, 0, 1}, "run longer than the row"},
      {{4, 1, 1, 2, 0, 1}, "run after a full row without end of line"},
      {{0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, "absolute block longer than the row"},
      {{0, 2, 5, 0, 0, 1}, "move right past the edge"},
      {{0, 2, 0, 4, 0, 1}, "move down past the last row"},
      {{0, 0, 0, 0, 0, 0, 1, 1, 0, 1}, "end of line past the last row, then a pixel"},
      {{0, 2, 3, 2, 2, 1, 0, 1}, "move to the last row's end, then a run"},
      {{2, 1, 0, 3, 1}, "absolute block cut short"},
      {{2, 1, 0, 0}, "no end of picture"},
      {{2, 1}, "nothing after a run"},
      {{0, 2, 1}, "move cut short"},
  };
  for (const auto& [data, what] : cases) ExpectError(Bmp(4, 3, 8, 1, kPalette, data), what);
}

// Random damage to good files: every outcome is a picture or a
// PictureError, never a crash or a read outside the bytes.
TEST(PictureBmp, MutatedFilesNeverCrash) {
  std::mt19937 rng(42);
  int errors = 0, pictures = 0;
  for (const Bytes& good : {Plain8(), Rle8(), Rgb24(), Rgb32()}) {
    for (int round = 0; round < 3000; ++round) {
      Bytes b = good;
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < flips; ++i) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
      if (rng() % 4 == 0) b.resize(rng() % b.size());
      try {
        const Picture p = Picture::FromFile(b, "m");
        ++pictures;
        ASSERT_LE(static_cast<std::int64_t>(p.Width()) * p.Height(), std::int64_t{1} << 25);
      } catch (const PictureError&) {
        ++errors;
      }
    }
  }
  EXPECT_GT(errors, 0);
  EXPECT_GT(pictures, 0);
}

// A gradient, red across and green down over blue 128, written by an
// image library (tests/data/jpeg/gradient_WxH.jpg, Pillow at quality 95).
Bytes GradientJpeg(int w, int h) {
  const std::filesystem::path file = std::filesystem::path(SANDLOOP_TEST_DATA) / "jpeg" /
                                     ("gradient_" + std::to_string(w) + "x" + std::to_string(h) + ".jpg");
  std::ifstream in(file, std::ios::binary);
  Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(b.empty()) << file;
  return b;
}

TEST(PictureJpeg, DecodesFromMemory) {
  const Picture p = Picture::FromFile(GradientJpeg(64, 32), "surf.jpg");
  ASSERT_EQ(p.Width(), 64);
  ASSERT_EQ(p.Height(), 32);
  auto near = [](std::uint32_t got, int r, int g, int b) {
    return std::abs(static_cast<int>((got >> 16) & 0xFF) - r) <= 8 &&
           std::abs(static_cast<int>((got >> 8) & 0xFF) - g) <= 8 && std::abs(static_cast<int>(got & 0xFF) - b) <= 8;
  };
  EXPECT_TRUE(near(p.Pixel(0, 0), 0, 0, 128)) << std::hex << p.Pixel(0, 0);
  EXPECT_TRUE(near(p.Pixel(63, 31), 255, 255, 128)) << std::hex << p.Pixel(63, 31);
}

TEST(PictureJpeg, TruncatedOrDamagedDataIsAnError) {
  const Bytes good = GradientJpeg(64, 64);
  for (std::size_t n : {std::size_t{0}, std::size_t{3}, std::size_t{20}, good.size() / 2, good.size() - 40}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    try {
      (void)Picture::FromJpeg(cut, "surf.jpg");
      ADD_FAILURE() << "no error for " << n << " of " << good.size() << " bytes";
    } catch (const PictureError& e) {
      EXPECT_NE(std::string(e.what()).find("\"surf.jpg\""), std::string::npos) << e.what();
    }
  }
  std::mt19937 rng(9);
  for (int round = 0; round < 300; ++round) {
    Bytes b = good;
    for (int i = 0; i < 4; ++i) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
    try {
      (void)Picture::FromJpeg(b, "surf.jpg");
    } catch (const PictureError&) {
    }
  }
  EXPECT_THROW((void)Picture::FromFile(Bytes{'G', 'I', 'F', '8'}, "x"), PictureError);
  EXPECT_THROW((void)Picture::FromResource("NO_SUCH_PICTURE"), PictureError);
}

// A picture's top rows decoded alone are exactly the top of the whole
// picture (the surf's first frame is decoded this way), at a row count on
// a block boundary and off one; asking for more rows than there are gives
// the whole picture.
TEST(PictureJpeg, TheTopRowsAloneEqualTheTopOfTheWholePicture) {
  auto same_top = [](const Picture& top, const Picture& whole) {
    for (int y = 0; y < top.Height(); ++y)
      for (int x = 0; x < top.Width(); ++x)
        if (top.Pixel(x, y) != whole.Pixel(x, y)) return false;
    return true;
  };
  const Picture surf = Picture::FromResource("LOWWATER");
  const Picture frame = Picture::FromResource("LOWWATER", 160);
  ASSERT_EQ(frame.Width(), surf.Width());
  ASSERT_EQ(frame.Height(), 160);
  EXPECT_TRUE(same_top(frame, surf));
  const Bytes gradient = GradientJpeg(64, 64);
  const Picture whole = Picture::FromJpeg(gradient, "surf.jpg");
  const Picture top = Picture::FromJpeg(gradient, "surf.jpg", 37);
  ASSERT_EQ(top.Height(), 37);
  EXPECT_TRUE(same_top(top, whole));
  EXPECT_EQ(Picture::FromJpeg(gradient, "surf.jpg", 1000).Height(), 64);
  EXPECT_TRUE(Picture::FromJpeg(gradient, "surf.jpg", 0).Empty());
  // Pixels are 0x00RRGGBB: nothing above the red byte.
  std::uint32_t above = 0;
  for (int y = 0; y < whole.Height(); ++y)
    for (int x = 0; x < whole.Width(); ++x) above |= whole.Pixel(x, y) & 0xFF000000u;
  EXPECT_EQ(above, 0u);
  // A BMP gives its top rows the same way.
  const Picture palm = Picture::FromResource("PALMLEFT"), palm_top = Picture::FromResource("PALMLEFT", 100);
  ASSERT_EQ(palm_top.Height(), 100);
  EXPECT_TRUE(same_top(palm_top, palm));
}

// Kept inputs that once needed a fix; files named bad_* must be refused.
TEST(PictureRegression, KeptInputs) {
  const std::filesystem::path dir = std::filesystem::path(SANDLOOP_TEST_DATA) / "pictures";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no kept inputs";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = entry.path().filename().string();
    ++files;
    if (name.rfind("bad_", 0) == 0)
      EXPECT_THROW((void)Picture::FromFile(b, name), PictureError) << name;
    else
      EXPECT_NO_THROW((void)Picture::FromFile(b, name)) << name;
  }
  EXPECT_GT(files, 0);
}

TEST(Picture, CopyRectClipsToBothPictures) {
  Picture src(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.SetPixel(x, y, static_cast<std::uint32_t>(y * 10 + x));
  Picture dst(3, 3, 99);
  dst.CopyRect(-1, 1, src, 1, 0, 4, 4);  // source (2, 0) lands on (0, 1)
  EXPECT_EQ(dst.Pixel(0, 0), 99u);
  EXPECT_EQ(dst.Pixel(0, 1), 2u);
  EXPECT_EQ(dst.Pixel(1, 1), 3u);
  EXPECT_EQ(dst.Pixel(2, 1), 99u);  // source column 4 does not exist
  EXPECT_EQ(dst.Pixel(1, 2), 13u);
  dst.CopyRect(0, 0, src, -2, -2, 3, 3);  // only source (0, 0) exists
  EXPECT_EQ(dst.Pixel(2, 2), 0u);
  dst.CopyRect(0, 0, src, 0, 0, -5, 2);  // nothing
  dst.CopyRect(5, 0, src, 0, 0, 2, 2);   // nothing
  EXPECT_EQ(dst.Pixel(0, 0), 99u);
  // Within one picture, moving down by one row.
  src.CopyRect(0, 1, src, 0, 0, 4, 3);
  for (int y = 1; y < 4; ++y) EXPECT_EQ(src.Pixel(1, y), static_cast<std::uint32_t>((y - 1) * 10 + 1)) << y;
}

// A copy owns pixels of its own; a picture moved from or handed over as a
// surface's pixels is empty, and the surface's pixels are the picture's
// own memory with its rows as they were and room after the last. Large
// pictures (mapped from the system) and small ones (from the heap) alike.
TEST(Picture, CopiesAreDeepAndHandingOverKeepsTheMemory) {
  for (auto [w, h] : {std::pair{5, 3}, {1024, 300}}) {
    Picture p(w, h, 0x123456);
    p.SetPixel(w - 1, h - 1, 0x00ABCDEF);
    Picture copy = p;
    copy.SetPixel(0, 0, 7);
    EXPECT_EQ(p.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(copy.Pixel(w - 1, h - 1), 0x00ABCDEFu);
    Picture assigned(1, 1);
    assigned = copy;
    EXPECT_EQ(assigned.Width(), w);
    EXPECT_EQ(assigned.Pixel(0, 0), 7u);

    Picture moved = std::move(copy);
    EXPECT_TRUE(copy.Empty());  // NOLINT(bugprone-use-after-move): moved from on purpose
    EXPECT_EQ(moved.Pixel(0, 0), 7u);

    const std::uint32_t* rows = p.Row(0);
    display::SurfacePixels pixels = std::move(p).ToSurfacePixels();
    EXPECT_TRUE(p.Empty());  // NOLINT(bugprone-use-after-move)
    ASSERT_EQ(pixels.width, w);
    ASSERT_EQ(pixels.height, h);
    EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(pixels.words.data()), rows);
    EXPECT_GE(pixels.words.size(), static_cast<std::size_t>(w) * h * 4 + 4);
    EXPECT_EQ(pixels.alpha, nullptr);
    std::uint32_t last = 0;
    std::memcpy(&last, pixels.words.data() + (static_cast<std::size_t>(w) * h - 1) * 4, 4);
    EXPECT_EQ(last, 0x00ABCDEFu);
  }
  EXPECT_TRUE(Picture(0, 4).Empty());
  EXPECT_TRUE(Picture(0, 4).ToSurfacePixels().Empty());
}

// The fuzz harness's seeds and every input it found failing, kept.
TEST(PictureRegression, FuzzInputsAreHandledSoundly) {
  const auto inputs = test::FuzzInputs("picture", "pictures");
  EXPECT_GE(inputs.size(), 4u);
  for (const auto& [name, bytes] : inputs) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    EXPECT_EQ(fuzz::CheckPicture({p, bytes.size()}), "") << name;
  }
}

}  // namespace
}  // namespace sandloop
