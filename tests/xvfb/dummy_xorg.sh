# Sourced by the checks of the saver on two monitors of one X screen
# (tests/xvfb/monitors.sh, tests/wine/monitors.sh) and by
# tools/bench-monitors.sh. Xvfb's screens are not monitors to SDL, nor to
# Wine's XRandR (Wine sees them only through Xinerama), so these run a
# private Xorg with the dummy video driver: its RandR outputs DUMMY0 and
# DUMMY1 are set side by side with xrandr, and both SDL and Wine's XRandR
# see them as two monitors.
# Xorg run as root takes over a virtual terminal, so as root the server
# runs as the user nobody; it is started without Debian's wrapper, which
# lets only console users start it.
#
#   dummy_xorg_require [TOOL...]   exit 77 where Xorg, its dummy driver,
#                                  xrandr, xsetroot or a TOOL is missing;
#                                  sets $xorg and $as_user
#   dummy_xorg_start [W H VIDEORAM]
#                                  starts the server with a screen of W x H
#                                  (3840x1080) and VIDEORAM kB (65536),
#                                  exports DISPLAY, sets $server (its pid,
#                                  for the caller's trap)
#   dummy_xorg_layout W0 H0 W1 H1 NAME
#                                  the primary W0xH0 at 0,0 and the second
#                                  monitor right of it, tops level; the root
#                                  in the backdrop's colour
#   dummy_xorg_uncovered NAME W0 H0 W1 H1
#                                  fails unless a screenshot taken before
#                                  the saver runs fails the beach's checks
#                                  on both monitors
#   dummy_xorg_window NAME W H TRIES
#                                  waits for the saver's window on the
#                                  primary; its id in $win
#   dummy_xorg_beach NAME W0 H0 W1 H1 TAG
#                                  waits for both monitors to show the beach
#   dummy_xorg_end NAME HOW W0 [KEY OPTION...]
#                                  ends the saver by a key (HOW key: the
#                                  key a, sent with the options) or by the
#                                  pointer moved over the second monitor
#                                  (mouse), again until it has gone; fails
#                                  unless it ends within 5 s with exit code
#                                  0; clears $saver
# The picture checks (shows_beach, the backdrop's colour) are those of
# tests/lib/picture_checks.sh, sourced here.
# Needs $work (a private folder, readable by all) and the caller's fail();
# the checks need $screen_tool (the screenshot and fill tool), $saver (the
# saver's pid) and, in the current folder, the references ref0.ppm and
# ref1.ppm of the two monitors' sizes.

. "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../lib/picture_checks.sh"
. "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../lib/require.sh"

dummy_xorg_require() {
  xorg=/usr/lib/xorg/Xorg
  [ -x "$xorg" ] || xorg=$(command -v Xorg) || { echo "Xorg missing"; exit 77; }
  [ -f "$("$xorg" -showDefaultModulePath 2>&1 | tail -1)/drivers/dummy_drv.so" ] ||
    { echo "Xorg's dummy video driver missing (xserver-xorg-video-dummy)"; exit 77; }
  require_tools xrandr xsetroot "$@"
  require_user
}

