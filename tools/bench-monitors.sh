#!/usr/bin/env bash
# CPU and memory of `sandloop /s` on two monitors: a private Xorg with the
# dummy video driver, whose outputs DUMMY0 and DUMMY1 are set side by side
# (SDL lists them as two displays), the saver drawing on both. Prints the
# share of one core its threads use over SECONDS, once both monitors have
# been drawn for a few seconds, and its resident memory then. A second
# size of "none" runs one monitor, to compare with.
# A benchmark, not a test: it prints the figures and judges nothing.
# The server is the monitor checks' (tests/xvfb/dummy_xorg.sh), with a
# screen large enough for two 3840x2160 monitors. Needs xserver-xorg-core,
# xserver-xorg-video-dummy and xrandr; as root the server runs as the user
# nobody.
# Usage: tools/bench-monitors.sh BUILD_DIR W0xH0 W1xH1|none [SECONDS]
set -u
build=$(readlink -f "$1") first=$2 second=$3 seconds=${4:-20}
exe=$build/shell/sandloop
[ -x "$exe" ] || { echo "missing $exe: build first"; exit 1; }
. "$(dirname "$(readlink -f "$0")")/../tests/xvfb/dummy_xorg.sh"
dummy_xorg_require
work=$(mktemp -d /tmp/sandloop-bench-monitors-XXXXXX)
chmod 755 "$work"
server= saver=
trap '[ -n "$saver" ] && kill $saver 2>/dev/null; [ -n "$server" ] && kill $server 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }
dummy_xorg_start 7680 2160 131072
# Modes as `cvt` gives them; 3840x2160 with reduced blanking at 30 Hz, as
# the dummy driver's pixel clock stops at 300 MHz.
declare -A timing=(
  [1920x1080]="173.00 1920 2048 2248 2576 1080 1083 1088 1120 -hsync +vsync"
  [2560x1440]="241.50 2560 2608 2640 2720 1440 1443 1448 1481 +hsync -vsync"
  [3840x2160]="266.64 3840 3888 3920 4000 2160 2163 2168 2222 +hsync -vsync"
)
mode_of() {  # WxH -> a mode name both outputs know
  [ "$1" = 1024x768 ] && { echo 1024x768; return; }
  [ -n "${timing[$1]:-}" ] || { echo "no timing for $1" >&2; exit 1; }
  xrandr --newmode "$1_b" ${timing[$1]} 2>/dev/null
  xrandr --addmode DUMMY0 "$1_b" 2>/dev/null
  xrandr --addmode DUMMY1 "$1_b" 2>/dev/null
  echo "$1_b"
}
m0=$(mode_of "$first") || exit 1
if [ "$second" = none ]; then
  xrandr --output DUMMY0 --primary --mode "$m0" --pos 0x0 || exit 1
else
  m1=$(mode_of "$second") || exit 1
  xrandr --output DUMMY0 --primary --mode "$m0" --pos 0x0 --output DUMMY1 --mode "$m1" --pos "${first%x*}x0" || exit 1
fi
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
"$exe" /s --set flag_PlaySound=0 >/dev/null 2>&1 &
saver=$!
sleep 6
ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$saver/stat"; }
c0=$(cpu)
sleep "$seconds"
c1=$(cpu)
rss=$(awk '/VmRSS/ { print $2 }' "/proc/$saver/status")
hwm=$(awk '/VmHWM/ { print $2 }' "/proc/$saver/status")
awk -v a="$first" -v b="$second" -v c=$((c1 - c0)) -v t="$ticks" -v d="$seconds" -v r="$rss" -v p="$hwm" \
  'BEGIN { printf "%s + %s: %.2f %% of one core, %.1f MB resident (peak %.1f MB)\n", a, b, 100 * c / t / d, r / 1024, p / 1024 }'
