#!/usr/bin/env bash
# The back-end contract suite on the SDL back end under Xvfb (with SDL's
# dummy audio driver, so that the sound cases do not depend on a device).
# Skipped (exit 77) where Xvfb is missing.
set -u
check=$1
command -v Xvfb >/dev/null || { echo "Xvfb missing"; exit 77; }
work=$(mktemp -d)
xvfb=
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
SDL_AUDIODRIVER=dummy timeout 120 "$check"
