#!/usr/bin/env bash
# Real-window checks of the configuration dialog (sandloop /c) under Xvfb:
# it opens centred at a fixed size; "Cancel" leaves the store byte for
# byte; "Default Setting" then "OK" stores the defaults. With a folder as
# second argument it also saves a picture of each of the four pages there.
# Skipped (exit 77) where Xvfb, xdotool or ImageMagick's import is missing.
set -u
. "$(dirname "$0")/start_xvfb.sh"
exe=$1
shots=${2:-}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }
[ -z "$shots" ] || command -v import >/dev/null || { echo "import missing"; exit 77; }
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$work/runtime"
store=$XDG_CONFIG_HOME/sandloop/registry.reg
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

start_xvfb 1280x1024x24

# Starts the dialog and sets win, x, y, w, h.
open_dialog() {
  timeout 60 "$exe" /c > dialog.log 2>&1 &
  dialog=$!
  win=""
  for _ in $(seq 150); do
    win=$(xdotool search --onlyvisible --name '^Tidewalk Beach Setup$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no dialog appeared ($(cat dialog.log))"
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
  x=$X y=$Y w=$WIDTH h=$HEIGHT
}

# Clicks at a place given from the window's bottom-left (dx > 0) or
# bottom-right (dx < 0) corner.
click() {
  local px=$1 py=$((h - $2))
  [ "$px" -lt 0 ] && px=$((w + px))
  xdotool mousemove --window "$win" "$px" "$py" click 1
}
close_with() {  # what, distance from the right edge or left edge
  click "$1" 18
  for _ in $(seq 100); do kill -0 $dialog 2>/dev/null || break; sleep 0.1; done
  wait $dialog; local rc=$?
  [ $rc -eq 0 ] || fail "dialog exit code $rc ($(cat dialog.log))"
}

# 1. A clean home: the first opening stores the defaults; the window is
# centred and at least the designed size.
open_dialog
[ "$w" -ge 457 ] && [ "$h" -ge 381 ] || fail "window ${w}x${h} is smaller than 457x381"
[ $((x + w / 2 - 640)) -le 2 ] && [ $((640 - x - w / 2)) -le 2 ] || fail "window not centred: x $x w $w"
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  n=1
  for page in settings display time_of_day clock; do
    import -window "$win" "$shots/dialog_${n}_$page.png" 2>/dev/null || fail "no picture of $page"
    xdotool key --window "$win" ctrl+Next
    sleep 0.4
    n=$((n + 1))
  done
fi
close_with -40   # Cancel
[ -s "$store" ] || fail "the first opening did not store the defaults"

# 2. Cancel stores nothing.
sed -i 's/^"SetSpeed"=dword:.*/"SetSpeed"=dword:00000002/; s/^"ColorClock"=dword:.*/"ColorClock"=dword:000000ff/' "$store"
cp "$store" before.reg
open_dialog
close_with -40
cmp -s "$store" before.reg || fail "Cancel changed the store"

# 3. "Default Setting", then OK, stores the defaults.
open_dialog
click 50 18
sleep 0.3
close_with -120  # OK
grep -q '^"SetSpeed"=dword:00000001$' "$store" || fail "OK did not store the speed: $(cat "$store")"
grep -q '^"ColorClock"=dword:00c59f5a$' "$store" || fail "OK did not store the default colour: $(cat "$store")"
echo "1 passed, 0 failed"
