#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tools/fuzz with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each for a bounded time (60 s,
# or FUZZ_SECONDS) from its seed corpus and the inputs kept in tests/data.
# Fails when any harness finds a crash, a leak, a time-out or a broken
# check; the input is left in build-fuzz/crashes/ and is kept under the
# harness's folder in tests/data once mended, so that the normal suite
# replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
jobs=$(nproc)
targets=(settings picture cmdline city)
declare -A kept=([settings]=tests/data/settings [picture]=tests/data/pictures
                 [cmdline]=tests/data/cmdline [city]=tests/data/cities)

echo "== fuzz harnesses (clang, address and undefined-behaviour sanitizers)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSANDLOOP_SANITIZE=address,undefined -DSANDLOOP_FUZZ=ON \
  -DSANDLOOP_TESTS=OFF -DSANDLOOP_BENCH=OFF -DSANDLOOP_SDL=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target "${targets[@]/#/fuzz_}"

failed=()
mkdir -p build-fuzz/crashes
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  rm -rf "$work"
  mkdir -p "$work"  # new inputs go here, never into the repository
  seeds=("tools/fuzz/corpus/$t")
  [[ -d ${kept[$t]} ]] && seeds+=("${kept[$t]}")
  log=build-fuzz/fuzz_$t.log
  echo "== fuzz_$t for ${seconds} s"
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "build-fuzz/tools/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 \
       -timeout=25 -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$t-" \
       "$work" "${seeds[@]}" >"$log" 2>&1; then
    grep -E "DONE|stat::number_of_executed_units|stat::peak_rss_mb" "$log" || true
  else
    failed+=("$t")
    tail -n 60 "$log"
    echo "fuzz_$t FAILED; the input is in build-fuzz/crashes/"
  fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "fuzzing: no faults found"
