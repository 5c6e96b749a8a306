#!/usr/bin/env bash
# The full-screen saver on two monitors of one X screen: every monitor
# shows the beach, each at its own size (the primary's with the clock),
# and a key ends it in order. Xvfb's screens are not monitors to SDL, so
# this runs a private Xorg with the dummy video driver, whose RandR outputs
# DUMMY0 and DUMMY1 are set side by side with xrandr: SDL lists them as two
# displays. Two layouts: 1024x768 beside 1280x1024 (different sizes and
# shapes, an uncovered strip of the root below the smaller one), and two
# 1920x1080 monitors.
# Each monitor's part of a screenshot of the root must be covered (next
# to no black and none of the root's own colour), have a blue sky, and
# show the still scenery as `sandloop --render` draws it at that monitor's
# own size (the primary's beach scaled to the second monitor's size must
# not pass for it). The same checks of a screenshot taken before the saver
# starts must fail, or they would not see an uncovered monitor. After a
# key (or the pointer moved over the second monitor) the saver ends with
# exit code 0, its log holds one START and one
# FINISH line, and the root shows again on both monitors.
# Xorg run as root takes over a virtual terminal, so as root the server
# runs as the user nobody; it is started without Debian's wrapper, which
# lets only console users start it.
# Skipped (exit 77) where Xorg, its dummy driver, xrandr, xsetroot,
# xdotool or netpbm is missing.
# Usage: monitors.sh SANDLOOP SCREEN_TOOL
# With SANDLOOP_SHOTS set to a folder, the screenshots are kept there.
set -u
exe=$(readlink -f "$1") tool=$(readlink -f "$2")
xorg=/usr/lib/xorg/Xorg
[ -x "$xorg" ] || xorg=$(command -v Xorg) || { echo "Xorg missing"; exit 77; }
[ -f "$("$xorg" -showDefaultModulePath 2>&1 | tail -1)/drivers/dummy_drv.so" ] ||
  { echo "Xorg's dummy video driver missing (xserver-xorg-video-dummy)"; exit 77; }
for t in xrandr xsetroot xdotool pngtopnm pamcut pamarith pamfunc pamsumm pamchannel pamscale; do
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
cd "$work" || exit 1

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

