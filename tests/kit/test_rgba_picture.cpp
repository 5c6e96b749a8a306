// Pictures with alpha: reading masters (and refusing damaged ones), and
// scaling down by area averaging without darkening soft edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kit/MasterRows.h"
#include "kit/RgbaPicture.h"
#include "tests/kit/MasterBytes.h"
#include "tools/fuzz/FuzzTargets.h"

namespace sandloop {
namespace {

std::vector<std::uint8_t> Master(const char* magic, std::uint32_t w, std::uint32_t h,
                                 const std::vector<std::uint8_t>& rows) {
  return MasterFile(magic, w, h, Deflated(rows));
}

TEST(RgbaPictureMaster, ReadsPremultipliedAndOpaqueMasters) {
  const std::vector<std::uint8_t> rgba = {10, 20, 30, 40, 0, 0, 0, 0, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 0, 0, 0, 0};
  const RgbaPicture a = RgbaPicture::FromMaster(Master("SLMA", 3, 2, rgba), "a");
  ASSERT_EQ(a.Width(), 3);
  ASSERT_EQ(a.Height(), 2);
  EXPECT_EQ(std::memcmp(a.Row(0), rgba.data(), 12), 0);
  EXPECT_EQ(std::memcmp(a.Row(1), rgba.data() + 12, 12), 0);
  EXPECT_FALSE(a.Opaque());

  const std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const RgbaPicture c = RgbaPicture::FromMaster(Master("SLMC", 2, 2, rgb), "c");
  const std::uint8_t expect[16] = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255};
  EXPECT_EQ(std::memcmp(c.Row(0), expect, 8), 0);
  EXPECT_EQ(std::memcmp(c.Row(1), expect + 8, 8), 0);
  EXPECT_TRUE(c.Opaque());
}

// Rows that store only their covered columns: the rest is transparent, and
// scaling while reading them gives what scaling the whole picture gives.
TEST(RgbaPictureMaster, RowsWithSpansReadAndScaleLikeWholeRows) {
  const int w = 23, h = 9;
  std::vector<std::uint8_t> rows;
  RgbaPicture whole(w, h);
  for (int y = 0; y < h; ++y) {
    std::memset(whole.Row(y), 0, whole.Pitch());
    const int begin = y == 4 ? 0 : (y * 5) % 11, n = y == 4 ? 0 : 3 + y;
    for (int v : {begin, n}) {
      rows.push_back(static_cast<std::uint8_t>(v));
      rows.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    for (int x = begin; x < begin + n; ++x) {
      const std::uint8_t a = static_cast<std::uint8_t>(40 + 20 * (x % 10));
      const std::uint8_t px[4] = {static_cast<std::uint8_t>(a / 2), static_cast<std::uint8_t>(a / 3), a, a};
      rows.insert(rows.end(), px, px + 4);
      std::memcpy(whole.Row(y) + 4 * x, px, 4);
    }
  }
  const auto bytes = Master("SLMR", w, h, rows);
  const RgbaPicture read = RgbaPicture::FromMaster(bytes, "spans");
  ASSERT_EQ(read.Width(), w);
  for (int y = 0; y < h; ++y) EXPECT_EQ(std::memcmp(read.Row(y), whole.Row(y), whole.Pitch()), 0) << y;
  for (auto [sw, sh] : {std::pair{7, 4}, {23, 3}, {11, 9}}) {
    const RgbaPicture streamed = ScaleRows(*OpenPicture(bytes, "spans"), sw, sh);
    const RgbaPicture direct = whole.ScaledTo(sw, sh);
    for (int y = 0; y < sh; ++y) EXPECT_EQ(std::memcmp(streamed.Row(y), direct.Row(y), direct.Pitch()), 0) << sw << " " << y;
  }
}

// Each damage is refused with a message naming the master and the cause.
TEST(RgbaPictureMaster, DamagedMastersAreErrorsNamingThemAndTheCause) {
  const std::vector<std::uint8_t> rows(2 * 2 * 4, 7);
  const auto good = Master("SLMA", 2, 2, rows);
  auto expect_error = [](std::vector<std::uint8_t> bytes, const char* cause, const char* why) {
    for (bool scaled : {false, true}) {
      try {
        if (scaled)
          (void)ScaleRows(*OpenPicture(bytes, "PALMX"), 1, 1);
        else
          (void)RgbaPicture::FromMaster(bytes, "PALMX");
        ADD_FAILURE() << why;
      } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("PALMX"), std::string::npos) << why;
        EXPECT_NE(std::string(e.what()).find(cause), std::string::npos) << why << ": " << e.what();
      }
    }
  };
  expect_error({}, "too short", "empty");
  expect_error(std::vector<std::uint8_t>(good.begin(), good.begin() + 11), "too short", "shorter than its header");
  auto bad_magic = good;
  bad_magic[3] = 'X';
  expect_error(bad_magic, "no master header", "unknown kind");
  expect_error(Master("SLMA", 0, 2, {}), "claims 0 x 2", "no width");
  expect_error(Master("SLMA", 100000, 100000, rows), "a size no master has", "absurd size");
  expect_error(Master("SLMA", 8000, 2000, rows), "bytes of rows can hold", "more than the stream can fill");
  expect_error(Master("SLMA", 2, 3, rows), "rows end in row 2 of 3 (truncated)", "fewer rows than it says");
  expect_error(Master("SLMA", 2, 1, rows), "more than its 1 rows", "more rows than it says");
  // Short spans leave room for more bytes than the rows read: those are
  // refused too.
  expect_error(Master("SLMR", 2, 1, {0, 0, 1, 0, 9, 9, 9, 9, 0, 0}), "more than its 1 rows", "bytes after the spans");
  expect_error(std::vector<std::uint8_t>(good.begin(), good.end() - 4), "cut short", "stream cut short");
  auto trailing = good;
  trailing.insert(trailing.end(), {1, 2, 3});
  expect_error(trailing, "3 bytes of trailing data", "bytes after the stream");
  std::vector<std::uint8_t> span = {20, 0, 4, 0};
  span.resize(4 + 16, 9);
  expect_error(Master("SLMR", 23, 1, span), "row 0 has a span of 4 pixels from column 20", "span past the row");
  auto broken = good;
  broken[14] ^= 0xFF;
  expect_error(broken, "broken in row 0", "bad compressed data");
  EXPECT_EQ(RgbaPicture::FromMaster(good, "PALMX").Width(), 2);
}

