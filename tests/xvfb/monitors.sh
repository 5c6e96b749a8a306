#!/usr/bin/env bash
# The full-screen saver on two monitors of one X screen: every monitor
# shows the beach, each at its own size (the primary's with the clock),
# and a key ends it in order. Xvfb's screens are not monitors to SDL, so
# this runs a private Xorg with the dummy video driver, whose RandR outputs
# DUMMY0 and DUMMY1 are set side by side with xrandr: SDL lists them as two
# displays. Two layouts: 1024x768 beside 1280x1024 (different sizes and
# shapes, an uncovered strip of the root below the smaller one), and two
# 1920x1080 monitors.
# Each monitor's part of a screenshot of the root must be covered (next
# to no black and none of the root's own colour), have a blue sky, and
# show the still scenery as `sandloop --render` draws it at that monitor's
# own size (the primary's beach scaled to the second monitor's size must
# not pass for it). The same checks of a screenshot taken before the saver
# starts must fail, or they would not see an uncovered monitor. After a
# key (or the pointer moved over the second monitor) the saver ends with
# exit code 0, its log holds one START and one
# FINISH line, and the root shows again on both monitors. The pointer
# stays where it was, while the saver runs and after it ends.
# The server, its layouts and the steps the Windows saver's check under
# Wine shares are in dummy_xorg.sh, the checks of a screenshot in
# tests/lib/picture_checks.sh.
# Skipped (exit 77) where Xorg, its dummy driver, xrandr, xsetroot,
# xdotool or netpbm is missing.
# Usage: monitors.sh SANDLOOP SCREEN_TOOL
# With SANDLOOP_SHOTS set to a folder, the screenshots are kept there.
set -u
exe=$(readlink -f "$1") screen_tool=$(readlink -f "$2")
. "$(dirname "$(readlink -f "$0")")/dummy_xorg.sh"
dummy_xorg_require xdotool "${picture_tools[@]}"
# No "." in the folder: the log is named after the program path up to its
# first ".".
work=$(mktemp -d /tmp/sandloop-monitors-XXXXXX)
chmod 755 "$work"
mkdir -p "$work/bin"
cp "$exe" "$work/bin/sandloop"
server= saver=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$server" ] && { kill $server 2>/dev/null; wait $server 2>/dev/null; }; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- saver's output"; tail -20 "$work/err" 2>/dev/null
  echo "--- log"; tail -8 "$work/bin/sandloop.log" 2>/dev/null
  exit 1
}
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
cd "$work" || exit 1
dummy_xorg_start

# The settings of every run and rendering here: no tint, which would
# follow the time of day between the rendering and the screenshot.
settings=(--set flag_PlaySound=0 --set FlagDemoDaytime=0 --set FlagDaytime=0)

