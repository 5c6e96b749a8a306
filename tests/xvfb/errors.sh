#!/usr/bin/env bash
# Exceptions in a running saver, with the real program under Xvfb: a fault
# is injected (SANDLOOP_FAULT, honoured with SANDLOOP_TEST=1) into the
# frame timer's tick, into the orderly finish after a key, and into set-up
# (a picture that cannot be decoded). Each time the saver ends within 2 s
# with exit code 0, and its log holds the exception's message and the
# exception's finish line exactly once, and no orderly finish line.
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: errors.sh SANDLOOP
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d /tmp/sandloop-errors-XXXXXX)
xvfb= saver=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$xvfb" ] && kill -9 $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; tail -6 "$work/bin/sandloop.log" 2>/dev/null; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work SANDLOOP_TEST=1
mkdir -p "$work/bin"
cp "$exe" "$work/bin/sandloop"
cd "$work"

start_xvfb 1024x768x24

# Lines of the last run's block of the log that contain $1.
count() { awk '/START AT/ { n = 0 } index($0, m) { ++n } END { print n + 0 }' m="$1" "$work/bin/sandloop.log"; }
run() {  # fault, label, message
  local fault=$1 label=$2 message=$3
  SANDLOOP_FAULT=$fault ./bin/sandloop /s --set flag_PlaySound=0 >"$work/err" 2>&1 &
  saver=$!
  if [ "$fault" = finish ]; then
    # Wait for the beach, then a key asks for the finish.
    for _ in $(seq 100); do
      win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
      [ -n "$win" ] && break
      sleep 0.1
    done
    [ -n "$win" ] || fail "$label: no saver window"
    sleep 0.5
    xdotool key --window "$win" a
  fi
  # The tick's fault comes after one second of ticks.
  for _ in $(seq 40); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
  kill -0 $saver 2>/dev/null && fail "$label: the saver still runs"
  wait $saver; local rc=$?
  saver=
  [ $rc -eq 0 ] || fail "$label: exit code $rc ($(cat "$work/err"))"
  [ "$(count "ExceptionMessage: ")" -eq 1 ] || fail "$label: no single ExceptionMessage line"
  [ "$(count "$message")" -eq 1 ] || fail "$label: the message is not in the log"
  [ "$(count "FINISH WITH E AT=======>: ")" -eq 1 ] || fail "$label: no single FINISH WITH E line"
  [ "$(count "FINISH AT=======>")" -eq 0 ] || fail "$label: an orderly FINISH line as well"
  grep -q "$message" "$work/err" || fail "$label: the message is not on standard error"
  echo "ok: $label"
}

run tick "an exception in the frame tick" "fault injected into the frame tick"
run finish "an exception while finishing" "fault injected into the finish"
run picture "a picture that cannot be decoded at set-up" "HIGHTWATER"
echo "3 passed, 0 failed"
