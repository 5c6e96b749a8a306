// One tick of the creatures as the scene steps them: seven eagles (the
// most the starting table holds) and three butterflies. Goal: 5 us.
#include <benchmark/benchmark.h>

#include <chrono>

#include "scene/Creatures.h"

namespace {

using namespace sandloop;

void BM_CreatureTick(benchmark::State& state) {
  SeededRandom random(1);
  EagleArray eagles;
  ButterflyArray butterflies;
  int numButterflies = 0, wingCounter = 0;
  const int numEagles = InitEagles(eagles, 7, random);
  InitButterflies(butterflies, numButterflies, wingCounter);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (int i = 0; i < numEagles; ++i) StepEagle(*eagles[i], random);
    wingCounter = NextWingCounter(wingCounter);
    for (int i = 0; i < numButterflies; ++i) StepButterfly(*butterflies[i]);
    benchmark::DoNotOptimize(wingCounter);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // A tick's time over the 5 us goal.
  state.counters["x_goal"] = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) / 5e-6 : 0;
}
BENCHMARK(BM_CreatureTick)->Unit(benchmark::kNanosecond);

}  // namespace
