// sandloop.scr's preview on the Windows back end, in real windows (under
// Wine on a virtual X server): the picture fills a host window larger than
// itself, as the system's preview window is at a scale above 100 %, and
// the preview ends when the host goes. The host is made in this process:
// Wine shows nothing that another process draws into a window.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "kit/Picture.h"
#include "kit/ddraw/platform.h"
#include "kit/ddraw/win32/Win32Backend.h"
#include "shell/Shell.h"
#include "tests/shell/wine/HostWindow.h"

namespace sandloop {
namespace {

constexpr std::uint32_t kGround = 0xFF00FF;  // no pixel of the picture

// The mean of one channel (`shift` 16, 8, 0) over a block of pixels.
template <class Pixels>
double Mean(const Pixels& at, int x0, int y0, int w, int h, int shift) {
  double sum = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) sum += (at(x, y) >> shift) & 0xFF;
  return sum / (w * h);
}

TEST(PreviewWindow, FillsTheHostsClientAreaUntilTheHostGoes) {
  std::string why;
  auto backend = display::CreateWin32Backend(&why);
  ASSERT_TRUE(backend) << why;
  display::SetBackend(backend);
  // 1.5 times the picture, as at 150 %.
  test::HostPixels seen;
  const std::uintptr_t host = test::MakeHost(231, 174, kGround, 1500, &seen);
  ASSERT_NE(host, 0u);
  ShellHooks hooks;
  hooks.convention = Convention::Windows;
  EXPECT_EQ(SandloopMain({"/p:" + std::to_string(host)}, {}, hooks), 0);
  display::SetBackend(nullptr);

  ASSERT_EQ(seen.width, 231);
  ASSERT_EQ(seen.height, 174);
  EXPECT_TRUE(seen.child_covers_client);
  int ground = 0;
  for (std::uint32_t p : seen.pixels) ground += p == kGround;
  EXPECT_EQ(ground, 0) << "pixels of the host's own ground show";
  // The corners show the picture's corners: the 12 x 9 pixels at each
  // stand for its 8 x 6.
  const Picture source = Picture::FromResource(kPreviewBitmap);
  const auto shown = [&](int x, int y) { return seen.At(x, y); };
  const auto picture = [&](int x, int y) { return source.Pixel(x, y); };
  for (int shift : {16, 8, 0}) {
    EXPECT_NEAR(Mean(shown, 219, 165, 12, 9, shift), Mean(picture, 146, 110, 8, 6, shift), 6) << shift;
    EXPECT_NEAR(Mean(shown, 0, 0, 12, 9, shift), Mean(picture, 0, 0, 8, 6, shift), 6) << shift;
  }
}

}  // namespace
}  // namespace sandloop
