// The present's ramp tables are built once per change of the ramp, and the
// picture presented through them is the one fresh tables give.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/present.h"

namespace {

using sandloop::display::ConvertPagePortable;
using sandloop::display::HeadlessBackend;
using sandloop::display::MakeRampTables;
using sandloop::display::PageView;
using sandloop::display::RampTableCache;

sandloop::display::Ramp Linear(unsigned r, unsigned g, unsigned b) {
  sandloop::display::Ramp ramp;
  for (unsigned i = 0; i < 256; ++i) {
    ramp.red[i] = static_cast<std::uint16_t>(i * r);
    ramp.green[i] = static_cast<std::uint16_t>(i * g);
    ramp.blue[i] = static_cast<std::uint16_t>(i * b);
  }
  return ramp;
}

TEST(RampTableCache, BuildsOncePerChangeOfContent) {
  RampTableCache cache;
  EXPECT_EQ(cache.For(nullptr), nullptr);
  EXPECT_EQ(cache.Builds(), 0);
  sandloop::display::Ramp dusk = Linear(182, 112, 52);
  const auto* first = cache.For(&dusk);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->red[255], 46410 >> 8);
  // The same content, even from another record, needs no new tables.
  const sandloop::display::Ramp copy = dusk;
  cache.For(&copy);
  cache.For(nullptr);
  cache.For(&dusk);
  EXPECT_EQ(cache.Builds(), 1);
  // One entry changed in place is a new ramp.
  dusk.blue[200] = 0;
  EXPECT_EQ(cache.For(&dusk)->blue[200], 0);
  EXPECT_FALSE(cache.For(&dusk)->linear);
  EXPECT_EQ(cache.Builds(), 2);
}

TEST(RampTableCache, HeadlessPresentsKeepThePictureOfFreshTables) {
  std::mt19937 rng(3);
  const sandloop::display::Ramp ramps[] = {Linear(182, 112, 52), Linear(60, 70, 90), Linear(137, 90, 90)};
  for (int bpp : {16, 24, 32}) {
    HeadlessBackend hb;
    const int width = 37, height = 9, pitch = ((width * (bpp / 8)) + 3) & ~3;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pitch) * height + 4);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    const PageView page{bytes.data(), width, height, pitch, bpp};
    int expected_builds = 0;
    for (const sandloop::display::Ramp& ramp : ramps) {
      ++expected_builds;
      const auto fresh = MakeRampTables(ramp);
      std::vector<std::uint8_t> want(static_cast<std::size_t>(width) * height * 4);
      ConvertPagePortable(page, want.data(), width * 4, &fresh);
      for (int frame = 0; frame < 3; ++frame) {
        hb.Present(page, &ramp);
        ASSERT_EQ(std::memcmp(hb.Screen().Row(0), want.data(), want.size()), 0) << bpp << " bits, frame " << frame;
      }
      hb.Present(page, nullptr);  // a neutral frame between does not forget the tables
      EXPECT_EQ(hb.RampTableBuilds(), expected_builds) << bpp << " bits";
    }
  }
}

}  // namespace
