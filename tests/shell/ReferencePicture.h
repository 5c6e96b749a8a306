#pragma once
// Reference pictures of whole frames, kept as JPEG files (a lossless file
// of a 1024 x 768 painting would be megabytes) and compared with a named
// tolerance that the JPEG round trip stays well inside. A missing
// reference is written when SANDLOOP_UPDATE_REFERENCES is set; on a
// mismatch the actual picture is saved beside the test's output.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "kit/PicturePng.h"

namespace sandloop::test {

// What the JPEG round trip of a reference may change. JPEG keeps the mean
// colour of each 8 x 8 block nearly exactly while it blurs single pixels,
// so the pictures are compared by the mean colour of 8 x 8 tiles: no
// channel of any tile may be further off than `tile_mean`, and the mean
// over all pixels no further than `mean_per_channel`.
struct ReferenceTolerance {
  double tile_mean = 6.0;
  double mean_per_channel = 2.5;
};

inline bool WriteJpeg(const Picture& p, const std::string& path, int quality) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr e{};
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(p.Width());
  c.image_height = static_cast<JDIMENSION>(p.Height());
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;  // no chroma subsampling
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(p.Width()) * 3);
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const std::uint32_t v = p.Pixel(x, y);
      row[3 * x] = static_cast<JSAMPLE>(v >> 16);
      row[3 * x + 1] = static_cast<JSAMPLE>(v >> 8);
      row[3 * x + 2] = static_cast<JSAMPLE>(v);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

inline void ExpectMatchesReference(const Picture& actual, const std::string& name,
                                   ReferenceTolerance tolerance = {}) {
  const std::string path = std::string(SANDLOOP_TEST_DATA) + "/reference/" + name + ".jpg";
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (std::getenv("SANDLOOP_UPDATE_REFERENCES") != nullptr) {
      ASSERT_TRUE(WriteJpeg(actual, path, 92)) << path;
      GTEST_SKIP() << "wrote the missing reference " << path;
    }
    FAIL() << "no reference picture " << path << " (run with SANDLOOP_UPDATE_REFERENCES=1 to make it)";
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Picture expected = Picture::FromJpeg(bytes, name);
  ASSERT_EQ(actual.Width(), expected.Width());
  ASSERT_EQ(actual.Height(), expected.Height());
  double sum = 0, worst_tile = 0;
  for (int ty = 0; ty + 8 <= actual.Height(); ty += 8)
    for (int tx = 0; tx + 8 <= actual.Width(); tx += 8)
      for (int shift : {0, 8, 16}) {
        double tile = 0;
        for (int y = ty; y < ty + 8; ++y)
          for (int x = tx; x < tx + 8; ++x) {
            const int d = static_cast<int>((actual.Pixel(x, y) >> shift) & 0xFF) -
                          static_cast<int>((expected.Pixel(x, y) >> shift) & 0xFF);
            tile += d;
            sum += std::abs(d);
          }
        worst_tile = std::max(worst_tile, std::abs(tile) / 64);
      }
  const double mean = sum / (static_cast<double>(actual.Width() / 8 * 8) * (actual.Height() / 8 * 8) * 3);
  if (mean > tolerance.mean_per_channel || worst_tile > tolerance.tile_mean) {
    const std::string saved = ::testing::TempDir() + name + "-actual.png";
    WritePng(actual, saved);
    ADD_FAILURE() << name << ": mean difference " << mean << " per channel (tolerance " << tolerance.mean_per_channel
                  << "), worst 8 x 8 tile " << worst_tile << " (tolerance " << tolerance.tile_mean
                  << "); the actual picture is " << saved;
  }
}

}  // namespace sandloop::test
