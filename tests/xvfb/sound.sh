#!/usr/bin/env bash
# The surf sound of a running saver, seen through SDL's disk audio driver,
# which writes what the program plays into a file: with the sound setting
# on, `sandloop /s` opens the device and the file keeps gaining sound
# (bytes that are not silence) while it runs; with flag_PlaySound stored as 0 no audio device is opened and no
# file is made. Both runs end by SIGTERM with exit code 0.
#   sound.sh SANDLOOP [off]   ("off": only the run with the sound off)
# Skipped (exit 77) where Xvfb or xdotool is missing.
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$1
only=${2:-}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d)
saver=""
trap 'kill -KILL $saver 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$exe" "$work/bin/sandloop"
# A private runtime folder: the lock that lets one copy play the surf is
# kept there, and a saver of another test must not hold it.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run
store=$XDG_CONFIG_HOME/sandloop/registry.reg
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

start_xvfb 1024x768x24
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb at $DISPLAY does not answer"

size() { stat -c %s "$1" 2>/dev/null || echo 0; }
# Bytes that are not zero: sound, as opposed to silence (a device fed
# zeros grows its file as fast as one fed the surf).
heard() { [ -f "$1" ] && tr -d '\0' < "$1" | wc -c || echo 0; }

# Starts the saver with the disk audio driver writing to $1 and waits until
# its full-screen window is up.
start() {
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$1 "$work/bin/sandloop" /s > "$work/run.log" 2>&1 &
  saver=$!
  for _ in $(seq 150); do
    win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
    [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && return 0
    kill -0 $saver 2>/dev/null || break
    sleep 0.1
  done
  fail "the saver did not come up ($(cat "$work/run.log"))"
}

stop() {
  kill -TERM $saver
  wait $saver; rc=$?
  saver=""
  [ $rc -eq 0 ] || fail "$1: exit code $rc ($(cat "$work/run.log"))"
}

# 1. The sound on (the default, stored by this first run).
if [ "$only" != off ]; then
  start "$work/on.raw"
  sleep 1
  first=$(heard "$work/on.raw")
  sleep 1
  second=$(heard "$work/on.raw")
  stop "sound on"
  # A second of the surf is far more than 10,000 bytes that are not zero.
  [ "$first" -gt 10000 ] || fail "sound on: no sound was played ($first bytes that are not silence)"
  [ "$second" -gt $((first + 10000)) ] || fail "sound on: the sound stopped ($first then $second bytes of sound)"
  echo "sound on: $first then $second bytes of sound"
else
  # A first run stores the settings, with no audio device to open.
  start /dev/null
  stop "first run"
fi

# 2. The sound off.
grep -q '^"flag_PlaySound"=dword:00000001$' "$store" || fail "the store has no flag_PlaySound: $(cat "$store")"
sed -i 's/^"flag_PlaySound"=dword:00000001$/"flag_PlaySound"=dword:00000000/' "$store"
start "$work/off.raw"
sleep 1.5
stop "sound off"
[ ! -e "$work/off.raw" ] || fail "sound off: an audio device was opened ($(size "$work/off.raw") bytes written)"
echo "sound off: no audio device opened"
echo "1 passed, 0 failed"
