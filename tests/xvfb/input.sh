#!/usr/bin/env bash
# Input to the real program under Xvfb at 1024 x 768: a mouse button ends
# the saver as a key does, and does nothing when only Esc ends it; a clock
# stored off the screen shows once the arrow keys have moved it back, and
# its new place is stored.
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: input.sh SANDLOOP SCREEN_TOOL
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1") tool=$(readlink -f "$2")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d /tmp/sandloop-input-XXXXXX)
xvfb= saver=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$xvfb" ] && kill -9 $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
store=$XDG_CONFIG_HOME/sandloop/registry.reg
cd "$work"

start_xvfb 1024x768x24

stored() { printf '%d' "0x$(sed -n "s/^\"$1\"=dword:\([0-9a-fA-F]*\).*/\1/p" "$store" | tr -d '\r')"; }
start_saver() {
  "$exe" /s --set flag_PlaySound=0 --set FlagDemoDaytime=0 --set ShowRisSet=0 "$@" >"$work/err" 2>&1 &
  saver=$!
  win=
  for _ in $(seq 100); do
    win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
    [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no saver window ($(cat "$work/err"))"
  sleep 0.7  # the pointer stands over the full-screen window, unmoved
}
expect_end() {  # label
  for _ in $(seq 20); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
  kill -0 $saver 2>/dev/null && fail "$1: the saver still runs"
  wait $saver; local rc=$?
  saver=
  [ $rc -eq 0 ] || fail "$1: exit code $rc"
}

# 1. A click ends the saver.
start_saver
kill -0 $saver 2>/dev/null || fail "the saver ended before the click"
xdotool click 1
expect_end "click"
echo "ok: a click ends the saver"

# 2. Esc only: a click does nothing. A Right stores the clock's place of
# this run, x 1060, off the 1024-pixel screen (Right stops at 934 and moves
# nothing, but the place is stored on every arrow key).
start_saver --set TermMouse=0 --set clockX=1060
xdotool click 1
sleep 0.5
kill -0 $saver 2>/dev/null || fail "a click ended the saver in Esc-only mode"
xdotool key --window "$win" Right
for _ in $(seq 20); do [ "$(stored clockX)" -eq 1060 ] && break; sleep 0.1; done
[ "$(stored clockX)" -eq 1060 ] || fail "clockX stored as $(stored clockX), not 1060"
xdotool key --window "$win" Escape
expect_end "Esc"
echo "ok: a click does nothing when only Esc ends the saver"

# 3. The next run starts with the clock off the screen; 40 presses of Left
# bring its centre to 1020, where it shows (white, from the second run on).
start_saver --set TermMouse=0
"$tool" shot 0 hidden.ppm
[ "$("$tool" fill hidden.ppm 944 20 1024 160 255 255 255)" -eq 0 ] || fail "white where no clock should be"
for _ in $(seq 40); do xdotool key --window "$win" Left; done
for _ in $(seq 30); do [ "$(stored clockX)" -eq 1020 ] && break; sleep 0.1; done
[ "$(stored clockX)" -eq 1020 ] || fail "clockX stored as $(stored clockX), not 1020"
sleep 0.3
"$tool" shot 0 shown.ppm
[ "$("$tool" fill shown.ppm 944 20 1024 160 255 255 255)" -ge 1 ] || fail "the clock moved back does not show"
xdotool key --window "$win" Escape
expect_end "Esc"
echo "ok: a clock moved back onto the screen shows"
echo "3 passed, 0 failed"
