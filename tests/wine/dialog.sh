#!/usr/bin/env bash
# sandloop.scr's /c wired to the settings dialog and to the registry,
# under Wine on a virtual X server:
#   /c opens a window titled "Tidewalk Beach Setup" with four pages, and
#   its first run stores the first-run values;
#   "Default Setting" then OK stores the key's 26 values, the defaults, and
#   the program ends.
# The dialog's own clicks, Cancel and the close box are checked in
# tests/dialog/win32/test_form2_window.cpp.
# With SHOTS and SCREEN_TOOL (the Linux build's tests/screen_tool) it also
# writes a picture of each page, SHOTS/windows-dialog-N.ppm.
# Usage: dialog.sh SANDLOOP.SCR WIN_TOOL.EXE [SHOTS SCREEN_TOOL]
# Skipped (exit 77) where Xvfb or Wine is missing.
set -u
scr="$1" tool_exe="$2" shots="${3:-}" screen_tool="${4:-}"
command -v Xvfb >/dev/null && command -v wine >/dev/null || { echo "Xvfb or Wine missing"; exit 77; }
work=$(mktemp -d)
xvfb= wm=
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
# Pictures show the window's frame and title, which a window manager draws.
if [ -n "$shots" ] && command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  wm=$!
fi
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
key='HKEY_CURRENT_USER\SOFTWARE\Morvant\Sandloop'
failed=0
tool() { wine "$tool_exe" "$@"; }
fail() { echo "FAIL: $*"; failed=1; }
# The key's values, one "name type data" line each, sorted.
values() { wine reg query "$key" 2>/dev/null | tr -d '\r' | grep -E '^ +[A-Za-z_]+ +REG_' | sed 's/^ *//' | sort; }
value() { values | awk -v n="$1" '$1 == n { print $3 }'; }
open_dialog() {
  wine "$scr" /c >/dev/null 2>&1 &
  pid=$!
  tool pages "$title" >"$work/pages" || { fail "no window \"$title\""; return 1; }
}
# The program ends once its dialog closes.
ended() {
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  fail "the program still runs after $1"
  kill "$pid" 2>/dev/null
}

# 0. The first run stores the first-run values, even when closed.
if open_dialog; then
  [ "$(tr -d '\r' <"$work/pages")" = 4 ] || fail "the dialog has $(cat "$work/pages") pages, not 4"
  if [ -n "$shots" ] && [ -x "$screen_tool" ]; then
    for page in 0 1 2 3; do
      tool page "$title" $page
      sleep 1
      "$screen_tool" shot 0 "$shots/windows-dialog-$((page + 1)).ppm" || fail "no picture of page $page"
    done
    tool page "$title" 0
  fi
  tool close "$title"
  tool gone "$title" || fail "the close box left the dialog open"
  ended "the close box"
fi
count=$(values | wc -l)
[ "$count" = 26 ] || fail "the first run stored $count values, not 26"

# 1. Values other than the defaults; "Default Setting", OK.
wine reg add "$key" /v flag_PlaySound /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "$key" /v NumEagles /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$key" /v SetSpeed /t REG_DWORD /d 2 /f >/dev/null 2>&1
if open_dialog; then
  tool click "$title" "Default Setting" || fail "no button \"Default Setting\""
  tool click "$title" "OK" || fail "no button \"OK\""
  tool gone "$title" || fail "OK left the dialog open"
  ended "OK"
fi
count=$(values | wc -l)
[ "$count" = 26 ] || fail "the key holds $count values after OK, not 26"
[ "$(value flag_PlaySound)" = 0x1 ] || fail "flag_PlaySound is $(value flag_PlaySound) after Default Setting and OK, not 0x1"
[ "$(value NumEagles)" = 0x4 ] || fail "NumEagles is $(value NumEagles), not 0x4"
[ "$(value SetSpeed)" = 0x1 ] || fail "SetSpeed is $(value SetSpeed), not 0x1"

[ $failed = 0 ] && echo "PASS: the settings dialog under Wine"
exit $failed
