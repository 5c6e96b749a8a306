#!/usr/bin/env bash
# A running saver leaves a Wayland session idle: under sway's headless back
# end, swayidle runs the saver after 2 s without input, as a user's set-up
# would (`swayidle -w timeout 2 'sandloop /s &' timeout 8 ...`), and its
# later timeout must still come at 8 s while the saver covers the output
# (a saver holding an idle inhibitor keeps it from ever coming). The saver
# is still running then, and ends in order on SIGTERM: exit code 0 and a
# FINISH line in its log.
# sway refuses to run as root, so as root everything runs as the user
# nobody (setpriv). Skipped (exit 77) where sway, swayidle or grim is
# missing.
# Usage: idle.sh SANDLOOP COVERED
set -u
exe=$(readlink -f "$1") covered=$(readlink -f "$2")
. "$(dirname "$(readlink -f "$0")")/sway_common.sh"
sway_require swayidle grim
sway_work idle "$exe"
pids=()
# The processes running this copy of the program (other copies on the
# machine are not ours to look at or end).
ours() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$work/bin/sandloop" ] && echo "${p#/proc/}"
  done
}
# A saver left over first (swayidle may be waiting for it), then the rest
# newest first, the compositor last.
trap 'for p in $(ours); do kill -KILL $p 2>/dev/null; done
      for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill ${pids[i]} 2>/dev/null; wait ${pids[i]} 2>/dev/null; done
      rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- saver's stderr"; tail -20 "$work/saver.err" 2>/dev/null
  echo "--- swayidle"; tail -10 "$work/swayidle.log" 2>/dev/null
  echo "--- compositor (last lines)"; tail -10 "$work/compositor.log" 2>/dev/null
  exit 1
}
# No sound device of the machine is involved.
clean=(env -i HOME="$work" PATH="$work/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8 SDL_AUDIODRIVER=dummy
       ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")

printf 'output * bg #000000 solid_color\noutput HEADLESS-1 mode 1024x768\n' > "$work/sway.conf"
start_sway || fail "sway did not start"

# The saver at 2 s, put in the background as a user's set-up must (with
# -w swayidle waits for each command); its exit code kept in a file.
saver_cmd="(sandloop /s > $work/saver.out 2> $work/saver.err; echo \$? > $work/code) &"
(cd "$work" && exec "${as_user[@]}" "${clean[@]}" "${wl[@]}" \
  swayidle -w timeout 2 "$saver_cmd" timeout 8 "touch $work/later" > "$work/swayidle.log" 2>&1) &
pids+=($!)
started=$(date +%s%N)
ms() { echo $(( ($(date +%s%N) - started) / 1000000 )); }

saver=
for _ in $(seq 100); do
  saver=$(ours | head -1)
  [ -n "$saver" ] && break
  sleep 0.1
done
[ -n "$saver" ] || fail "swayidle did not start the saver"
echo "the saver started at $(ms) ms"
# Until the saver covers the output (a screenshot through grim).
shown=
for _ in $(seq 40); do
  sleep 0.1
  kill -0 $saver 2>/dev/null || break
  "${as_user[@]}" "${clean[@]}" "${wl[@]}" grim "$work/shot.png" 2>/dev/null &&
    "$covered" "$work/shot.png" 98 > "$work/covered.txt" && { shown=1; break; }
done
[ -n "$shown" ] || fail "the saver does not cover the output: $(cat "$work/covered.txt" 2>/dev/null)"
echo "full screen at $(ms) ms: $(cat "$work/covered.txt")"

# The later timeout, while the saver runs.
for _ in $(seq 120); do
  [ -e "$work/later" ] && break
  kill -0 $saver 2>/dev/null || fail "the saver ended by itself at $(ms) ms"
  sleep 0.1
done
[ -e "$work/later" ] || fail "swayidle's later timeout (8 s) did not come within $(ms) ms while the saver ran"
echo "the later timeout came at $(ms) ms"
kill -0 $saver 2>/dev/null || fail "the saver was gone when the later timeout came"

kill -TERM $saver
for _ in $(seq 50); do [ -s "$work/code" ] && break; sleep 0.1; done
[ -s "$work/code" ] || fail "still running 5 s after SIGTERM"
[ "$(cat "$work/code")" -eq 0 ] || fail "exit code $(cat "$work/code") after SIGTERM"
grep -q "FINISH AT" "$work/bin/sandloop.log" 2>/dev/null || fail "no FINISH in the log after SIGTERM"
echo "1 passed, 0 failed"
