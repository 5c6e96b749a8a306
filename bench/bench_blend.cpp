// The alpha blender alone.
//
//   BlitAlpha/<bpp>/<path>/<shape>: BlitAlpha drawing a picture with alpha
//     over a page of its size at 16, 24 and 32 bits; path 0 blends one
//     pixel at a time, path 1 eight a step where the processor has AVX2
//     (32 bits only; at 16 and 24 bits both paths are the same code);
//     shape 0 is the right palm as it is drawn at 3840 x 2160 (soft edges
//     blended, the inside copied), shape 1 a picture soft all over. Each
//     against a memcpy of the bytes BlitAlpha writes (every covered pixel).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/Measure.h"
#include "kit/RgbaPicture.h"
#include "kit/ddraw/blend.h"
#include "kit/ddraw/pixel.h"
#include "scene/Layout.h"

namespace {

namespace display = sandloop::display;

sandloop::RgbaPicture Palm() {
  const sandloop::Layout layout = sandloop::LayoutFor(3840, 2160);
  const sandloop::Placement& p = layout[sandloop::kPalmRight];
  return sandloop::RgbaPicture::FromResourceScaled(sandloop::MasterFor(sandloop::kPalmRight, p), p.width, p.height);
}

sandloop::RgbaPicture SoftAllOver() {
  sandloop::RgbaPicture picture(1024, 1024);
  std::mt19937 rng(1);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      std::uint8_t* q = picture.Row(y) + 4 * x;
      q[3] = static_cast<std::uint8_t>(1 + rng() % 254);
      for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(rng() % (q[3] + 1u));
    }
  return picture;
}

void BM_BlitAlpha(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0)), bytes = bpp / 8;
  const auto path = state.range(1) == 0 ? display::BlendPath::Scalar : display::BlendPath::Fastest;
  const sandloop::RgbaPicture picture = state.range(2) == 0 ? Palm() : SoftAllOver();
  const int w = picture.Width(), h = picture.Height();
  const int pitch = w * bytes;
  std::vector<std::uint8_t> src(static_cast<std::size_t>(pitch) * h), page(src.size()), alpha(static_cast<std::size_t>(w) * h);
  std::size_t written = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* q = picture.Row(y) + 4 * x;
      const std::uint32_t rgb = (std::uint32_t{q[0]} << 16) | (std::uint32_t{q[1]} << 8) | q[2];
      display::StorePixel(&src[static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * bytes], bpp,
                          display::EncodePixel(rgb, bpp));
      alpha[static_cast<std::size_t>(y) * w + x] = q[3];
      written += q[3] != 0 ? static_cast<std::size_t>(bytes) : 0;
    }
  // A sky-and-sea page under the picture, laid again after every draw.
  std::vector<std::uint8_t> background(page.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      display::StorePixel(&background[static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * bytes], bpp,
                          display::EncodePixel(y < h / 2 ? 0x6090D0u : 0x2070A0u + static_cast<std::uint32_t>(x % 64),
                                               bpp));
  page = background;
  const display::AlphaPlane plane(alpha.data(), w, w, h);
  state.counters["wide"] = path == display::BlendPath::Fastest && bpp == 32 && display::HasWideBlend() ? 1 : 0;
  bench::Measure(
      state, written,
      [&] { display::BlitAlpha(page.data(), pitch, src.data(), pitch, plane, 0, 0, w, h, bpp, path); },
      [&] { std::memcpy(page.data(), background.data(), page.size()); });
}
BENCHMARK(BM_BlitAlpha)
    ->ArgsProduct({{16, 24, 32}, {0, 1}, {0, 1}})
    ->ArgNames({"bpp", "path", "shape"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
