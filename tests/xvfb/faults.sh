#!/usr/bin/env bash
# Display faults under a running saver, with a real process under Xvfb:
# the X server killed, and the saver's window destroyed by another
# program. Each time the saver ends within 2 s with exit code 0 and a
# FINISH line in its log, and the settings store is left as it was.
# Skipped (exit 77) where Xvfb or xdotool is missing.
# Usage: faults.sh SANDLOOP CLOSE_WINDOW
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$(readlink -f "$1") close_window=$(readlink -f "$2")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
work=$(mktemp -d /tmp/sandloop-faults-XXXXXX)
xvfb= saver=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$xvfb" ] && kill -9 $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; tail -5 "$work/bin/sandloop.log" 2>/dev/null; exit 1; }
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
mkdir -p "$work/bin"
cp "$exe" "$work/bin/sandloop"
cd "$work"

start_server() {
  rm -f "$work/display"
  start_xvfb 1024x768x24
}
finishes() { cat "$work/bin/sandloop.log" 2>/dev/null | grep -c "FINISH AT=======>"; }
start_saver() {
  ./bin/sandloop /s --set flag_PlaySound=0 >"$work/err" 2>&1 &
  saver=$!
  win=
  for _ in $(seq 100); do
    win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
    [ -n "$win" ] && grep -q "START AT" "$work/bin/sandloop.log" 2>/dev/null && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no saver window"
  sleep 1  # a few frames of the beach
}
expect_clean_end() {  # label, finishes before
  local label=$1 before=$2
  for _ in $(seq 20); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
  kill -0 $saver 2>/dev/null && fail "$label: the saver still runs after 2 s"
  wait $saver
  local code=$?
  saver=
  [ $code -eq 0 ] || fail "$label: exit code $code"
  [ "$(finishes)" -gt "$before" ] || fail "$label: no FINISH line"
  cmp -s "$work/store.before" "$XDG_CONFIG_HOME/sandloop/registry.reg" || fail "$label: the settings store changed"
  echo "ok: $label"
}

start_server
start_saver
cp "$XDG_CONFIG_HOME/sandloop/registry.reg" "$work/store.before"
before=$(finishes)
"$close_window" --destroy "$win" || fail "the window could not be destroyed"
expect_clean_end "window destroyed by another program" "$before"

start_saver
before=$(finishes)
kill -9 $xvfb
wait $xvfb 2>/dev/null
xvfb=
expect_clean_end "X server killed" "$before"
