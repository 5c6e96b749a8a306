#!/usr/bin/env bash
# Real-window checks of the sandloop program: without a display it ends at
# once with a clear message; under Xvfb run mode shows a full-screen window
# and ends on a key with exit code 0; /p abc names the bad handle.
# Skipped (exit 77) where Xvfb or xdotool is missing.
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

# 1. No display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$exe" /s 2>&1); rc=$?
[ $rc -eq 0 ] || fail "no display: exit code $rc ($out)"
grep -q "the display cannot be opened" <<<"$out" || fail "no display: message missing: $out"

# 2. A virtual screen.
# Xvfb picks a free display number itself and writes it once it is ready;
# -noreset keeps it from restarting (and refusing connections) whenever
# its last client leaves.
start_xvfb 1024x768x24
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb at $DISPLAY does not answer"

timeout 30 "$exe" /s > run.log 2>&1 &
saver=$!
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && break
  sleep 0.1
done
[ -n "$win" ] || fail "run mode: no window appeared ($(cat run.log))"
xdotool getwindowgeometry "$win" | grep -q "Geometry: 1024x768" || fail "run mode: window is not full screen"
# Press a key until the saver has gone (the window may take a moment to
# receive input on a loaded machine).
for _ in $(seq 50); do
  kill -0 $saver 2>/dev/null || break
  xdotool key --window "$win" a 2>/dev/null
  sleep 0.2
done
wait $saver; rc=$?
[ $rc -eq 0 ] || fail "run mode: exit code $rc ($(cat run.log))"
[ -s "$XDG_CONFIG_HOME/sandloop/registry.reg" ] || fail "run mode: settings were not stored"

# 3. A handle that is not a number (the message box falls back to stderr
# only without a display, so read it from a display-less run).
out=$(env -u DISPLAY timeout 20 "$exe" /p abc 2>&1); rc=$?
[ $rc -eq 0 ] || fail "/p abc: exit code $rc"
grep -q "'abc' is not a valid integer value" <<<"$out" || fail "/p abc: message missing: $out"
echo "1 passed, 0 failed"
