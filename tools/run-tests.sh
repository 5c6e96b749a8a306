#!/usr/bin/env bash
# Builds and runs every test: a normal build, an AddressSanitizer and
# UndefinedBehaviorSanitizer build, a ThreadSanitizer build of the suites
# whose code runs on more than one thread, and the Windows build under Wine
# (tools/run-windows-tests.sh). Stops at the first failure. Needs the
# packages of `tools/setup-debian.sh --windows`.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# Everything every check needs is installed: a check that skips fails
# (tools/run-ctest.sh), and so does a missing Linux build for the Windows
# saver's check against it.
export SANDLOOP_REQUIRE_ALL=1

build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

echo "== normal build"
build build
# The Windows saver's check against this build runs with the Windows
# tests (tools/run-windows-tests.sh), once the Windows build exists.
bash tools/run-ctest.sh build -j"$jobs" -E '^WineSaver$'
echo "== Debian package: built, its file list and dependencies checked, lintian"
bash tools/make-deb.sh build
bash tools/check-deb.sh build/sandloop_*_amd64.deb
echo "== soak: resident memory stays flat over 200,000 ticks"
build/tools/soak_scene 200000

echo "== address and undefined-behaviour sanitizers"
build build-asan -DSANDLOOP_SANITIZE=address,undefined -DSANDLOOP_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  bash tools/run-ctest.sh build-asan -j"$jobs"
echo "== soak under the address and undefined-behaviour sanitizers"
ASAN_OPTIONS=detect_leaks=1 build-asan/tools/soak_scene 200000 --max-growth-kb 0

echo "== thread sanitizer"
build build-tsan -DSANDLOOP_SANITIZE=thread -DSANDLOOP_BENCH=OFF -DSANDLOOP_SDL=OFF
TSAN_OPTIONS=halt_on_error=1 bash tools/run-ctest.sh build-tsan -j"$jobs"
echo "== soak under the thread sanitizer"
TSAN_OPTIONS=halt_on_error=1 build-tsan/tools/soak_scene 200000 --max-growth-kb 0

echo "== Windows build under Wine"
bash tools/run-windows-tests.sh