# One layout: the primary's size, then the second monitor's, which stands
# right of the primary, tops level; the saver on both.
layout() {
  local w0=$1 h0=$2 w1=$3 h1=$4 how=$5 name="$1x$2+$3x$4" lines win=
  dummy_xorg_layout "$w0" "$h0" "$w1" "$h1" "$name"

  # The references: the beach as this build renders it at each size, the
  # further monitor's without the clock and the text lines only the
  # primary shows.
  ./bin/sandloop --render ref0.png --size "${w0}x${h0}" "${settings[@]}" > /dev/null &&
    ./bin/sandloop --render ref1.png --size "${w1}x${h1}" "${settings[@]}" --set flag_clock=0 --set ShowRisSet=0 \
      --set FlagShowSimulateTime=0 > /dev/null || fail "sandloop --render failed"
  pngtopnm ref0.png > ref0.ppm && pngtopnm ref1.png > ref1.ppm || fail "pngtopnm failed"

  # Before the saver runs, the checks must find both monitors uncovered.
  dummy_xorg_uncovered "$name" "$w0" "$h0" "$w1" "$h1"

  rm -f bin/sandloop.log
  # The pointer where a person left it: the saver, its windows and covers
  # going full screen without a window manager, must not move it.
  xdotool mousemove 37 41 || fail "$name: cannot place the pointer"
  ./bin/sandloop /s "${settings[@]}" > "$work/err" 2>&1 &
  saver=$!
  dummy_xorg_window "$name" "$w0" "$h0" 100
  # Both monitors show the beach, each composed for its own size.
  dummy_xorg_beach "$name" "$w0" "$h0" "$w1" "$h1" x11
  [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:37 y:41" ] ||
    fail "$name: the saver moved the pointer to $(xdotool getmouselocation)"

  # A key to the saver's window ends it, or the pointer moved over the
  # second monitor.
  dummy_xorg_end "$name" "$how" "$w0" --window "$win"
  [ "$how" = mouse ] || [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:37 y:41" ] ||
    fail "$name: the pointer moved to $(xdotool getmouselocation) when the saver ended"
  lines=$(cat bin/sandloop.log "$XDG_STATE_HOME"/sandloop/*.log 2>/dev/null)
  [ "$(grep -c 'START AT' <<<"$lines")" -eq 1 ] || fail "$name: not one START line in the log"
  [ "$(grep -c 'FINISH AT' <<<"$lines")" -eq 1 ] || fail "$name: not one FINISH line in the log"
  # Its windows have gone from both monitors: the root shows again.
  "$screen_tool" shot 0 after.ppm || fail "$name: no screenshot"
  [ "$("$screen_tool" fill after.ppm 0 0 $((w0 + w1)) "$h0" "${backdrop_rgb[@]}")" -ge 98 ] ||
    fail "$name: the monitors are still covered after the saver ended"
  echo "$name: ok"
}

# A third monitor switched on while the saver runs on two: the saver either
# covers it with the beach or ends in order (exit code 0, FINISH in the
# log) within 5 s; it never leaves it showing the desktop and runs on.
plug_in() {
  local i rc shot_ok=
  dummy_xorg_layout 1024 768 1024 768 plug-in
  ./bin/sandloop --render ref2.png --size 1024x768 "${settings[@]}" --set flag_clock=0 --set ShowRisSet=0 \
    --set FlagShowSimulateTime=0 > /dev/null && pngtopnm ref2.png > ref2.ppm || fail "sandloop --render failed"
  rm -f bin/sandloop.log
  ./bin/sandloop /s "${settings[@]}" > "$work/err" 2>&1 &
  saver=$!
  for i in $(seq 40); do
    sleep 0.25
    "$screen_tool" shot 0 shot.ppm && shows_beach shot.ppm 1024 0 1024 768 ref2.ppm > /dev/null && break
  done
  kill -0 $saver 2>/dev/null || fail "plug-in: the saver ended before the third monitor came"
  xrandr --addmode DUMMY2 1024x768 && xrandr --output DUMMY2 --mode 1024x768 --pos 2048x0 ||
    fail "plug-in: xrandr could not add the third monitor"
  for i in $(seq 20); do
    sleep 0.25
    kill -0 $saver 2>/dev/null || break
    "$screen_tool" shot 0 shot.ppm && shows_beach shot.ppm 2048 0 1024 768 ref2.ppm > /dev/null && shot_ok=1 && break
  done
  if [ -n "$shot_ok" ]; then
    echo "plug-in: the third monitor shows the beach"
    xdotool key a
    sleep 1
  fi
  kill -0 $saver 2>/dev/null && fail "plug-in: 5 s after a third monitor came it is neither covered nor the saver ended"
  wait $saver; rc=$?
  saver=
  [ $rc -eq 0 ] || fail "plug-in: exit code $rc"
  grep -q 'FINISH AT' bin/sandloop.log || fail "plug-in: no FINISH line in the log"
  [ -n "$shot_ok" ] || echo "plug-in: the saver ended in order ($(tail -1 "$work/err"))"
  xrandr --output DUMMY2 --off
}

layout 1024 768 1280 1024 key
layout 1920 1080 1920 1080 mouse
plug_in
echo "1 passed, 0 failed"
