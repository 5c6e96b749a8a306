#!/usr/bin/env bash
# The full-screen saver on two monitors of one X screen: every monitor
# shows the beach, each at its own size (the primary's with the clock),
# and a key ends it in order. Xvfb's screens are not monitors to SDL, so
# this runs a private Xorg with the dummy video driver, whose RandR outputs
# DUMMY0 and DUMMY1 are set side by side with xrandr: SDL lists them as two
# displays. Two layouts: 1024x768 beside 1280x1024 (different sizes and
# shapes, an uncovered strip of the root below the smaller one), and two
# 1920x1080 monitors.
# Each monitor's part of a screenshot of the root must be covered (no
# black, none of the root's own colour) and show the beach's still bands
# as `sandloop --render` draws them at that monitor's size; the same
# checks of a screenshot taken before the saver starts must fail, or they
# would not see an uncovered monitor. After a key the saver ends with exit
# code 0 and its log holds one START and one FINISH line.
# Xorg refuses to run as root without a console and would take over a
# virtual terminal as root, so as root the server runs as the user nobody.
# Skipped (exit 77) where Xorg, its dummy driver, xrandr, xsetroot,
# xdotool or netpbm (pamcut, pnmtopng) is missing.
# Usage: monitors.sh SANDLOOP SCREEN_TOOL COVERED
# With SANDLOOP_SHOTS set to a folder, the screenshots are kept there.
set -u
exe=$(readlink -f "$1") tool=$(readlink -f "$2") covered=$(readlink -f "$3")
# The server itself, not Debian's wrapper, which wants a console user.
xorg=/usr/lib/xorg/Xorg
[ -x "$xorg" ] || xorg=$(command -v Xorg) || { echo "Xorg missing"; exit 77; }
[ -f "$("$xorg" -showDefaultModulePath 2>&1 | tail -1)/drivers/dummy_drv.so" ] ||
  { echo "Xorg's dummy video driver missing (xserver-xorg-video-dummy)"; exit 77; }
for t in xrandr xsetroot xdotool pamcut pnmtopng; do
  command -v $t >/dev/null || { echo "$t missing"; exit 77; }
