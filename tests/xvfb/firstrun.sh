#!/usr/bin/env bash
# The very first run hosted in another program's small window (as a saver
# daemon's settings preview starts it), then a full-screen run, with the
# real program under Xvfb at 1280 x 1024: the first run stores the
# monitor's mode and the clock's place for it (1280, 1024, clockX 1190),
# never its window's, and the full-screen run draws the clock there.
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: firstrun.sh SANDLOOP HOST_CHECK SCREEN_TOOL
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1") check=$(readlink -f "$2") tool=$(readlink -f "$3")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d /tmp/sandloop-firstrun-XXXXXX)
xvfb= saver= host=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$host" ] && kill $host 2>/dev/null
      [ -n "$xvfb" ] && kill -9 $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
store=$XDG_CONFIG_HOME/sandloop/registry.reg
cd "$work"

start_xvfb 1280x1024x24

stored() { printf '%d' "0x$(sed -n "s/^\"$1\"=dword:\([0-9a-fA-F]*\).*/\1/p" "$store" | tr -d '\r')"; }

# 1. The first run, hosted in a 320 x 240 window.
"$check" makewindow 320 240 >"$work/host.txt" &
host=$!
for _ in $(seq 50); do [ -s "$work/host.txt" ] && break; sleep 0.1; done
window=$(head -1 "$work/host.txt")
[ -n "$window" ] || fail "no host window"
"$exe" -window-id "$window" --set flag_PlaySound=0 >"$work/err" 2>&1 &
saver=$!
for _ in $(seq 50); do [ -s "$store" ] && break; sleep 0.1; done
[ -s "$store" ] || fail "the first run stored nothing ($(cat "$work/err"))"
sleep 0.5
kill -TERM $saver; wait $saver; saver=
kill $host; wait $host 2>/dev/null; host=
for v in "ResHor 1280" "ResVert 1024" "clockX 1190" "clockY 90" "clockRad 70"; do
  set -- $v
  [ "$(stored "$1")" -eq "$2" ] || fail "hosted first run stored $1 = $(stored "$1"), not $2"
done
echo "ok: a hosted first run stores the monitor's mode and clock place"

# 2. The full-screen run that follows draws the clock (white from the
# second run on) at 1190, 90: white appears in its box and nowhere near
# where the host window's place (x 230) would have put it.
"$exe" /s --set flag_PlaySound=0 --set FlagDemoDaytime=0 --set ShowRisSet=0 >"$work/err" 2>&1 &
saver=$!
for _ in $(seq 100); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1280x1024" && break
  sleep 0.1
done
[ -n "$win" ] || fail "no full-screen window ($(cat "$work/err"))"
sleep 1
"$tool" shot 0 full.ppm || fail "no screenshot"
at_clock=$("$tool" fill full.ppm 1120 20 1260 160 255 255 255)
at_host_place=$("$tool" fill full.ppm 160 20 300 160 255 255 255)
[ "$at_clock" -ge 1 ] || fail "no clock at 1190, 90 ($at_clock % white)"
[ "$at_host_place" -eq 0 ] || fail "white at the host window's clock place ($at_host_place %)"
xdotool key --window "$win" a
for _ in $(seq 20); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
wait $saver; rc=$?
saver=
[ $rc -eq 0 ] || fail "full-screen run: exit code $rc"
echo "ok: the full-screen run draws the clock at its stored place ($at_clock % of its box white)"
echo "2 passed, 0 failed"
