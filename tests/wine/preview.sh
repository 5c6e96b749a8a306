#!/usr/bin/env bash
# sandloop.scr's preview under Wine on a virtual X server, into a window of
# another program as the system's settings make it:
#   /p:HWND (and /p HWND) fills a host window of 231 x 174, the size of the
#   system's preview at 150 %, with its picture window, kept after the
#   host repaints, and ends with exit code 0 when the host goes (the
#   picture's pixels are checked too where the system shows what another
#   program draws into a window, which Wine does not);
#   /p with a window that is already gone ends at once, without a message
#   box, with exit code 0; a handle that is not a number shows its message
#   (which shows that the watch would see one).
# Usage: preview.sh SANDLOOP.SCR WIN_TOOL.EXE
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
winpath() {
  winepath -w "$1" >"$work/path.out" 2>/dev/null
  tr -d '\r' <"$work/path.out"
}
scr_path=$(winpath "$scr")

# Fills a host window, then ends with it. $1: how the handle is written.
preview_into_host() {
  rm -f "$work/host.log"
  wine "$tool_exe" host 231 174 "$(winpath "$work/host.ppm")" >"$work/host.log" 2>&1 &
  local host=$!
  for _ in $(seq 200); do [ -s "$work/host.log" ] && break; sleep 0.1; done
  hwnd=$(head -1 "$work/host.log" | tr -d '\r')
  [ -n "$hwnd" ] || { fail "no host window"; return; }
  if [ "$1" = colon ]; then wine "$scr" "/p:$hwnd" >/dev/null 2>&1 & else wine "$scr" /p "$hwnd" >/dev/null 2>&1 & fi
  local saver=$!
  wait $host
  local rc=$?
  tail -1 "$work/host.log" | tr -d '\r'
  [ $rc -eq 0 ] || fail "$1: the preview does not cover the host window (win_tool $rc)"
  for _ in $(seq 100); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
  if kill -0 $saver 2>/dev/null; then
    fail "$1: the preview still runs after its host went"
    kill $saver 2>/dev/null
  else
    wait $saver || fail "$1: the preview ended with exit code $?"
  fi
}
preview_into_host colon
preview_into_host space

# The last host is gone: its handle names no window now.
for form in "/p:$hwnd" "/p $hwnd"; do
  # shellcheck disable=SC2086
  out=$(tool run 10 "$scr_path" $form)
  rc=$?
  echo "$form: $out"
  [ $rc -eq 0 ] || fail "$form with a window that is gone: not a silent end (win_tool $rc)"
  grep -q "exit code 0;" <<<"$out" || fail "$form with a window that is gone: exit code not 0"
done
out=$(tool run 10 "$scr_path" /p:abc)
rc=$?
echo "/p:abc: $out"
[ $rc -eq 3 ] || fail "/p:abc showed no message box (win_tool $rc)"

[ $failed = 0 ] && echo "PASS: the preview under Wine"
exit $failed
