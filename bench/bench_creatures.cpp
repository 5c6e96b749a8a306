// One tick of the creatures as the scene steps them: seven eagles (the
// most the starting table holds) and three butterflies. Goal: 5 us.
#include <benchmark/benchmark.h>

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
  for (auto _ : state) {
    for (int i = 0; i < numEagles; ++i) StepEagle(*eagles[i], random);
    wingCounter = NextWingCounter(wingCounter);
    for (int i = 0; i < numButterflies; ++i) StepButterfly(*butterflies[i]);
    benchmark::DoNotOptimize(wingCounter);
  }
  state.counters["x_goal"] = benchmark::Counter(static_cast<double>(state.iterations()) * 5e-6,
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CreatureTick)->Unit(benchmark::kNanosecond);

}  // namespace
