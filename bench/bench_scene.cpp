// Speed of the running scene on the memory-only display.
//
//   SceneSetup/<W>/<H>: set-up of the whole scene at W x H (H 0: W * 9 / 16,
//     16:9; the ultrawide 3440 x 1440 and 5120 x 1440 too), 32 bits,
//     to the first presented frame; reports "ms", "x_floor" (its time over
//     the floor below, measured in the same iterations) and
//     "rss_over_surfaces_MB", the resident memory after set-up beyond the
//     bytes of every surface as made (and of the memory-only display's
//     copy of the screen).
//   TickFrame/<W>: one tick and the partial frame it brings, presented
//     through the memory-only display, as a share of one core at 20 ticks
//     a second.
//   SetupFloor/<W>: the least any set-up must do: write the bytes of a
//     page and a back buffer of the screen's size into freshly mapped
//     memory.
//   SceneSetupExactPixels/<W>/0: the same with the designed stretch and
//     colour key at every size (no masters).
//   ComposeFrame/<W>: drawing every layer of one frame at 1024 x 768,
//     1920 x 1080, 2560 x 1440, 3440 x 1440 and 3840 x 2160 against a
//     memcpy of the bytes the frame writes (the clear plus each layer's
//     area on the screen).
#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "bench/Measure.h"
#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"

namespace {

using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;

int HeightFor(int width) {
  if (width == 1024) return 768;
  if (width == 3440) return 1440;  // 21:9
  return width * 9 / 16;
}

// Writes a page's and a back buffer's bytes of w x h at 32 bits into
// freshly mapped memory and gives it back: the floor of any set-up.
double FloorSeconds(int w, int h) {
  const std::size_t bytes = static_cast<std::size_t>(w) * h * 4 * 2;
  const auto t0 = bench::Clock::now();
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return 0;
  std::memset(p, 0x5A, bytes);
  benchmark::ClobberMemory();
  const auto t1 = bench::Clock::now();
  munmap(p, bytes);
  return bench::Seconds(t1 - t0);
}

// The bytes of a surface, as it was made.
std::size_t SurfaceBytes(IDirectDrawSurface* s) {
  if (s == nullptr) return 0;
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  if (s->GetSurfaceDesc(&d) != DD_OK) return 0;
  return static_cast<std::size_t>(d.dwWidth) * d.dwHeight * 4;
}

struct Scene {
  explicit Scene(int w, int h, bool exact_pixels = false) : headless(CreateHeadlessBackend()) {
    setenv("HOME", "/nonexistent-sandloop-bench", 1);
    setenv("XDG_CONFIG_HOME", "/nonexistent-sandloop-bench", 1);
    headless->SetModes({{w, h, 32}});
    headless->SetDesktopMode({w, h, 32});
    sandloop::display::SetBackend(headless);
    sandloop::SceneOptions options;
    options.offline = true;
    options.seed = 1;
    options.exact_pixels = exact_pixels;
    form = app.CreateForm<sandloop::TForm1>(clock, options);
  }
  ~Scene() { sandloop::display::SetBackend(nullptr); }
  std::shared_ptr<HeadlessBackend> headless;
  sandloop::FixedClock clock{sandloop::LocalTime{2024, 6, 21, 5, 12, 0, 0, 0}};
  sandloop::TApplication app;
  sandloop::TForm1* form = nullptr;
};

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
  }
  return 0;
}

