#pragma once
// Timing side by side with memcpy: each case reports "x_memcpy", its time
// divided by the time of a memcpy of a stated number of bytes measured in
// the same iterations, so that the figure does not depend on the machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs `op` once per iteration, timed by hand, with a memcpy of `bytes`
// timed just before it; the ratio of the two totals is reported. `after`
// runs untimed after each `op`.
template <typename Op, typename After = void (*)()>
void Measure(benchmark::State& state, std::size_t bytes, Op op, After after = [] {}) {
  std::vector<std::uint8_t> a(bytes, 1), b(bytes, 2);
  double op_total = 0, copy_total = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    op();
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    copy_total += Seconds(t1 - t0);
    op_total += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
    after();
  }
  state.counters["x_memcpy"] = op_total / copy_total;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace bench
