// Speed of the running scene on the memory-only display.
//
//   SceneSetup/<W>: set-up of the whole scene at W x (W * 9 / 16), 32 bits,
//     to the first presented frame; reports "ms" and "rss_over_surfaces_MB",
//     the resident memory after set-up beyond the bytes of every surface
//     (and of the memory-only display's copy of the screen).
//   SceneSetupExactPixels/<W>: the same with the designed stretch and
//     colour key at every size (no masters).
//   ComposeFrame/<W>: drawing every layer of one frame at 1024 x 768,
//     1920 x 1080 and 3840 x 2160 against a memcpy of the bytes the frame
//     writes (the clear plus each layer's area on the screen).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "bench/Measure.h"
#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"

namespace {

using sandloop::display::HeadlessBackend;

int HeightFor(int width) { return width == 1024 ? 768 : width * 9 / 16; }

struct Scene {
  explicit Scene(int w, int h, bool exact_pixels = false) : headless(std::make_shared<HeadlessBackend>()) {
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
  const int w = static_cast<int>(state.range(0)), h = HeightFor(w);
  double total = 0;
  long rss = 0;
  std::size_t surfaces = 0;
  for (auto _ : state) {
    Scene scene(w, h, exact_pixels);
    const auto t0 = bench::Clock::now();
    scene.form->FormCreate();
    scene.form->RenderFrame();
    const auto t1 = bench::Clock::now();
    total += bench::Seconds(t1 - t0);
    state.SetIterationTime(bench::Seconds(t1 - t0));
    rss = ResidentKb();
    surfaces = 0;
    for (const sandloop::Placement& p : scene.form->Placements()) {
      const int frames = p.frame_height > 0 ? (p.resource == std::string("EAGLES") ? 144 : p.frame_height == 30 ? 16 : 30) : 1;
      surfaces += static_cast<std::size_t>(p.width) * p.height * 4 * frames;
    }
    // Front and back page, and the memory-only display's copy of the screen.
    surfaces += static_cast<std::size_t>(w) * h * 4 * 3;
    if (!scene.form->DDmain1.Enabled()) state.SkipWithError("the scene could not be built");
  }
  state.counters["ms"] = total * 1000 / static_cast<double>(state.iterations());
  state.counters["rss_over_surfaces_MB"] = (static_cast<double>(rss) * 1024 - static_cast<double>(surfaces)) / 1e6;
}
void BM_SceneSetup(benchmark::State& state) { SceneSetup(state, false); }
void BM_SceneSetupExactPixels(benchmark::State& state) { SceneSetup(state, true); }
BENCHMARK(BM_SceneSetupExactPixels)->Arg(1920)->Arg(3840)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SceneSetup)->Arg(1024)->Arg(1920)->Arg(3840)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

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
BENCHMARK(BM_ComposeFrame)->Arg(1024)->Arg(1920)->Arg(3840)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