void SceneSetup(benchmark::State& state, bool exact_pixels) {
  const int w = static_cast<int>(state.range(0));
  const int h = state.range(1) > 0 ? static_cast<int>(state.range(1)) : HeightFor(w);
  double total = 0, floor = 0;
  long rss = 0;
  std::size_t surfaces = 0;
  for (auto _ : state) {
    // The floor first, while nothing of the scene runs: the picture worker
    // goes on with the surf's other frames after the first frame.
    floor += FloorSeconds(w, h);
    Scene scene(w, h, exact_pixels);
    const auto t0 = bench::Clock::now();
    scene.form->FormCreate();
    scene.form->RenderFrame();
    const auto t1 = bench::Clock::now();
    total += bench::Seconds(t1 - t0);
    state.SetIterationTime(bench::Seconds(t1 - t0));
    rss = ResidentKb();
    // The bytes of every surface as made (a strip's frames each), the one
    // page the screen's frame lives in, and the memory-only display's copy
    // of the screen. Alpha planes are left out: they count as overhead.
    surfaces = 0;
    sandloop::TForm1& f = *scene.form;
    for (const sandloop::TDDbmp* bmp : {&f.DDbmp1ground, &f.DDbmp1secondplane, &f.DDbmp1palmleft, &f.DDbmp1palmmidle,
                                        &f.DDbmp1palmright, &f.DDbmp1stounleft, &f.DDbmp1papright})
      surfaces += SurfaceBytes(bmp->FpSurface);
    for (const sandloop::TDDani* ani : {&f.DDani1lowwater, &f.DDani1hightwater, &f.DDani1Eagles, &f.DDani1Butterflys,
                                        &f.DDani2Butterflys, &f.DDani3Butterflys})
      for (int i = 0; i < ani->FrameCount(); ++i) surfaces += SurfaceBytes(ani->FpSurface[static_cast<std::size_t>(i)]);
    surfaces += static_cast<std::size_t>(w) * h * 4 * 2;
    if (!scene.form->DDmain1.Enabled()) state.SkipWithError("the scene could not be built");
  }
  state.counters["ms"] = total * 1000 / static_cast<double>(state.iterations());
  state.counters["x_floor"] = floor > 0 ? total / floor : 0;
  state.counters["rss_MB"] = static_cast<double>(rss) * 1024 / 1e6;
  state.counters["surfaces_MB"] = static_cast<double>(surfaces) / 1e6;
  state.counters["rss_over_surfaces_MB"] = (static_cast<double>(rss) * 1024 - static_cast<double>(surfaces)) / 1e6;
}
void BM_SceneSetup(benchmark::State& state) { SceneSetup(state, false); }
void BM_SceneSetupExactPixels(benchmark::State& state) { SceneSetup(state, true); }
BENCHMARK(BM_SceneSetupExactPixels)->Args({1920, 0})->Args({3840, 0})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SceneSetup)
    ->Args({1024, 0})
    ->Args({1920, 0})
    ->Args({3840, 0})
    ->Args({3440, 1440})
    ->Args({5120, 1440})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_SetupFloor(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = HeightFor(w);
  for (auto _ : state) state.SetIterationTime(FloorSeconds(w, h));
}
BENCHMARK(BM_SetupFloor)->Arg(1024)->Arg(1920)->Arg(3840)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ComposeFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = HeightFor(w);
  Scene scene(w, h);
  scene.form->FormCreate();
  std::size_t bytes = static_cast<std::size_t>(w) * h * 4;  // the clear
  for (const sandloop::Placement& p : scene.form->Placements()) {
    if (p.width > 100) bytes += static_cast<std::size_t>(std::min(p.width, w - p.x)) * std::min(p.height, h - p.y) * 4;
  }
  state.counters["frame_areas"] = static_cast<double>(bytes) / (static_cast<double>(w) * h * 4);
  int tick = 0;
  bench::Measure(state, bytes, [&] { scene.form->ComposeFrame(); },
                 [&] {
                   if (++tick % 3 == 0) scene.form->DDtimer1Timer(nullptr);
                 });
}
// One tick and the frame it brings, as the running saver draws it: the
// parts that changed composed again and presented through the memory-only
// display. "core_percent" is the share of one core this takes at the
// default 20 ticks a second.
void BM_TickFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = HeightFor(w);
  Scene scene(w, h);
  scene.form->FormCreate();
  bool done = false;
  scene.form->DrawFrame(done);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = bench::Clock::now();
    scene.form->DDtimer1Timer(nullptr);
    scene.form->DrawFrame(done);
    const auto t1 = bench::Clock::now();
    total += bench::Seconds(t1 - t0);
    state.SetIterationTime(bench::Seconds(t1 - t0));
  }
  state.counters["core_percent"] = total / static_cast<double>(state.iterations()) * 20 * 100;
}
BENCHMARK(BM_TickFrame)->Arg(1920)->Arg(3840)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_ComposeFrame)
    ->Arg(1024)
    ->Arg(1920)
    ->Arg(2560)
    ->Arg(3440)
    ->Arg(3840)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
