#!/usr/bin/env bash
# Two copies hosted at once (as a daemon runs one per monitor), with SDL's
# disk audio driver writing each copy's sound to its own file: exactly one
# of them plays the surf (its file holds sound, the other's none).
# Skipped (exit 77) where Xvfb is missing.
# Usage: onesound.sh SANDLOOP HOST_CHECK
set -u
exe=$(readlink -f "$1") check=$(readlink -f "$2")
command -v Xvfb >/dev/null || { echo "Xvfb missing"; exit 77; }
# No "." in the folder: the log is named after the program path up to its
# first ".".
work=$(mktemp -d /tmp/sandloop-sound-XXXXXX)
pids=()
# Ended newest first, the X server last.
trap 'for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill ${pids[i]} 2>/dev/null; wait ${pids[i]} 2>/dev/null; done; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run
mkdir -p "$work/run" "$work/bin" && chmod 700 "$work/run"
cp "$exe" "$work/bin/sandloop"
cd "$work"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")

savers=()
for n in 1 2; do
  "$check" makewindow 400 300 > "$work/host$n.txt" &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/host$n.txt" ] && break; sleep 0.1; done
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound$n.raw" \
    "$work/bin/sandloop" -window-id "$(head -1 "$work/host$n.txt")" --set flag_PlaySound=1 > "$work/run$n.log" 2>&1 &
  pids+=($!)
  savers+=($!)
done
sleep 4
for p in "${savers[@]}"; do kill -TERM $p 2>/dev/null; wait $p 2>/dev/null; done

# Bytes that are not zero: sound, as opposed to silence or nothing.
heard() { [ -f "$1" ] && tr -d '\0' < "$1" | wc -c || echo 0; }
a=$(heard "$work/sound1.raw") b=$(heard "$work/sound2.raw")
echo "copy 1: $a bytes of sound, copy 2: $b"
playing=0
[ "$a" -gt 10000 ] && playing=$((playing + 1))
[ "$b" -gt 10000 ] && playing=$((playing + 1))
[ $playing -eq 1 ] || fail "$playing copies played the surf"
[ "$a" -lt 1000 ] || [ "$b" -lt 1000 ] || fail "the silent copy made sound"
echo "1 passed, 0 failed"
