#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X server of its own (Xvfb,
# two monitors),
# for tests that need real windows. Wine runs in a copy of the caller's
# prefix (or a new one): a Wine server already running for the caller's
# prefix has no X server, and its windows could not be shown.
#   on_xvfb.sh PROGRAM.exe [ARGS...]
# Skipped (exit 77) where Xvfb or Wine is missing.
set -u
command -v Xvfb >/dev/null && command -v wine >/dev/null || { echo "Xvfb or Wine missing"; exit 77; }
work=$(mktemp -d)
xvfb=
trap 'wineserver -k 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
# Two monitors side by side, for the black windows over the other ones.
Xvfb -displayfd 3 -screen 0 1024x768x24 -screen 1 800x600x24 +xinerama -nolisten tcp -noreset \
  3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
  cp -a "$WINEPREFIX" "$work/prefix"
  export WINEPREFIX=$work/prefix
else
  export WINEPREFIX=$work/prefix
  wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot could not make the prefix"; exit 1; }
fi
# Wine takes Xvfb's two screens as monitors through Xinerama, not RandR.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
timeout 280 wine "$@"
