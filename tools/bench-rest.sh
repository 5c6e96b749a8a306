#!/usr/bin/env bash
# CPU and wake-ups of `sandloop /s` under Xvfb while it draws, and while it
# rests because the server's own saver is on (as it is in DPMS standby or
# off): the share of one core its threads use, and their context switches
# a second, over SECONDS each.
# A benchmark, not a test: it prints the figures and judges nothing.
# Usage: tools/bench-rest.sh [BUILD_DIR] [WxH] [SECONDS]   (default build 1920x1080 20)
set -u
build=$(readlink -f "${1:-build}") size=${2:-1920x1080} seconds=${3:-20}
exe=$build/shell/sandloop
[ -x "$exe" ] || { echo "missing $exe: build first"; exit 1; }
command -v xset >/dev/null || { echo "xset missing"; exit 1; }
. "$(dirname "$0")/saver-on-xvfb.sh"
saver_on_xvfb bench-rest "$exe" "$size" 5

ticks=$(getconf CLK_TCK)
# user+system clock ticks of the process, and context switches of all its threads.
cpu() { awk '{ print $14 + $15 }' "/proc/$saver/stat"; }
switches() { cat /proc/$saver/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n }'; }
measure() {  # label
  local c0 s0 c1 s1
  c0=$(cpu) s0=$(switches)
  sleep "$seconds"
  c1=$(cpu) s1=$(switches)
  awk -v l="$1" -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t="$ticks" -v d="$seconds" \
    'BEGIN { printf "%-8s %6.2f %% of one core, %7.1f context switches a second\n", l, 100 * c / t / d, s / d }'
}
echo "sandloop /s at $size, $seconds s each"
measure drawing
xset s activate
sleep 2
measure resting
