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
. "$(dirname "$0")/saver-on-xvfb.sh"
saver_on_xvfb bench-memory "$exe" "$size" "$seconds"
echo "sandloop /s at $size after $seconds s"
awk '/^VmRSS|^VmHWM/ {printf "%-7s %7.1f MB\n", $1, $2 / 1024}' /proc/$saver/status
# One line per mapping: resident size and what it maps; the ten largest.
awk -v min="${MIN_KB:-1024}" '/^[0-9a-f]+-[0-9a-f]+ / {name = (NF >= 6) ? $6 : "[anonymous]"; if ($6 ~ /SYSV/) name = "[shared image]"}
     /^Rss:/ {rss[name] += $2}
     END {for (n in rss) if (rss[n] >= min) printf "%8.1f MB  %s\n", rss[n] / 1024, n}' /proc/$saver/smaps |
  sort -rn | head -${TOP:-10}
