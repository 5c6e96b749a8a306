#!/usr/bin/env bash
# The saver on SDL's native Wayland driver under sway's headless back end:
# full screen it covers the whole output with the beach (a screenshot
# through grim, its still bands against `sandloop --render`), plays
# its sound (SDL's disk audio driver), and ends in order, with FINISH in its
# log and exit code 0, on SIGTERM and on a typed key (wtype); in a window
# of its own it shows the beach too. Under weston's headless back end,
# which has no seat, it reports that and ends instead of crashing.
# sway refuses to run as root, so as root everything runs as the user
# nobody (setpriv). Skipped (exit 77) where sway or grim is missing.
# Usage: sway.sh SANDLOOP COVERED
set -u
exe=$(readlink -f "$1") covered=$(readlink -f "$2")
. "$(dirname "$(readlink -f "$0")")/sway_common.sh"
sway_require grim
sway_work wayland "$exe"
pids=()
# Ended newest first, the compositor last.
trap 'for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill ${pids[i]} 2>/dev/null; wait ${pids[i]} 2>/dev/null; done; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- saver's stderr"; cat "$work"/run-*.err 2>/dev/null | tail -20
  echo "--- compositor (last lines)"; tail -10 "$work/compositor.log" 2>/dev/null
  exit 1
}
# A clean environment for the user, with the sanitizers' options of a
# sanitizer build kept.
clean=(env -i HOME="$work" PATH="$work/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8
       ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")
run() { "${as_user[@]}" "${clean[@]}" "$@"; }

printf 'output * bg #000000 solid_color\noutput HEADLESS-1 mode 1024x768\n' > "$work/sway.conf"
start_sway || fail "sway did not start"

# Starts the saver with "$@"; its pid in $saver.
start() {
  local name=$1; shift
  (cd "$work" && exec "${as_user[@]}" "${clean[@]}" "${wl[@]}" "$@" > "$work/run-$name.out" 2> "$work/run-$name.err") &
  saver=$!
  pids+=($saver)
}
# Waits until a screenshot of the output is covered to $1 per cent and,
# with a reference picture in $2, shows the beach's still bands as in it.
shown() {
  local i
  for i in $(seq 40); do
    sleep 0.25
    kill -0 $saver 2>/dev/null || return 1
    run "${wl[@]}" grim "$work/shot.png" 2>/dev/null && "$covered" "$work/shot.png" "$@" > "$work/covered.txt" && return 0
  done
  return 1
}
# Waits up to 5 s for the saver to end; its exit code in $code.
ended() {
  local i
  for i in $(seq 50); do
    kill -0 $saver 2>/dev/null || { wait $saver; code=$?; return 0; }
    sleep 0.1
  done
  return 1
}
finishes() { grep -c "FINISH AT" "$work/bin/sandloop.log" 2>/dev/null || echo 0; }

# Full screen, with sound, ended by SIGTERM: the beach as the same build
# renders it at the output's size with the settings the run stores.
start term SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" sandloop /s --set flag_PlaySound=1
shown 98 || fail "full screen, the output is not covered: $(cat "$work/covered.txt" 2>/dev/null)"
(cd "$work" && run sandloop --render "$work/beach.png" --size 1024x768 > /dev/null) || fail "sandloop --render failed"
shown 98 "$work/beach.png" || fail "full screen, the output is not the beach: $(cat "$work/covered.txt" 2>/dev/null)"
echo "full screen: $(cat "$work/covered.txt")"
sleep 1
kill -TERM $saver
ended || fail "still running 5 s after SIGTERM"
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
[ "$(finishes)" -eq 1 ] || fail "no FINISH in the log after SIGTERM"
sound=$( [ -f "$work/sound.raw" ] && tr -d '\0' < "$work/sound.raw" | wc -c || echo 0)
[ "$sound" -gt 10000 ] || fail "no sound played ($sound bytes that are not silence)"

# Ended by a typed key, where wtype can type (sway's virtual keyboard).
if command -v wtype >/dev/null; then
  start key sandloop /s
  shown 98 || fail "second run, the output is not covered"
  sleep 0.5
  # The seat has no keyboard until wtype makes its virtual one; the pause
  # lets the saver take the new keyboard before the key comes.
  run "${wl[@]}" wtype -s 1000 x || fail "wtype could not type"
  ended || fail "still running 5 s after a key"
  [ "$code" -eq 0 ] || fail "exit code $code after a key"
  [ "$(finishes)" -eq 2 ] || fail "no FINISH in the log after a key"
else
  echo "wtype missing: the key is not tried"
fi

# A window of its own (tiled by sway over the output).
start window sandloop --window 640x480
shown 50 || fail "the window shows nothing: $(cat "$work/covered.txt" 2>/dev/null)"
kill -TERM $saver
ended || fail "the window is still open 5 s after SIGTERM"
[ "$code" -eq 0 ] || fail "exit code $code for the window"
kill ${pids[0]} 2>/dev/null; wait ${pids[0]} 2>/dev/null

# weston's headless back end offers no seat: a clear message, no crash.
if command -v weston >/dev/null; then
  (cd "$work" && exec "${as_user[@]}" env -i HOME="$work" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/run" \
    weston --backend=headless-backend.so --socket=seatless --width=640 --height=480 --idle-time=0 \
    > "$work/compositor.log" 2>&1) &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$work/run/seatless" ] && break; sleep 0.1; done
  [ -S "$work/run/seatless" ] || fail "weston did not start"
  wl=(WAYLAND_DISPLAY=seatless SDL_VIDEODRIVER=wayland)
  start seatless sandloop /s
  ended || fail "still running under a compositor without a seat"
  [ "$code" -eq 0 ] || fail "exit code $code under a compositor without a seat"
  grep -q "no seat" "$work/run-seatless.err" || fail "no word of the missing seat"
fi
echo "1 passed, 0 failed"
