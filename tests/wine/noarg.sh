#!/usr/bin/env bash
# How sandloop.scr is asked for its settings without a window to belong
# to, under Wine on a virtual X server:
#   with no argument (Explorer's "Configure") it opens the settings dialog,
#   "Tidewalk Beach Setup" with four pages, not the saver, and ends with
#   exit code 0 when the dialog is closed;
#   a bare /c opens the dialog owned by the window in the foreground:
#   centred on it, which is disabled while the dialog is open and enabled
#   again after.
# Usage: noarg.sh SANDLOOP.SCR WIN_TOOL.EXE
# Skipped (exit 77) where Xvfb or Wine is missing.
set -u
scr="$1" tool_exe="$2"
command -v Xvfb >/dev/null && command -v wine >/dev/null || { echo "Xvfb or Wine missing"; exit 77; }
work=$(mktemp -d)
xvfb=
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
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
wineserver -w

title="Tidewalk Beach Setup"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# Its output through a file: a pipe would stay open in the Wine programs
# that it starts.
tool() {
  wine "$tool_exe" "$@" >"$work/tool.out" 2>&1
  local rc=$?
  tr -d '\r' <"$work/tool.out"
  return $rc
}
# The program ends once its dialog closes, with exit code 0.
ended() {
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "the program still runs after $1"
    kill "$pid" 2>/dev/null
  else
    wait "$pid" || fail "$1: exit code $?"
  fi
}

# 1. No argument: the settings, not the saver.
wine "$scr" >/dev/null 2>&1 &
pid=$!
pages=$(tool pages "$title")
if [ "$pages" = 4 ]; then
  # The saver's own window is "Sandloop"; the dialog is up, so it would be too.
  tool gone Sandloop >/dev/null || fail "no argument also started the saver"
  tool close "$title"
  ended "the dialog's close box"
  echo "no argument: the settings dialog"
else
  fail "no argument: no settings dialog with 4 pages ($pages)"
  kill "$pid" 2>/dev/null
fi

# 2. A bare /c: owned by the foreground window.
rm -f "$work/owner.log"
wine "$tool_exe" owner "$title" >"$work/owner.log" 2>&1 &
owner=$!
for _ in $(seq 200); do [ -s "$work/owner.log" ] && break; sleep 0.1; done
[ -s "$work/owner.log" ] || fail "no owner window"
wine "$scr" /c >/dev/null 2>&1 &
pid=$!
wait $owner
rc=$?
tail -1 "$work/owner.log" | tr -d '\r'
[ $rc -eq 0 ] || fail "/c: the dialog is not owned by the foreground window (win_tool $rc)"
ended "/c's dialog closed"

[ $failed = 0 ] && echo "PASS: the settings without a window named"
exit $failed
