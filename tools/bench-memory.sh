#!/usr/bin/env bash
# Resident memory of `sandloop /s` under Xvfb once it has drawn for a few
# seconds: the total, and the largest mappings from /proc/PID/smaps (the
# pages, the X server's shared image, the heap, the program) so that a change
# shows where it moved memory. A benchmark, not a test: it judges nothing.
# Usage: tools/bench-memory.sh [BUILD_DIR] [WxH] [SECONDS]   (default build 1920x1080 4)
set -u
build=$(readlink -f "${1:-build}") size=${2:-1920x1080} seconds=${3:-4}
exe=$build/shell/sandloop
[ -x "$exe" ] || { echo "missing $exe: build first"; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb missing"; exit 1; }
work=$(mktemp -d /tmp/sandloop-mem-XXXXXX)
xvfb= saver=
trap '[ -n "$saver" ] && kill $saver 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "bench-memory: $*"; exit 1; }
. "$(dirname "$0")/../tests/xvfb/start_xvfb.sh"
start_xvfb "${size}x24"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run \
  SDL_AUDIODRIVER=dummy
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
"$exe" /s > "$work/saver.err" 2>&1 &
saver=$!
sleep "$seconds"
kill -0 $saver 2>/dev/null || fail "the saver ended: $(cat "$work/saver.err")"
echo "sandloop /s at $size after $seconds s"
awk '/^VmRSS|^VmHWM/ {printf "%-7s %7.1f MB\n", $1, $2 / 1024}' /proc/$saver/status
# One line per mapping: resident size and what it maps; the ten largest.
awk -v min="${MIN_KB:-1024}" '/^[0-9a-f]+-[0-9a-f]+ / {name = (NF >= 6) ? $6 : "[anonymous]"; if ($6 ~ /SYSV/) name = "[shared image]"}
     /^Rss:/ {rss[name] += $2}
     END {for (n in rss) if (rss[n] >= min) printf "%8.1f MB  %s\n", rss[n] / 1024, n}' /proc/$saver/smaps |
  sort -rn | head -${TOP:-10}