# One screen as large as the monitors side by side (the checks' two
# 1920x1080 ones unless told); the dummy driver makes RandR outputs DUMMY0,
# DUMMY1, ... of it, the first one on. Then the modes the layouts need (CVT
# timings, as `cvt W H 60` gives them), known to both outputs.
dummy_xorg_start() {
  local width=${1:-3840} height=${2:-1080} videoram=${3:-65536} output mode
  mkdir -p "$work/server"
  [ ${#as_user[@]} -gt 0 ] && chown nobody:nogroup "$work/server"
  cat > "$work/server/dummy.conf" <<EOF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam $videoram
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual $width $height
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

  xrandr --newmode 1280x1024_60 109.00 1280 1368 1496 1712 1024 1027 1034 1063 -hsync +vsync
  xrandr --newmode 1920x1080_60 173.00 1920 2048 2248 2576 1080 1083 1088 1120 -hsync +vsync
  for output in DUMMY0 DUMMY1; do
    for mode in 1280x1024_60 1920x1080_60; do
      xrandr --addmode $output $mode || fail "cannot add $mode to $output"
    done
  done
}

dummy_xorg_layout() {
  local w0=$1 h0=$2 w1=$3 h1=$4 name=$5 mode0=${1}x${2} mode1=${3}x${4}
  [ "$mode0" = 1024x768 ] || mode0=${mode0}_60
  [ "$mode1" = 1024x768 ] || mode1=${mode1}_60
  xrandr --output DUMMY0 --primary --mode "$mode0" --pos 0x0 --output DUMMY1 --mode "$mode1" --pos "${w0}x0" ||
    fail "$name: xrandr could not set the layout"
  [ "$(xrandr --listactivemonitors | head -1)" = "Monitors: 2" ] ||
    fail "$name: the server has $(xrandr --listactivemonitors | head -1)"
  xsetroot -solid "$(printf '#%02x%02x%02x' "${backdrop_rgb[@]}")"
}

# Before the saver runs, the checks must find both monitors uncovered, or
# they would not see an uncovered monitor: a screenshot of the root
# (before.ppm) fails them on each.
dummy_xorg_uncovered() {
  local name=$1 w0=$2 h0=$3 w1=$4 h1=$5
  "$screen_tool" shot 0 before.ppm || fail "$name: no screenshot"
  echo "$name: before, primary: $(shows_beach before.ppm 0 0 "$w0" "$h0" ref0.ppm)"
  shows_beach before.ppm 0 0 "$w0" "$h0" ref0.ppm > /dev/null && fail "$name: the primary passes before the saver runs"
  echo "$name: before, second: $(shows_beach before.ppm "$w0" 0 "$w1" "$h1" ref1.ppm)"
  shows_beach before.ppm "$w0" 0 "$w1" "$h1" ref1.ppm > /dev/null &&
    fail "$name: the second monitor passes before the saver runs"
}

# The saver's window on the primary: at the root's corner, of the
# primary's size W x H, looked for every tenth of a second up to TRIES
# times while the saver runs. Its id in $win.
dummy_xorg_window() {
  local name=$1 width=$2 height=$3 tries=$4 i id
  win=
  for i in $(seq "$tries"); do
    for id in $(xdotool search --name '^Sandloop$' 2>/dev/null); do
      xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Position: 0,0 " &&
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: ${width}x${height}" && win=$id
    done
    [ -n "$win" ] && break
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended at once"
    sleep 0.1
  done
  [ -n "$win" ] || fail "$name: no full-screen window on the primary"
}

# Both monitors show the beach within 10 s (the further monitor's scene is
# made once the primary's first frame is shown) while the saver runs, in
# screenshots of the root (shot.ppm). Each composed for its own size: the
# primary's beach scaled to the second monitor's size must not pass for
# what the second shows. With SANDLOOP_SHOTS set to a folder, before.ppm
# and the last screenshot are kept there, named TAG-NAME-*.ppm.
dummy_xorg_beach() {
  local name=$1 w0=$2 h0=$3 w1=$4 h1=$5 tag=$6 i primary= second=
  for i in $(seq 40); do
    sleep 0.25
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended"
    "$screen_tool" shot 0 shot.ppm || continue
    primary=$(shows_beach shot.ppm 0 0 "$w0" "$h0" ref0.ppm) &&
      second=$(shows_beach shot.ppm "$w0" 0 "$w1" "$h1" ref1.ppm) && break
    second=
  done
  [ -n "${SANDLOOP_SHOTS:-}" ] && cp before.ppm "$SANDLOOP_SHOTS/$tag-$name-before.ppm" &&
    cp shot.ppm "$SANDLOOP_SHOTS/$tag-$name-saver.ppm"
  if [ -z "$second" ]; then
    echo "primary: $(shows_beach shot.ppm 0 0 "$w0" "$h0" ref0.ppm)"
    echo "second: $(shows_beach shot.ppm "$w0" 0 "$w1" "$h1" ref1.ppm)"
    fail "$name: a monitor does not show the beach"
  fi
  echo "$name: primary ${w0}x${h0}: $primary"
  echo "$name: second ${w1}x${h1} at ${w0},0: $second"
  if [ "${w0}x${h0}" != "${w1}x${h1}" ]; then
    pamscale -xsize "$w1" -ysize "$h1" ref0.ppm > scaled.ppm || fail "pamscale failed"
    echo "$name: second against the primary's beach scaled: $(shows_beach shot.ppm "$w0" 0 "$w1" "$h1" scaled.ppm)"
    shows_beach shot.ppm "$w0" 0 "$w1" "$h1" scaled.ppm > /dev/null &&
      fail "$name: the second monitor shows the primary's beach scaled"
  fi
}

dummy_xorg_end() {
  local name=$1 how=$2 w0=$3 i rc
  shift 3
  # Again until it has gone: the window may take a moment to take input on
  # a loaded machine.
  for i in $(seq 25); do
    kill -0 "$saver" 2>/dev/null || break
    if [ "$how" = mouse ]; then
      xdotool mousemove $((w0 + 100 + i * 20)) $((100 + i * 10)) 2>/dev/null
    else
      xdotool key "$@" a 2>/dev/null
    fi
    sleep 0.2
  done
  kill -0 "$saver" 2>/dev/null && fail "$name: still running 5 s after the $how"
  wait "$saver"; rc=$?
  saver=
  [ $rc -eq 0 ] || fail "$name: exit code $rc"
}
