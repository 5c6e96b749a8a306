#!/usr/bin/env bash
# A running saver ended from outside: SIGTERM, SIGINT and SIGHUP, and its
# window being closed, each end `sandloop /s` in order under Xvfb, within a
# second, with exit code 0 and a "FINISH AT=======>" line in its log; told
# to end as the X server goes too, it still ends, within ten seconds. The
# program runs from a copy in a fresh folder, so its log (named after the
# program, beside it) is read from there.
#   signals.sh SANDLOOP [CLOSE_WINDOW]   (the tool that closes a window;
#                                         without it that case is left out)
# Skipped (exit 77) where Xvfb or xdotool is missing.
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$1
close_window=${2:+$(realpath "$2")}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d)
saver=""
trap 'kill -KILL $saver 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home"
cp "$exe" "$work/bin/sandloop"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
# No sound device of the machine is involved.
export SDL_AUDIODRIVER=dummy
cd "$work"
log=$work/bin/sandloop.log

fail() { echo "FAIL: $*"; exit 1; }

start_xvfb 1024x768x24
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb at $DISPLAY does not answer"

finish_lines() { cat "$log" 2>/dev/null | grep -c "^FINISH AT=======>: "; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

ways="TERM INT HUP"
[ -n "$close_window" ] && ways="$ways close"
for way in $ways; do
  if [ "$way" = close ]; then label="window closed"; else label="SIG$way"; fi
  finishes=$(finish_lines)
  # Started directly (not under timeout), so that the signal reaches it.
  "$work/bin/sandloop" /s > "run-$way.log" 2>&1 &
  saver=$!
  # Running: the full-screen window is up (set-up has ended).
  up=""
  for _ in $(seq 150); do
    win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
    [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && { up=1; break; }
    kill -0 $saver 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$up" ] || fail "$label: the saver did not come up ($(cat "run-$way.log"))"
  # The window is up before set-up has ended; the first frame of the beach
  # (the sky is not black) shows that the saver runs. Without ImageMagick's
  # import, a wait stands in.
  if command -v import >/dev/null; then
    for _ in $(seq 150); do
      import -window root -crop 1x1+512+100 txt:- 2>/dev/null | grep -q ' black$' || break
      sleep 0.1
    done
  else
    sleep 2
  fi
  sent=$(now_ms)
  if [ "$way" = close ]; then
    "$close_window" "$win" || fail "$label: the window could not be asked to close"
  else
    kill -s "$way" $saver
  fi
  while kill -0 $saver 2>/dev/null && [ $(( $(now_ms) - sent )) -lt 1000 ]; do sleep 0.02; done
  took=$(( $(now_ms) - sent ))
  if kill -0 $saver 2>/dev/null; then
    kill -KILL $saver 2>/dev/null
    fail "$label: the saver was still running after ${took} ms"
  fi
  wait $saver; rc=$?
  [ $rc -eq 0 ] || fail "$label: exit code $rc ($(cat "run-$way.log"))"
  [ "$(finish_lines)" -eq $((finishes + 1)) ] ||
    fail "$label: no new FINISH line in $log: $(cat "$log" 2>/dev/null)"
  echo "$label: ended in order in ${took} ms"
done

# Ended while its X server goes too (a session's end: the saver is told to
# end and the server quits at once). A wait for the server that began
# before the server went never returns by itself; the saver must not stay
# behind, busy, without a display: it has ended within ten seconds.
"$work/bin/sandloop" /s > run-server-gone.log 2>&1 &
saver=$!
for _ in $(seq 150); do
  xdotool search --name '^Sandloop$' >/dev/null 2>&1 && break
  kill -0 $saver 2>/dev/null || fail "server gone: the saver did not come up ($(cat run-server-gone.log))"
  sleep 0.1
done
sleep 2
sent=$(now_ms)
kill -TERM $saver
kill $xvfb
while kill -0 $saver 2>/dev/null && [ $(( $(now_ms) - sent )) -lt 10000 ]; do sleep 0.05; done
took=$(( $(now_ms) - sent ))
if kill -0 $saver 2>/dev/null; then
  kill -KILL $saver 2>/dev/null
  fail "server gone: the saver was still running after ${took} ms ($(cat run-server-gone.log))"
fi
echo "SIGTERM as the X server goes: ended in ${took} ms"
echo "1 passed, 0 failed"
