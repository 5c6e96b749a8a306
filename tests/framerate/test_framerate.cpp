// The frame-rate figure is process-wide, so this program holds the one test
// that must see it from the start of the process.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "../kit/SpriteTestSupport.h"
#include "kit/DDmain.h"
#include "kit/ddraw/headless/HeadlessBackend.h"

namespace sandloop {
namespace {

TEST(FrameRate, ZeroForTheFirstNineFramesThenSampledEveryTenth) {
  auto hb = display::CreateHeadlessBackend();
  display::SetBackend(hb);
  testing::TestForm form(*hb);
  TDDmain dd(&form);
  dd.SetColorDepth(32);
  dd.SetEnabled(true);
  dd.SetshowFPS(true);
  for (int i = 0; i < 9; ++i) {
    dd.FlipSurfaces();
    EXPECT_EQ(TDDmain::CurrentFrameRate(), 0) << "frame " << i + 1;
  }
  // The tenth frame samples against the start of the millisecond clock, the
  // twentieth against the tenth: ten quick frames give a high figure.
  for (int i = 0; i < 11; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // frames a few ms apart
    dd.FlipSurfaces();
  }
  EXPECT_GT(TDDmain::CurrentFrameRate(), 10);
  dd.SetEnabled(false);
  display::SetBackend(nullptr);
}

}  // namespace
}  // namespace sandloop
