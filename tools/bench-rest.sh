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
for tool in Xvfb xset; do command -v $tool >/dev/null || { echo "$tool missing"; exit 1; }; done
work=$(mktemp -d /tmp/sandloop-bench-XXXXXX)
xvfb= saver=
trap '[ -n "$saver" ] && kill $saver 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "bench-rest: $*"; exit 1; }
. "$(dirname "$0")/../tests/xvfb/start_xvfb.sh"
start_xvfb "${size}x24"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run \
  SDL_AUDIODRIVER=dummy
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
mkdir -p "$work/bin" && cp "$exe" "$work/bin/sandloop"
"$work/bin/sandloop" /s > "$work/saver.err" 2>&1 &
saver=$!
sleep 5
kill -0 $saver 2>/dev/null || fail "the saver ended: $(cat "$work/saver.err")"

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