# The share (per cent, two decimals) of colour samples in the band at the
# top of a monitor's part of a screenshot (X Y W H in SHOT) that are more
# than 24 off the same band of REFERENCE (a PPM of the monitor's size).
# The band is the scenery above the far surf (its top 280 of 768 rows at
# any size), which holds still but for the creatures and the clock.
off_reference() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5 reference=$6 band=$(($5 * 280 / 768))
  pamcut -left "$x" -top "$y" -width "$w" -height "$band" "$shot" > "$work/a.ppm" &&
    pamcut -left 0 -top 0 -width "$w" -height "$band" "$reference" > "$work/b.ppm" || return 1
  # |a - b| clamped to 25, less 24: 1 where a sample is more than 24 off.
  pamarith -difference "$work/a.ppm" "$work/b.ppm" | pamfunc -max 25 | pamfunc -subtractor 24 |
    pamsumm -mean -brief | awk '{ printf "%.2f\n", $1 * 100 }'
}
# The mean of colour channel C (0 red, 2 blue) over the top eighth of a
# monitor's part: the sky.
sky_mean() {
  pamcut -left "$2" -top "$3" -width "$4" -height $(($5 / 8)) "$1" | pamchannel -infile - "$6" |
    pamsumm -mean -brief | awk '{ printf "%d\n", $1 }'
}
# Whether the monitor at X Y W H of SHOT shows the beach as REFERENCE
# draws it: at most 2 % of its pixels are the root's colour and 2 % black,
# at most 1 % of the still band's samples are off the reference (the beach
# composed for another size and scaled to this one is 4 % and more off),
# and its sky is blue (blue 40 over red). Prints what it measured.
shows_beach() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5 reference=$6 root black off red blue
  root=$("$tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) "${root_rgb[@]}") &&
    black=$("$tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) 0 0 0) &&
    off=$(off_reference "$@") && red=$(sky_mean "$shot" "$x" "$y" "$w" "$h" 0) &&
    blue=$(sky_mean "$shot" "$x" "$y" "$w" "$h" 2) || { echo "cannot be measured"; return 1; }
  echo "root colour ${root}%, black ${black}%, ${off}% off the rendered beach, sky red $red blue $blue"
  [ "$root" -le 2 ] && [ "$black" -le 2 ] && awk -v o="$off" 'BEGIN { exit !(o <= 1) }' && [ $((blue - red)) -ge 40 ]
}

# The settings of every run and rendering here: no tint, which would
# follow the time of day between the rendering and the screenshot.
settings=(--set flag_PlaySound=0 --set FlagDemoDaytime=0 --set FlagDaytime=0)

# One layout: the primary's size, then the second monitor's, which stands
# right of the primary, tops level; the saver on both.
layout() {
  local w0=$1 h0=$2 w1=$3 h1=$4 how=$5 name="$1x$2+$3x$4" i rc lines win= w primary= second=
  local mode0=${w0}x${h0} mode1=${w1}x${h1}
  [ "$mode0" = 1024x768 ] || mode0=${mode0}_60
  [ "$mode1" = 1024x768 ] || mode1=${mode1}_60
  xrandr --output DUMMY0 --primary --mode "$mode0" --pos 0x0 --output DUMMY1 --mode "$mode1" --pos "${w0}x0" ||
    fail "$name: xrandr could not set the layout"
  [ "$(xrandr --listactivemonitors | head -1)" = "Monitors: 2" ] ||
    fail "$name: the server has $(xrandr --listactivemonitors | head -1)"
  xsetroot -solid "$(printf '#%02x%02x%02x' "${root_rgb[@]}")"

  # The references: the beach as this build renders it at each size, the
  # further monitor's without the clock and the text lines only the
  # primary shows.
  ./bin/sandloop --render ref0.png --size "${w0}x${h0}" "${settings[@]}" > /dev/null &&
    ./bin/sandloop --render ref1.png --size "${w1}x${h1}" "${settings[@]}" --set flag_clock=0 --set ShowRisSet=0 \
      --set FlagShowSimulateTime=0 > /dev/null || fail "sandloop --render failed"
  pngtopnm ref0.png > ref0.ppm && pngtopnm ref1.png > ref1.ppm || fail "pngtopnm failed"

  # Before the saver runs, the checks must find both monitors uncovered.
  "$tool" shot 0 before.ppm || fail "$name: no screenshot"
  echo "$name: before, primary: $(shows_beach before.ppm 0 0 "$w0" "$h0" ref0.ppm)"
  shows_beach before.ppm 0 0 "$w0" "$h0" ref0.ppm > /dev/null && fail "$name: the primary passes before the saver runs"
  echo "$name: before, second: $(shows_beach before.ppm "$w0" 0 "$w1" "$h1" ref1.ppm)"
  shows_beach before.ppm "$w0" 0 "$w1" "$h1" ref1.ppm > /dev/null &&
    fail "$name: the second monitor passes before the saver runs"

  rm -f bin/sandloop.log
  ./bin/sandloop /s "${settings[@]}" > "$work/err" 2>&1 &
  saver=$!
  # The primary's window: at the root's corner, of the primary's size.
  for i in $(seq 100); do
    for w in $(xdotool search --name '^Sandloop$' 2>/dev/null); do
      xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Position: 0,0 " &&
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Geometry: ${w0}x${h0}" && win=$w
    done
    [ -n "$win" ] && break
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended at once"
    sleep 0.1
  done
  [ -n "$win" ] || fail "$name: no full-screen window on the primary"
  # Both monitors show the beach within 10 s (the further monitor's scene
  # is made once the primary's first frame is shown).
  for i in $(seq 40); do
    sleep 0.25
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended"
    "$tool" shot 0 shot.ppm || continue
    primary=$(shows_beach shot.ppm 0 0 "$w0" "$h0" ref0.ppm) &&
      second=$(shows_beach shot.ppm "$w0" 0 "$w1" "$h1" ref1.ppm) && break
    second=
  done
  [ -n "${SANDLOOP_SHOTS:-}" ] && cp before.ppm "$SANDLOOP_SHOTS/x11-$name-before.ppm" &&
    cp shot.ppm "$SANDLOOP_SHOTS/x11-$name-saver.ppm"
  if [ -z "$second" ]; then
    echo "primary: $(shows_beach shot.ppm 0 0 "$w0" "$h0" ref0.ppm)"
    echo "second: $(shows_beach shot.ppm "$w0" 0 "$w1" "$h1" ref1.ppm)"
    fail "$name: a monitor does not show the beach"
  fi
  echo "$name: primary ${w0}x${h0}: $primary"
  echo "$name: second ${w1}x${h1} at ${w0},0: $second"
  # Composed for its own size: the primary's beach scaled to the second
  # monitor's size is not what it shows.
  if [ "${w0}x${h0}" != "${w1}x${h1}" ]; then
    pamscale -xsize "$w1" -ysize "$h1" ref0.ppm > scaled.ppm || fail "pamscale failed"
    echo "$name: second against the primary's beach scaled: $(shows_beach shot.ppm "$w0" 0 "$w1" "$h1" scaled.ppm)"
    shows_beach shot.ppm "$w0" 0 "$w1" "$h1" scaled.ppm > /dev/null &&
      fail "$name: the second monitor shows the primary's beach scaled"
  fi

  # A key ends it, or the pointer moved over the second monitor (again
  # until it has gone: the window may take a moment to take input on a
  # loaded machine).
  for i in $(seq 25); do
    kill -0 $saver 2>/dev/null || break
    if [ "$how" = mouse ]; then
      xdotool mousemove $((w0 + 100 + i * 20)) $((100 + i * 10)) 2>/dev/null
    else
      xdotool key --window "$win" a 2>/dev/null
    fi
    sleep 0.2
  done
  kill -0 $saver 2>/dev/null && fail "$name: still running 5 s after the $how"
  wait $saver; rc=$?
  saver=
  [ $rc -eq 0 ] || fail "$name: exit code $rc"
  lines=$(cat bin/sandloop.log "$XDG_STATE_HOME"/sandloop/*.log 2>/dev/null)
  [ "$(grep -c 'START AT' <<<"$lines")" -eq 1 ] || fail "$name: not one START line in the log"
  [ "$(grep -c 'FINISH AT' <<<"$lines")" -eq 1 ] || fail "$name: not one FINISH line in the log"
  # Its windows have gone from both monitors: the root shows again.
  "$tool" shot 0 after.ppm || fail "$name: no screenshot"
  [ "$("$tool" fill after.ppm 0 0 $((w0 + w1)) "$h0" "${root_rgb[@]}")" -ge 98 ] ||
    fail "$name: the monitors are still covered after the saver ended"
  echo "$name: ok"
}

layout 1024 768 1280 1024 key
layout 1920 1080 1920 1080 mouse
echo "1 passed, 0 failed"
