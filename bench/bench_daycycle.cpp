// The time-of-day tint: one update as a tick makes it (colour, ramp, test
// line) on a headless display, goal 2 us; and a tinted present against a
// neutral one of the same 1920x1080 frame in the same run, goal 1.3 times.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "kit/DDgamma.h"
#include "kit/DDmain.h"
#include "kit/Forms.h"
#include "kit/LocalClock.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "kit/ddraw/present.h"
#include "scene/DayCycle.h"

namespace {

using sandloop::display::CreateHeadlessBackend;
using sandloop::display::HeadlessBackend;
using sandloop::display::PageView;

void BM_UpdateDaylight(benchmark::State& state) {
  auto hb = CreateHeadlessBackend();
  sandloop::display::SetBackend(hb);
  {
    sandloop::TWindowHolder form("bench");
    sandloop::TDDmain dd(&form);
    sandloop::TDDgamma gamma(&form);
    gamma.DDmainModule = &dd;
    dd.SetWidth(800);
    dd.SetHeight(600);
    dd.SetColorDepth(32);
    dd.SetEnabled(true);
    sandloop::FixedClock clock{sandloop::LocalTime{}};
    sandloop::TDayCycle day;
    day.SetSunTimes(6.0f, 18.0f);
    day.StartTint(gamma, dd, clock);
    for (auto _ : state) day.Tick(gamma, dd, clock);  // advances 50 s and re-tints
    state.SetLabel(gamma.Enabled() ? "tinted" : "no gamma");
    gamma.SetEnabled(false);
    dd.SetEnabled(false);
  }
  sandloop::display::SetBackend(nullptr);
}
BENCHMARK(BM_UpdateDaylight)->Unit(benchmark::kNanosecond);

// Neutral and tinted presents alternate in one loop, so that the ratio
// compares like with like on a busy machine: the time reported is the
// tinted present's, "x_neutral" is tinted time over neutral time.
void BM_TintedOverNeutralPresent(benchmark::State& state) {
  constexpr int kWidth = 1920, kHeight = 1080;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kWidth) * kHeight * 4 + 4);
  std::mt19937 rng(11);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  const PageView page{bytes.data(), kWidth, kHeight, kWidth * 4, 32};
  sandloop::display::Ramp dusk;
  for (unsigned i = 0; i < 256; ++i) {
    dusk.red[i] = static_cast<std::uint16_t>(i * 182);
    dusk.green[i] = static_cast<std::uint16_t>(i * 112);
    dusk.blue[i] = static_cast<std::uint16_t>(i * 52);
  }
  HeadlessBackend hb;
  hb.Present(page, &dusk);
  double tinted_s = 0, neutral_s = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    hb.Present(page, nullptr);
    benchmark::ClobberMemory();
    const auto t1 = std::chrono::steady_clock::now();
    hb.Present(page, &dusk);
    benchmark::ClobberMemory();
    const auto t2 = std::chrono::steady_clock::now();
    neutral_s += std::chrono::duration<double>(t1 - t0).count();
    const double tinted = std::chrono::duration<double>(t2 - t1).count();
    tinted_s += tinted;
    state.SetIterationTime(tinted);
  }
  state.counters["x_neutral"] = neutral_s > 0 ? tinted_s / neutral_s : 0;
  state.counters["table_builds"] = hb.RampTableBuilds();
  state.SetLabel(sandloop::display::ConvertPageVectorised() ? "vector" : "portable");
}
BENCHMARK(BM_TintedOverNeutralPresent)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