RgbaPicture Filled(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  RgbaPicture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* q = p.Row(y) + 4 * x;
      q[0] = r, q[1] = g, q[2] = b, q[3] = a;
    }
  return p;
}

// Random damage to a good master: read whole or scaled while read, every
// outcome is a picture or a PictureError, and the two readings agree.
TEST(RgbaPictureMaster, MutatedMastersNeverCrash) {
  std::vector<std::uint8_t> rows;
  for (int y = 0; y < 6; ++y) {
    const std::uint8_t head[4] = {static_cast<std::uint8_t>(y), 0, 3, 0};
    rows.insert(rows.end(), head, head + 4);
    for (int x = 0; x < 3; ++x) rows.insert(rows.end(), {10, 20, 30, 40});
  }
  const auto good = Master("SLMR", 9, 6, rows);
  std::mt19937 rng(7);
  int errors = 0, pictures = 0;
  for (int round = 0; round < 2000; ++round) {
    auto b = good;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < flips; ++i) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
    if (rng() % 4 == 0) b.resize(rng() % b.size());
    ASSERT_EQ(fuzz::CheckPicture(b), "");
    try {
      (void)RgbaPicture::FromMaster(b, "m");
      ++pictures;
    } catch (const PictureError&) {
      ++errors;
    }
  }
  EXPECT_GT(errors, 0);
  EXPECT_GT(pictures, 0);
}

TEST(RgbaPictureScale, FlatAreasStayExactlyFlatAtAnyRatio) {
  const RgbaPicture p = Filled(37, 23, 91, 180, 7, 255);
  for (auto [w, h] : {std::pair{10, 6}, {36, 22}, {13, 23}, {37, 5}, {1, 1}}) {
    const RgbaPicture s = p.ScaledTo(w, h);
    ASSERT_EQ(s.Width(), w);
    ASSERT_EQ(s.Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* q = s.Row(y) + 4 * x;
        ASSERT_TRUE(q[0] == 91 && q[1] == 180 && q[2] == 7 && q[3] == 255) << w << "x" << h << " at " << x << "," << y;
      }
  }
}