done
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "setpriv missing"; exit 77; }
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
# No "." in the folder: the log is named after the program path up to its
# first ".".
work=$(mktemp -d /tmp/sandloop-monitors-XXXXXX)
chmod 755 "$work"
mkdir -p "$work/bin" "$work/server"
cp "$exe" "$work/bin/sandloop"
[ ${#as_user[@]} -gt 0 ] && chown nobody:nogroup "$work/server"
server= saver=
trap '[ -n "$saver" ] && kill -9 $saver 2>/dev/null; [ -n "$server" ] && { kill $server 2>/dev/null; wait $server 2>/dev/null; }; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- saver's output"; tail -20 "$work/err" 2>/dev/null
  echo "--- log"; tail -8 "$work/bin/sandloop.log" 2>/dev/null
  exit 1
}
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
cd "$work"

# One screen as large as both monitors side by side; the dummy driver
# makes RandR outputs DUMMY0, DUMMY1, ... of it, the first one on.
cat > "$work/server/dummy.conf" <<'EOF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 3840 1080
  EndSubSection
EndSection
EOF
(cd "$work/server" && exec "${as_user[@]}" env -i HOME="$work/server" PATH=/usr/bin:/bin \
  "$xorg" -displayfd 3 -config "$work/server/dummy.conf" -noreset -nolisten tcp -logfile "$work/server/x.log" \
  3>"$work/server/display" >/dev/null 2>&1) &
server=$!
for _ in $(seq 100); do [ -s "$work/server/display" ] && break; sleep 0.1; done
[ -s "$work/server/display" ] || { tail -20 "$work/server/x.log" 2>/dev/null; fail "Xorg did not start"; }
export DISPLAY=:$(head -1 "$work/server/display")
xrandr | grep -q '^DUMMY1 ' || fail "the dummy driver made no second output: $(xrandr 2>&1 | head -5)"

# The modes the layouts need (CVT timings, as `cvt W H 60` gives them),
# known to both outputs.
xrandr --newmode 1280x1024_60 109.00 1280 1368 1496 1712 1024 1027 1034 1063 -hsync +vsync
xrandr --newmode 1920x1080_60 173.00 1920 2048 2248 2576 1080 1083 1088 1120 -hsync +vsync
for output in DUMMY0 DUMMY1; do
  for mode in 1280x1024_60 1920x1080_60; do xrandr --addmode $output $mode || fail "cannot add $mode to $output"; done
done

# A root of a colour the beach does not have, so that an uncovered monitor
# is told apart from a black one.
root_rgb=(255 0 255)

# The checks of one monitor in the screenshot $1: its rectangle X Y W H,
# the reference picture for its size. Prints what it measured; fails when
# more than 2 % of it is the root's colour, less than 98 % is lit or the
# still bands differ from the reference.
monitor_shows_beach() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5 reference=$6 root
  root=$("$tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) "${root_rgb[@]}") || return 1
  pamcut -left "$x" -top "$y" -width "$w" -height "$h" "$shot" 2>/dev/null | pnmtopng > "$work/part.png" 2>/dev/null ||
    return 1
  echo -n "root colour ${root}%, $("$covered" "$work/part.png" 98 "$reference" | tr '\n' ' ')"
  [ "$root" -le 2 ] && "$covered" "$work/part.png" 98 "$reference" > /dev/null
}

# One layout: the primary's mode, the second monitor's mode, then the
# saver on both. The second monitor stands right of the first, tops level.
layout() {
  local w0=$1 h0=$2 w1=$3 h1=$4 name="$1x$2+$3x$4" i rc lines
  local mode0=${w0}x${h0} mode1=${w1}x${h1}
  [ "$mode0" = 1024x768 ] || mode0=${mode0}_60
  [ "$mode1" = 1024x768 ] || mode1=${mode1}_60
  xrandr --output DUMMY0 --primary --mode "$mode0" --pos 0x0 --output DUMMY1 --mode "$mode1" --pos "${w0}x0" ||
    fail "$name: xrandr could not set the layout"
  # SDL must list the two outputs as two displays, or nothing here tests
  # a second monitor.
  local monitors
  monitors=$(xrandr --listactivemonitors | head -1)
  [ "$monitors" = "Monitors: 2" ] || fail "$name: the server has $monitors"
  xsetroot -solid "$(printf '#%02x%02x%02x' "${root_rgb[@]}")"

  # The references: the beach as this build renders it at each size, the
  # further monitor's without the clock and the text lines it leaves out.
  ./bin/sandloop --render "$work/ref0.png" --size "${w0}x${h0}" > /dev/null || fail "sandloop --render failed"
  ./bin/sandloop --render "$work/ref1.png" --size "${w1}x${h1}" --set flag_clock=0 --set ShowRisSet=0 \
    --set flag_fps=0 > /dev/null || fail "sandloop --render failed"

  # Before the saver: the checks must see both monitors uncovered.
  "$tool" shot 0 before.ppm || fail "$name: no screenshot"
  monitor_shows_beach before.ppm 0 0 "$w0" "$h0" ref0.png > /dev/null &&
    fail "$name: the primary passes for the beach before the saver runs"
  monitor_shows_beach before.ppm "$w0" 0 "$w1" "$h1" ref1.png > /dev/null &&
    fail "$name: the second monitor passes for the beach before the saver runs"

  rm -f "$work/bin/sandloop.log"
  ./bin/sandloop /s --set flag_PlaySound=0 > "$work/err" 2>&1 &
  saver=$!
  # The primary's window: the one at the root's corner of the primary's size.
  local win= w
  for i in $(seq 100); do
    for w in $(xdotool search --name '^Sandloop$' 2>/dev/null); do
      xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Position: 0,0 .*" &&
        xdotool getwindowgeometry "$w" | grep -q "Geometry: ${w0}x${h0}" && win=$w
    done
    [ -n "$win" ] && break
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended at once"
    sleep 0.1
  done
  [ -n "$win" ] || fail "$name: no full-screen window on the primary"
  # Both monitors show the beach within 10 s (the further monitor's scene
  # is made once the primary's first frame is shown).
  local primary second
  for i in $(seq 40); do
    sleep 0.25
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended"
    "$tool" shot 0 shot.ppm || continue
    primary=$(monitor_shows_beach shot.ppm 0 0 "$w0" "$h0" ref0.png) &&
      second=$(monitor_shows_beach shot.ppm "$w0" 0 "$w1" "$h1" ref1.png) && break
    primary= second=
  done
  if [ -z "$second" ]; then
    echo "primary: $(monitor_shows_beach shot.ppm 0 0 "$w0" "$h0" ref0.png)"
    echo "second: $(monitor_shows_beach shot.ppm "$w0" 0 "$w1" "$h1" ref1.png)"
    fail "$name: a monitor does not show the beach"
  fi
  echo "$name: primary ${w0}x${h0}: $primary"
  echo "$name: second ${w1}x${h1} at ${w0},0: $second"
  # SANDLOOP_SHOTS names a folder to keep the screenshots in, to look at.
  if [ -n "${SANDLOOP_SHOTS:-}" ]; then
    cp before.ppm "$SANDLOOP_SHOTS/x11-$name-before.ppm"
    cp shot.ppm "$SANDLOOP_SHOTS/x11-$name-saver.ppm"
  fi

  # A key ends it (pressed again until it has gone: the window may take a
  # moment to take input on a loaded machine).
  for i in $(seq 25); do
    kill -0 $saver 2>/dev/null || break
    xdotool key --window "$win" a 2>/dev/null
    sleep 0.2
  done
  kill -0 $saver 2>/dev/null && fail "$name: still running 5 s after a key"
  wait $saver; rc=$?
  saver=
  [ $rc -eq 0 ] || fail "$name: exit code $rc"
  lines=$(cat "$work/bin/sandloop.log" "$XDG_STATE_HOME"/sandloop/*.log 2>/dev/null)
  [ "$(grep -c 'START AT' <<<"$lines")" -eq 1 ] || fail "$name: not one START line in the log"
  [ "$(grep -c 'FINISH AT' <<<"$lines")" -eq 1 ] || fail "$name: not one FINISH line in the log"
  # Its windows have gone from both monitors: the root shows again.
  "$tool" shot 0 after.ppm || fail "$name: no screenshot"
  [ "$("$tool" fill after.ppm "$w0" 0 $((w0 + w1)) "$h1" "${root_rgb[@]}")" -ge 98 ] ||
    fail "$name: the second monitor is still covered after the saver ended"
}

layout 1024 768 1280 1024
layout 1920 1080 1920 1080
echo "1 passed, 0 failed"
