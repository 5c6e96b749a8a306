#pragma once
// Frames made by "--render" and read back as pictures, for tests that
// compare what the saver draws with what it should draw.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "shell/Render.h"

namespace sandloop::test {

// Reads a PNG as "--render" writes it: 8-bit RGB, filter-0 rows, stored
// (uncompressed) deflate blocks.
inline Picture ReadRenderedPng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 33) return Picture(0, 0);
  auto be32 = [&](std::size_t at) {
    return (std::uint32_t(std::uint8_t(b[at])) << 24) | (std::uint32_t(std::uint8_t(b[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(b[at + 2])) << 8) | std::uint8_t(b[at + 3]);
  };
  const int w = static_cast<int>(be32(16)), h = static_cast<int>(be32(20));
  std::string zdata;
  for (std::size_t at = 8; at + 12 <= b.size();) {
    const std::uint32_t len = be32(at);
    if (b.compare(at + 4, 4, "IDAT") == 0) zdata += b.substr(at + 8, len);
    at += 12 + len;
  }
  std::string raw;
  for (std::size_t at = 2; at + 5 <= zdata.size();) {  // past the zlib header
    const std::size_t len = std::uint8_t(zdata[at + 1]) | (std::uint8_t(zdata[at + 2]) << 8);
    raw += zdata.substr(at + 5, len);
    if (zdata[at] & 1) break;
    at += 5 + len;
  }
  Picture p(w, h);
  if (raw.size() < static_cast<std::size_t>(h) * (w * 3 + 1)) return p;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * (w * 3 + 1) + 1 + x * 3;
      p.SetPixel(x, y, (std::uint32_t(std::uint8_t(raw[i])) << 16) | (std::uint32_t(std::uint8_t(raw[i + 1])) << 8) |
                           std::uint8_t(raw[i + 2]));
    }
  return p;
}

// A private home (so that nothing real is read or written) and a way to
// render one frame with the given options into a picture.
class RenderedFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sandloop-frames-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // "--render" with `args` after the file name; an empty picture when the
  // render fails (the failure is recorded).
  Picture Frame(std::vector<std::string> args) {
    const std::string file = dir_ + "/frame.png";
    args.insert(args.begin(), {"--render", file});
    std::ostringstream out, err;
    const int rc = RunRender(args, out, err);
    EXPECT_EQ(rc, 0) << err.str() << ::testing::PrintToString(args);
    if (rc != 0) return Picture(0, 0);
    return ReadRenderedPng(file);
  }

  std::string dir_;
};

}  // namespace sandloop::test
