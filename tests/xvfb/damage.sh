#!/usr/bin/env bash
# Repair of a damaged picture, with the real program under Xvfb (no
# compositor, no GPU renderer): a window mapped over the full-screen saver
# and taken away again, and the saver's own --window resized and brought
# back to its size. Each time a screenshot afterwards must equal the one
# taken before, outside the surf (the only part of this still scene that
# moves: no creatures, clock, tint or text lines).
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: damage.sh SANDLOOP SCREEN_TOOL
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1") tool=$(readlink -f "$2")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d /tmp/sandloop-damage-XXXXXX)
xvfb= saver=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$xvfb" ] && kill -9 $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
cd "$work"

start_xvfb 1024x768x24

still=(--set flag_PlaySound=0 --set NumEagles=0 --set FlagShowButterfly=0 --set flag_clock=0
       --set FlagDemoDaytime=0 --set FlagDaytime=0 --set ShowRisSet=0 --set flag_fps=0)
start_saver() {  # geometry the window reaches, arguments...
  local geometry=$1
  shift
  "$exe" "$@" "${still[@]}" >"$work/err" 2>&1 &
  saver=$!
  win=
  for _ in $(seq 100); do
    win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
    [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: $geometry" && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no saver window ($(cat "$work/err"))"
  sleep 1  # the first frames
}
end_saver() {
  for _ in $(seq 25); do
    kill -0 $saver 2>/dev/null || break
    xdotool key --window "$win" a 2>/dev/null
    sleep 0.2
  done
  wait $saver; local rc=$?
  saver=
  [ $rc -eq 0 ] || fail "exit code $rc ($(cat "$work/err"))"
}

# 1. Full screen: another window passes over the beach. The far surf
# starts at row 492 at 1024 x 768; everything above it stands still.
start_saver 1024x768 /s
"$tool" shot 0 before.ppm || fail "no screenshot"
"$tool" cover 100 100 400 300 600 &
cover=$!
sleep 0.3
"$tool" shot 0 covered.ppm
[ "$("$tool" fill covered.ppm 100 100 500 400 255 0 0)" -ge 90 ] || fail "the passing window did not show"
wait $cover
sleep 0.5
"$tool" shot 0 after.ppm
"$tool" same before.ppm after.ppm 0 0 1024 490 >diff.txt || fail "passing window: the picture was not repaired: $(cat diff.txt)"
echo "ok: a window passed over the full-screen saver"
end_saver

# 2. The saver's own window made larger and brought back to its size,
# which gives it a new, black window surface. At 640 x 480 the far surf
# starts at row 308.
start_saver 640x480 /s --window 640x480
"$tool" shot "$win" before.ppm || fail "no screenshot of the window"
xdotool windowsize "$win" 900 700
sleep 0.5
xdotool windowsize "$win" 640 480
sleep 0.7
xdotool getwindowgeometry "$win" | grep -q "Geometry: 640x480" || fail "the window did not come back to 640x480"
"$tool" shot "$win" after.ppm
"$tool" same before.ppm after.ppm 0 0 640 300 >diff.txt || fail "resized window: the picture was not repaired: $(cat diff.txt)"
echo "ok: the saver's window resized and restored"
end_saver
echo "2 passed, 0 failed"
