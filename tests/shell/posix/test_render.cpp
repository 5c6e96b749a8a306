// "--render": reference pictures of whole frames, what it leaves alone (the
// settings store, the log), sequences, and the arguments it refuses.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "kit/Picture.h"
#include "shell/Render.h"
#include "tests/shell/ReferencePicture.h"
#include "tests/shell/RenderedFrame.h"

namespace sandloop {
namespace {

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sandloop-render-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  int Render(std::vector<std::string> args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), "--render");
    return RunRender(args, out, err);
  }
  static Picture ReadPng(const std::string& path) { return test::ReadRenderedPng(path); }

  std::string dir;
  std::ostringstream out, err;
};

TEST_F(RenderTest, WholeFramesMatchTheirReferences) {
  for (const char* size : {"1024x768", "800x600"}) {
    const std::string file = dir + "/frame.png";
    ASSERT_EQ(Render({file, "--size", size, "--ticks", "40", "--seed", "3", "--at", "2004-06-21 14:30:00", "--set",
                      "FlagShowEagles=0", "--set", "FlagShowButterfly=0"}),
              0)
        << err.str();
    test::ExpectMatchesReference(ReadPng(file), std::string("scene-") + size);
  }
}

TEST_F(RenderTest, WritesNeitherTheStoreNorTheLog) {
  ASSERT_EQ(Render({dir + "/a.png", "--size", "160x120"}), 0) << err.str();
  EXPECT_FALSE(std::filesystem::exists(dir + "/config"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/state"));
  EXPECT_EQ(out.str(), dir + "/a.png\n");
}

TEST_F(RenderTest, ASequenceIsOneTickApart) {
  ASSERT_EQ(Render({dir + "/f%04d.png", "--size", "160x120", "--frames", "3", "--seed", "1"}), 0) << err.str();
  for (const char* name : {"/f0000.png", "/f0001.png", "/f0002.png"}) EXPECT_TRUE(std::filesystem::exists(dir + name));
  // The surf moves on between the pictures.
  const Picture a = ReadPng(dir + "/f0000.png"), b = ReadPng(dir + "/f0001.png");
  int changed = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) changed += a.Pixel(x, y) != b.Pixel(x, y);
  EXPECT_GT(changed, 100);
}

TEST_F(RenderTest, BadArgumentsAreRefusedWithExitCodeTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {dir + "/a.png", "--size", "15x100"},
      {dir + "/a.png", "--size", "8193x600"},
      {dir + "/a.png", "--size", "800"},
      {dir + "/a.png", "--depth", "8"},
      {dir + "/a.png", "--ticks", "-1"},
      {dir + "/a.png", "--at", "2004-02-30 10:00:00"},
      {dir + "/a.png", "--set", "NoSuchSetting=1"},
      {dir + "/a.png", "--set", "flag_clock=2"},
      {dir + "/a.png", "--frames", "2"},
      {dir + "/a.png", "--bogus", "1"},
      {"/nonexistent-folder/a.png", "--size", "16x16"},
  };
  for (const auto& args : bad) {
    EXPECT_EQ(Render(args), 2) << ::testing::PrintToString(args);
    EXPECT_NE(err.str().find("sandloop: "), std::string::npos) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace sandloop
