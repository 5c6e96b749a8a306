#!/usr/bin/env bash
# Time from start to the first frame on the screen of `sandloop /s` under
# Xvfb, on a first run (no settings stored) and on a later one, with and
# without a session bus. Each case starts on a fresh X server and a fresh
# home, so that no bus started on demand by an earlier run is found.
# A benchmark, not a test: it prints the times and judges nothing.
# Usage: tools/bench-first-frame.sh [BUILD_DIR]   (default build)
set -u
build=$(readlink -f "${1:-build}")
exe=$build/shell/sandloop check=$build/tests/host_check
for f in "$exe" "$check"; do [ -x "$f" ] || { echo "missing $f: build first"; exit 1; }; done
for tool in Xvfb xwininfo; do command -v $tool >/dev/null || { echo "$tool missing"; exit 1; }; done
now() { date +%s.%N; }

# One case: "$1" is bus or nobus; prints first-run and later-run times.
measure() {
  local work xvfb bus_pid= root t0 t1 i run
  work=$(mktemp -d /tmp/sandloop-bench-XXXXXX)
  mkdir -p "$work/bin" && cp "$exe" "$work/bin/sandloop"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for i in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  (
    export DISPLAY=:$(head -1 "$work/display") HOME=$work/home XDG_CONFIG_HOME=$work/config \
      XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run SDL_AUDIODRIVER=dummy
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
    if [ "$1" = bus ]; then
      command -v dbus-daemon >/dev/null || { echo "  dbus-daemon missing"; exit 0; }
      eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
        read -r a; read -r p; echo "export DBUS_SESSION_BUS_ADDRESS='$a'; bus_pid=$p"; })"
    fi
    root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
    for run in first later; do
      t0=$(now)
      "$work/bin/sandloop" /s > /dev/null 2>&1 &
      saver=$!
      t1=
      for i in $(seq 300); do
        "$check" nonblack "$root" 50 > /dev/null 2>&1 && { t1=$(now); break; }
        sleep 0.02
      done
      kill -TERM $saver 2>/dev/null; wait $saver 2>/dev/null
      if [ -n "$t1" ]; then
        printf '  %-5s run: %.2f s to the first frame\n' $run "$(echo "$t1 - $t0" | bc -l)"
      else
        echo "  $run run: no frame within 6 s"
      fi
      # The black screen again before the next run.
      sleep 0.5
    done
    [ -n "$bus_pid" ] && kill "$bus_pid"
    # A bus that a library started on demand for this display lives on
    # after the saver; it is ours to end.
    for p in /proc/[0-9]*; do
      [ "$(cat "$p/comm" 2>/dev/null)" = dbus-daemon ] || continue
      tr '\0' '\n' 2>/dev/null < "$p/environ" | grep -qx "DISPLAY=$DISPLAY" || continue
      echo "  (a bus was started on demand: pid ${p#/proc/})"
      kill "${p#/proc/}"
    done
  )
  kill $xvfb; wait $xvfb 2>/dev/null
  rm -rf "$work"
}

echo "without a session bus:"
measure nobus
echo "with a session bus:"
measure bus
