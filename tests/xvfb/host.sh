#!/usr/bin/env bash
# The display back end's hosted and try-it targets on a real X server:
# drawing into a window of another program, following its resize, ending
# when it is destroyed or when the X server goes away; the try-it window's
# size, scaling and close request; its window destroyed by another program
# is noticed whatever the process's other connections met; no run holds
# the system's screen saver off, and the full-screen run sees the screen
# dark while it is on. Skipped (exit 77) where Xvfb is missing.
set -u
. "$(dirname "$0")/start_xvfb.sh"
check=$1
command -v Xvfb >/dev/null || { echo "Xvfb missing"; exit 77; }
work=$(mktemp -d)
xvfb=
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

start_xvfb 1280x1024x24
timeout 60 "$check" hosted || fail "hosted"
timeout 60 "$check" window || fail "try-it window"
timeout 60 "$check" fullscreen || fail "full screen"
timeout 60 "$check" gone || fail "window destroyed after other connections' errors"

# The X server goes away under a hosted saver: it must notice and end.
timeout 60 "$check" lose > "$work/lose.log" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q hosting "$work/lose.log" && break; sleep 0.1; done
sleep 0.3
kill $xvfb; wait $xvfb 2>/dev/null; xvfb=
wait $pid; rc=$?
[ $rc -eq 0 ] || fail "lost connection: exit code $rc ($(cat "$work/lose.log"))"
grep -q "^lost" "$work/lose.log" || fail "lost connection: $(cat "$work/lose.log")"
echo "5 passed, 0 failed"