// At its own size a picture is read as it is, except that colour above its
// alpha (which no premultiplied picture holds) is limited to the alpha, as
// at every other size; a master's covered spans come through in place.
TEST(RgbaPictureScale, AtItsOwnSizeEveryPixelStaysWithColourLimitedToAlpha) {
  const int w = 29, h = 7;
  RgbaPicture p(w, h);
  std::mt19937 rng(11);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) p.Row(y)[4 * x + c] = static_cast<std::uint8_t>(rng() % 256);
  const RgbaPicture s = p.ScaledTo(w, h);
  ASSERT_EQ(s.Width(), w);
  ASSERT_EQ(s.Height(), h);
  int limited = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* q = p.Row(y) + 4 * x;
      const std::uint8_t* r = s.Row(y) + 4 * x;
      ASSERT_EQ(r[3], q[3]) << x << "," << y;
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(r[c], std::min(q[c], q[3])) << x << "," << y << " channel " << c;
        limited += q[c] > q[3];
      }
    }
  EXPECT_GT(limited, 0);

  // Rows that store only their covered columns.
  std::vector<std::uint8_t> rows;
  for (int y = 0; y < h; ++y) {
    const int begin = y * 3, n = y == 2 ? 0 : 4;
    for (int v : {begin, n}) {
      rows.push_back(static_cast<std::uint8_t>(v));
      rows.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    for (int x = 0; x < n; ++x) rows.insert(rows.end(), {90, 60, 30, 120});
  }
  const RgbaPicture m = ScaleRows(*OpenPicture(Master("SLMR", w, h, rows), "spans"), w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool covered = y != 2 && x >= y * 3 && x < y * 3 + 4;
      EXPECT_EQ(m.Row(y)[4 * x + 3], covered ? 120 : 0) << x << "," << y;
      EXPECT_EQ(m.Row(y)[4 * x], covered ? 90 : 0) << x << "," << y;
    }
}

TEST(RgbaPictureScale, SoftEdgesKeepTheShapesColourAndAreaAveragesCoverage) {
  // A light green shape on its left part, nothing on the right; the cut
  // falls inside output pixels at most ratios.
  RgbaPicture p = Filled(40, 8, 0, 0, 0, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 17; ++x) {
      std::uint8_t* q = p.Row(y) + 4 * x;
      q[0] = 160, q[1] = 240, q[2] = 120, q[3] = 255;
    }
  for (int w : {3, 7, 11, 15, 19}) {
    SCOPED_TRACE(w);
    const RgbaPicture s = p.ScaledTo(w, 2);
    long coverage = 0;
    int partial = 0;
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* q = s.Row(1) + 4 * x;
      coverage += q[3];
      if (q[3] == 0) continue;
      partial += q[3] < 255;
      // Unpremultiplied, every covered pixel still has the shape's colour:
      // no dark or tinted fringe.
      EXPECT_NEAR(q[0] * 255.0 / q[3], 160, 3.0);
      EXPECT_NEAR(q[1] * 255.0 / q[3], 240, 3.0);
      EXPECT_NEAR(q[2] * 255.0 / q[3], 120, 3.0);
    }
    EXPECT_NEAR(static_cast<double>(coverage) / (255.0 * w), 17.0 / 40.0, 0.01);
    if (17 * w % 40 != 0) {
      EXPECT_EQ(partial, 1);
    }
  }
}

// Any picture scaled to any size is within one level, in every channel,
// of its area average worked out in doubles: noise, so that every tap of
// both passes counts, at ratios that take one to eight source pixels.
TEST(RgbaPictureScale, EveryPixelIsItsAreaAverageWithinOneLevel) {
  const int sw = 53, sh = 41;
  RgbaPicture p(sw, sh);
  std::mt19937 rng(5);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) {
      std::uint8_t* q = p.Row(y) + 4 * x;
      q[3] = static_cast<std::uint8_t>(rng() % 4 == 0 ? 255 : rng() % 256);
      for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(rng() % (q[3] + 1u));
    }
  // The share of source pixel j (of `from`) in output pixel i (of `to`).
  auto cover = [](int i, int j, int from, int to) {
    const double a = i * static_cast<double>(from) / to, b = (i + 1) * static_cast<double>(from) / to;
    return std::max(0.0, std::min<double>(j + 1, b) - std::max<double>(j, a)) / (b - a);
  };
  for (auto [w, h] : {std::pair{17, 13}, {26, 40}, {52, 20}, {7, 5}, {53, 41}, {40, 41}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    const RgbaPicture s = p.ScaledTo(w, h);
    int worst = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 4; ++c) {
          double sum = 0;
          for (int j = 0; j < sh; ++j) {
            const double cy = cover(y, j, sh, h);
            if (cy == 0) continue;
            for (int i = 0; i < sw; ++i) sum += cy * cover(x, i, sw, w) * p.Row(j)[4 * i + c];
          }
          worst = std::max(worst, static_cast<int>(std::abs(s.Row(y)[4 * x + c] - std::lround(sum))));
        }
    EXPECT_LE(worst, 1);
  }
}

}  // namespace
}  // namespace sandloop
