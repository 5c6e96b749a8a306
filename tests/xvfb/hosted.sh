#!/usr/bin/env bash
# The program hosted in a plain X11 window of another program, under Xvfb:
# the beach appears in it, it follows the window's resize, it ends with
# FINISH in its log and exit code 0 within a second of SIGTERM, and it ends
# cleanly when the window is destroyed under it. Also the try-it window.
# Skipped (exit 77) where Xvfb is missing.
# Usage: hosted.sh SANDLOOP HOST_CHECK
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1") check=$(readlink -f "$2")
command -v Xvfb >/dev/null || { echo "Xvfb missing"; exit 77; }
# No "." in the folder: the log is named after the program path up to its
# first ".".
work=$(mktemp -d /tmp/sandloop-hosted-XXXXXX)
xvfb= host=
trap '[ -n "$host" ] && kill $host 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
# The program as a file of its own, so that its log is found beside it.
mkdir -p "$work/bin"
cp "$exe" "$work/bin/sandloop"
cd "$work"

start_xvfb 1280x1024x24

finishes() { cat "$work"/bin/*.log "$work"/.log "$XDG_STATE_HOME"/sandloop/* 2>/dev/null | grep -c "FINISH"; }
make_host() {
  "$check" makewindow "$1" "$2" > "$work/host.txt" &
  host=$!
  for _ in $(seq 100); do
    [ -s "$work/host.txt" ] && break
    kill -0 $host 2>/dev/null || break
    sleep 0.1
  done
  window=$(head -1 "$work/host.txt")
  case $window in
    0x*) ;;
    *) fail "no host window ($(cat "$work/host.txt"))" ;;
  esac
}
wait_shown() {  # window, what
  for _ in $(seq 40); do
    "$check" nonblack "$1" "${SHOWN_PERCENT:-50}" > "$work/shot.txt" 2>&1 && return 0
    sleep 0.25
  done
  fail "$2: $(cat "$work/shot.txt")"
}

# 1. Hosted, resized, then SIGTERM.
make_host 400 300
"$work/bin/sandloop" -window-id "$window" > "$work/run1.log" 2>&1 &
saver=$!
wait_shown "$window" "the beach does not appear in the host window"
xdotool windowsize "$window" 900 600
sleep 1
"$check" nonblack "$window" "${SHOWN_PERCENT:-50}" > "$work/shot.txt" 2>&1 || fail "the resized window is not filled: $(cat "$work/shot.txt")"
before=$(finishes)
kill -TERM $saver
for _ in $(seq 10); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
kill -0 $saver 2>/dev/null && fail "still running 1 s after SIGTERM"
wait $saver; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM: exit code $rc ($(cat "$work/run1.log"))"
[ "$(finishes)" -gt "$before" ] || fail "SIGTERM: no FINISH in the log"
kill $host; wait $host 2>/dev/null; host=

# 2. The host window is destroyed under the saver.
make_host 320 240
"$work/bin/sandloop" --window-id "$window" > "$work/run2.log" 2>&1 &
saver=$!
wait_shown "$window" "the beach does not appear in the second host window"
before=$(finishes)
kill $host; wait $host 2>/dev/null; host=
for _ in $(seq 20); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
kill -0 $saver 2>/dev/null && fail "still running 2 s after its window was destroyed"
wait $saver; rc=$?
[ $rc -eq 0 ] || fail "destroyed window: exit code $rc ($(cat "$work/run2.log"))"
[ "$(finishes)" -gt "$before" ] || fail "destroyed window: no FINISH in the log"

# 3. The try-it window: its size, the beach, and its end by the usual input.
"$work/bin/sandloop" --window 640x400 > "$work/run3.log" 2>&1 &
saver=$!
win=
for _ in $(seq 100); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "try-it window: none appeared"
xdotool getwindowgeometry "$win" | grep -q "Geometry: 640x400" || fail "try-it window: $(xdotool getwindowgeometry "$win")"
wait_shown "$win" "try-it window: no beach"
for _ in $(seq 50); do
  kill -0 $saver 2>/dev/null || break
  xdotool key --window "$win" a 2>/dev/null
  sleep 0.2
done
wait $saver; rc=$?
[ $rc -eq 0 ] || fail "try-it window: exit code $rc"
echo "3 passed, 0 failed"
