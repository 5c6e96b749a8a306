// Speed of scaling the smooth pieces' masters down to a screen's size.
//
//   AreaScale/<W>: the right palm's larger master, already decoded,
//     scaled by area averaging to its size on a W x (W * 9 / 16) screen,
//     against memcpy of the bytes it reads (counter "x_memcpy").
//   MasterScaled/<W>: the same master decoded and scaled in one pass, as
//     set-up does, in milliseconds.
//   BackdropScaled/<W>: the backdrop's master decoded, cut to the part a
//     W x (W * 9 / 16) screen shows and scaled to its size, as set-up does
//     (the longest job of set-up), in milliseconds of this thread's time.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/Measure.h"
#include "kit/PicturePart.h"
#include "kit/RgbaPicture.h"
#include "scene/Layout.h"

namespace {

using sandloop::RgbaPicture;

// The right palm's size on the screen: 339 x 392 at 1024 x 768.
int PalmWidth(int w) { return w * 339 / 1024; }
int PalmHeight(int w) { return w * 9 / 16 * 392 / 768; }

void BM_AreaScale(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const RgbaPicture master = RgbaPicture::FromResource("PALMRIGHT_X4");
  const std::size_t bytes = master.Pitch() * static_cast<std::size_t>(master.Height());
  std::vector<std::uint8_t> a(bytes, 1), b(bytes);
  double scale = 0, copy = 0;
  for (auto _ : state) {
    auto t0 = bench::Clock::now();
    RgbaPicture s = master.ScaledTo(PalmWidth(w), PalmHeight(w));
    benchmark::DoNotOptimize(s.Row(0));
    auto t1 = bench::Clock::now();
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::ClobberMemory();
    auto t2 = bench::Clock::now();
    scale += bench::Seconds(t1 - t0);
    copy += bench::Seconds(t2 - t1);
    state.SetIterationTime(bench::Seconds(t1 - t0));
  }
  state.counters["x_memcpy"] = copy > 0 ? scale / copy : 0;
}
BENCHMARK(BM_AreaScale)->Arg(1920)->Arg(3840)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MasterScaled(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  for (auto _ : state) {
    RgbaPicture s = RgbaPicture::FromResourceScaled("PALMRIGHT_X4", PalmWidth(w), PalmHeight(w));
    benchmark::DoNotOptimize(s.Row(0));
  }
}
BENCHMARK(BM_MasterScaled)->Arg(3840)->Unit(benchmark::kMillisecond);

void BM_BackdropScaled(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = w * 9 / 16;
  const sandloop::Placement p = sandloop::SceneLayout(sandloop::ShapeFor(w, h, false))[sandloop::kGround];
  const std::string master = sandloop::MasterFor(sandloop::kGround, p);
  for (auto _ : state) {
    RgbaPicture s = sandloop::MasterPartScaled(master, p.part, p.width, p.height);
    benchmark::DoNotOptimize(s.Row(0));
  }
}
BENCHMARK(BM_BackdropScaled)->Arg(1920)->Arg(3840)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
