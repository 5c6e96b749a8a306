#!/usr/bin/env bash
# A running saver leaves the X session idle: under Xvfb with the server's
# own screen saver set to one minute (-s 1), `sandloop /s` runs while the
# screen-saver extension is asked every 2 s how long the server has been
# idle. The idle time must grow past 30 s without ever going back (a saver
# that holds the server's saver off resets it every 30 s), and the server's
# saver must come on at about 60 s while the saver still runs. With the
# screen blanked the saver rests: its threads' context switches over 5 s
# stay well below those of the same saver drawing, measured before. A small
# pointer movement ends the server's saver and the saver draws again; a key
# then ends it in order (exit code 0, a FINISH line in its log).
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: idle.sh SANDLOOP IDLE_TOOL
set -u
exe=$1 tool=$(realpath "$2")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d)
saver="" xvfb=""
trap 'kill -KILL $saver 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home"
cp "$exe" "$work/bin/sandloop"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
# No sound device of the machine is involved.
export SDL_AUDIODRIVER=dummy
cd "$work"
log=$work/bin/sandloop.log

fail() { echo "FAIL: $*"; tail -5 "$work/run.log" 2>/dev/null; exit 1; }

# The server's saver starts after a minute without input; -noreset keeps
# the server from restarting when its last client leaves.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset -s 1 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
"$tool" info > /dev/null || fail "the screen-saver extension does not answer"

started=$(date +%s%N)
seconds() { echo $(( ($(date +%s%N) - started) / 1000000000 )); }
# Started directly (not under timeout): its threads are read from /proc.
"$work/bin/sandloop" /s > run.log 2>&1 &
saver=$!
up=""
for _ in $(seq 150); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && { up=1; break; }
  kill -0 $saver 2>/dev/null || break
  sleep 0.1
done
[ -n "$up" ] || fail "the saver did not come up"

# Context switches of each of the saver's threads, "TID COUNT" a line.
switches() {
  local t
  for t in /proc/$saver/task/*; do
    awk -v tid="${t##*/}" '/ctxt_switches/ { n += $2 } END { print tid, n + 0 }' "$t/status" 2>/dev/null
  done
}
# Context switches per second over $1 seconds: the growth of each thread
# there at the end (threads that came in between count whole).
rate() {
  local before
  before=$(switches)
  sleep "$1"
  switches | awk -v s="$1" 'NR == FNR { b[$1] = $2; next } { n += $2 - b[$1] } END { printf "%d\n", n / s }' \
    <(echo "$before") -
}
# The rest's bound: a resting saver wakes a few times a second (about 7
# switches a second); one that draws, on every tick of its timer and for
# each frame, over a hundred times.
bound=30

# Drawing: measured after the first frames have settled.
sleep 3
drawing=$(rate 5)
echo "drawing: $drawing context switches a second"
[ "$drawing" -gt $((2 * bound)) ] || fail "a drawing saver switches only $drawing times a second: the rest cannot be told apart"

# Idle until the server's saver comes on.
most=0 on_at=""
while [ "$(seconds)" -lt 75 ]; do
  kill -0 $saver 2>/dev/null || fail "the saver ended at $(seconds) s"
  read -r state kind idle since < <("$tool" info) || fail "the screen-saver extension does not answer"
  [ "$idle" -ge "$most" ] || fail "the server's idle time went back from $((most / 1000)) s to $((idle / 1000)) s"
  most=$idle
  if [ "$state" = on ]; then on_at=$(( (idle - since) / 1000 )); break; fi
  sleep 2
done
echo "idle time reached ${most} ms; the server's saver came on after ${on_at:-?} s idle"
[ "$most" -gt 40000 ] || fail "the server's idle time never passed 40 s"
[ -n "$on_at" ] || fail "the server's saver did not come on within 75 s (idle ${most} ms)"
[ "$on_at" -ge 55 ] && [ "$on_at" -le 65 ] || fail "the server's saver came on after ${on_at} s idle, not about 60"
kill -0 $saver 2>/dev/null || fail "the saver ended when the server's saver came on"

# Resting: the saver looks at the screen once a second.
sleep 2
resting=$(rate 5)
echo "resting: $resting context switches a second"
[ "$resting" -lt "$bound" ] || fail "the saver switches $resting times a second with the screen blanked (bound $bound)"
kill -0 $saver 2>/dev/null || fail "the saver ended while resting"

# A pointer movement too small to end the saver ends the server's saver;
# the saver draws again.
xdotool mousemove_relative 1 0
read -r state kind idle since < <("$tool" info)
[ "$state" = off ] || fail "the server's saver is still $state after a pointer movement"
sleep 2
again=$(rate 2)
echo "awake again: $again context switches a second"
[ "$again" -gt $((2 * bound)) ] || fail "the saver did not draw again after the server's saver ended ($again a second)"

# A key ends the saver.
for _ in $(seq 50); do
  kill -0 $saver 2>/dev/null || break
  xdotool key a 2>/dev/null
  sleep 0.2
done
kill -0 $saver 2>/dev/null && fail "the saver is still running 10 s after a key"
wait $saver; rc=$?
[ $rc -eq 0 ] || fail "exit code $rc after a key"
grep -q "^FINISH AT=======>: " "$log" 2>/dev/null || fail "no FINISH line in the log: $(tail -3 "$log" 2>/dev/null)"
echo "ended in order after $(seconds) s"
echo "1 passed, 0 failed"
