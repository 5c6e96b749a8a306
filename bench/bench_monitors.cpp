// The full-screen saver on two monitors, on the memory-only display:
//   MonitorsSetup/<W2>/<H2>: from the start of set-up until every monitor
//   shows its first frame, with a 1920 x 1080 primary and a second monitor
//   of W2 x H2 (0 x 0: none, the single monitor's set-up to compare with).
//   Reports "ms".
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "bench/Measure.h"
#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"

namespace {

using sandloop::display::Monitor;

void BM_MonitorsSetup(benchmark::State& state) {
  const int w2 = static_cast<int>(state.range(0)), h2 = static_cast<int>(state.range(1));
  char pattern[] = "/tmp/sandloop-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return state.SkipWithError("no temporary folder");
  const std::string home = pattern;
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  double total = 0;
  for (auto _ : state) {
    auto headless = sandloop::display::CreateHeadlessBackend();
    std::vector<Monitor> monitors{{{0, 0, 1920, 1080}, {1920, 1080, 32}}};
    if (w2 > 0) monitors.push_back({{1920, 0, 1920 + w2, h2}, {w2, h2, 32}});
    headless->SetModes({{1920, 1080, 32}});
    headless->SetMonitors(monitors);
    sandloop::display::SetBackend(headless);
    sandloop::SceneOptions options;
    options.seed = 1;
    std::string error;
    options.overrides.push_back(*sandloop::ParseSettingOverride("flag_PlaySound=0", &error));
    sandloop::FixedClock clock{sandloop::LocalTime{2024, 6, 21, 5, 12, 0, 0, 0}};
    {
      sandloop::TApplication app;
      sandloop::TForm1* form = app.CreateForm<sandloop::TForm1>(clock, options);
      const auto t0 = bench::Clock::now();
      form->FormCreate();
      // Frames until every monitor shows one.
      for (int i = 0; i < 10 && (headless->Presents() < 2 || (w2 > 0 && headless->MonitorPresents(1) < 1)); ++i) {
        bool done = false;
        form->DrawFrame(done);
      }
      const auto t1 = bench::Clock::now();
      total += bench::Seconds(t1 - t0);
      state.SetIterationTime(bench::Seconds(t1 - t0));
      if (w2 > 0 && headless->MonitorPresents(1) < 1) state.SkipWithError("the second monitor shows nothing");
      form->FinishSaver();
    }
    sandloop::display::SetBackend(nullptr);
  }
  state.counters["ms"] = total * 1000 / static_cast<double>(state.iterations());
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
}
BENCHMARK(BM_MonitorsSetup)
    ->Args({0, 0})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
