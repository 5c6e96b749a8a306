#!/usr/bin/env bash
# The saver frozen for a while and thawed, as a machine that sleeps and
# wakes leaves it (SIGSTOP and SIGCONT: every thread stops, the clocks go
# on): it still runs, its log names no error, it draws again, and a key
# then ends it in order. Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: suspend.sh SANDLOOP HOST_CHECK SCREEN_TOOL
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1") check=$(readlink -f "$2") screen=$(readlink -f "$3")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d)
xvfb= saver=
trap '[ -n "$saver" ] && kill -CONT $saver 2>/dev/null && kill $saver 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- log"; cat "$work/bin/sandloop.log" 2>/dev/null | tail -8; exit 1; }
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state SDL_AUDIODRIVER=dummy
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
mkdir -p "$work/bin" && cp "$exe" "$work/bin/sandloop"
start_xvfb 800x600x24

"$work/bin/sandloop" /s --set flag_clock=0 > "$work/err" 2>&1 &
saver=$!
win=
for _ in $(seq 100); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && "$check" nonblack "$win" 50 > /dev/null 2>&1 && break
  win=; sleep 0.1
done
[ -n "$win" ] || fail "no beach on the screen ($(cat "$work/err"))"
sleep 1
kill -STOP $saver
sleep 4
kill -CONT $saver
sleep 2
kill -0 $saver 2>/dev/null || fail "the saver ended after it was thawed ($(cat "$work/err"))"
grep -qE "ExceptionMessage|DDmain1Error|FINISH WITH E" "$work/bin/sandloop.log" && fail "the log names an error"
# The surf moves again: two pictures of the screen half a second apart differ.
"$check" nonblack "$win" 50 > /dev/null 2>&1 || fail "the screen is not the beach after the thaw"
"$screen" shot 0 "$work/a.ppm" || fail "no screenshot"
sleep 0.5
"$screen" shot 0 "$work/b.ppm" || fail "no screenshot"
"$screen" same "$work/a.ppm" "$work/b.ppm" 0 0 800 600 > /dev/null && fail "nothing moves on the screen after the thaw"
for _ in $(seq 50); do
  kill -0 $saver 2>/dev/null || break
  xdotool key --window "$win" a 2>/dev/null
  sleep 0.2
done
wait $saver; rc=$?; saver=
[ $rc -eq 0 ] || fail "exit code $rc after the key"
[ "$(grep -c 'FINISH AT' "$work/bin/sandloop.log")" -eq 1 ] || fail "no single FINISH line in the log"
echo "1 passed, 0 failed"
