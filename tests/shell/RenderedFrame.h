#pragma once
// Frames made by "--render" and read back as pictures, for tests that
// compare what the saver draws with what it should draw.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "kit/Picture.h"
#include "kit/PicturePng.h"
#include "shell/Render.h"

namespace sandloop::test {

// Reads a PNG that "--render" wrote; an empty picture (and a recorded
// failure) when it cannot be read.
inline Picture ReadRenderedPng(const std::string& path) {
  try {
    return ReadPngFile(path);
  } catch (const PictureError& e) {
    ADD_FAILURE() << e.what();
    return Picture(0, 0);
  }
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
