#!/usr/bin/env bash
# A quiet start under Xvfb: with the sound on and no audio device (ALSA
# asked for a card that does not exist), stderr holds exactly our one line
# about the silence, nothing of the audio library's; the pointer stays
# where it was while the saver runs full screen and after it ends. With a
# window manager (openbox, where installed) SDL's own placing of the
# pointer, when the window leaves full screen, would move it from the
# screen's corner to the window's.
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: quiet.sh SANDLOOP
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
# No "." in the folder: the log is named after the program path up to its
# first ".".
work=$(mktemp -d /tmp/sandloop-quiet-XXXXXX)
saver= xvfb= wm=
trap 'kill -KILL $saver 2>/dev/null; kill $wm 2>/dev/null; kill $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$work/bin" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$exe" "$work/bin/sandloop"
# A private runtime folder: the lock that lets one copy play the surf is
# kept there, and another test's saver must not hold it.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY SDL_VIDEODRIVER
cd "$work"

start_xvfb 1024x768x24
if command -v openbox >/dev/null; then
  openbox > /dev/null 2>&1 &
  wm=$!
  for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
else
  echo "openbox missing: the pointer is checked without a window manager"
fi
xdotool mousemove 0 0 || fail "xdotool cannot move the pointer"
where() { xdotool getmouselocation | sed 's/ screen.*//'; }
before=$(where)

SDL_AUDIODRIVER=alsa ALSA_CARD=sandloop-no-such-card "$work/bin/sandloop" /s --set flag_PlaySound=1 \
  > "$work/out.txt" 2> "$work/err.txt" &
saver=$!
up=
for _ in $(seq 150); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && { up=1; break; }
  kill -0 $saver 2>/dev/null || break
  sleep 0.1
done
[ -n "$up" ] || fail "the saver did not come up: $(cat "$work/err.txt")"
sleep 1
during=$(where)
kill -TERM $saver
wait $saver; rc=$?
saver=
after=$(where)
[ $rc -eq 0 ] || fail "exit code $rc"
grep -q "FINISH AT" "$work/bin/sandloop.log" || fail "no FINISH in the log"

lines=$(wc -l < "$work/err.txt")
[ "$lines" -eq 1 ] && grep -q "^sandloop: no sound: " "$work/err.txt" ||
  fail "stderr is not exactly our one line ($lines lines): $(cat "$work/err.txt")"
echo "stderr: $(cat "$work/err.txt")"
[ "$during" = "$before" ] || fail "the pointer moved when the saver started: $before, then $during"
[ "$after" = "$before" ] || fail "the pointer moved when the saver ended: $before, then $after"
echo "1 passed, 0 failed"
