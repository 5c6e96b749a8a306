# Sourced by the checks of the saver on two monitors of one X screen
# (tests/xvfb/monitors.sh, tests/wine/monitors.sh). Xvfb's screens are not
# monitors to SDL, nor to Wine's XRandR (Wine sees them only through
# Xinerama), so these run a private Xorg with the dummy video driver: its
# RandR outputs DUMMY0 and DUMMY1 are set side by side with xrandr, and
# both SDL and Wine's XRandR see them as two monitors.
# Xorg run as root takes over a virtual terminal, so as root the server
# runs as the user nobody; it is started without Debian's wrapper, which
# lets only console users start it.
#
#   dummy_xorg_require [TOOL...]   exit 77 where Xorg, its dummy driver,
#                                  xrandr, xsetroot, xdotool, netpbm or a
#                                  TOOL is missing; sets $xorg and $as_user
#   dummy_xorg_start               starts the server, exports DISPLAY, sets
#                                  $server (its pid, for the caller's trap)
#   dummy_xorg_layout W0 H0 W1 H1 NAME
#                                  the primary W0xH0 at 0,0 and the second
#                                  monitor right of it, tops level; the root
#                                  in $root_rgb
#   shows_beach SHOT X Y W H REFERENCE
#                                  whether a monitor's part of a screenshot
#                                  shows the beach as REFERENCE draws it
# Needs $work (a private folder, readable by all), $screen_tool (the
# screenshot and fill tool) and the caller's fail().

# A root of a colour the beach does not have, so that an uncovered monitor
# is told apart from a black one.
root_rgb=(255 0 255)

dummy_xorg_require() {
  local t
  xorg=/usr/lib/xorg/Xorg
  [ -x "$xorg" ] || xorg=$(command -v Xorg) || { echo "Xorg missing"; exit 77; }
  [ -f "$("$xorg" -showDefaultModulePath 2>&1 | tail -1)/drivers/dummy_drv.so" ] ||
    { echo "Xorg's dummy video driver missing (xserver-xorg-video-dummy)"; exit 77; }
  for t in xrandr xsetroot xdotool pngtopnm pamcut pamarith pamfunc pamsumm pamchannel pamscale "$@"; do
    command -v "$t" >/dev/null || { echo "$t missing"; exit 77; }
  done
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "setpriv missing"; exit 77; }
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  fi
}

# One screen as large as both monitors side by side; the dummy driver
# makes RandR outputs DUMMY0, DUMMY1, ... of it, the first one on. Then the
# modes the layouts need (CVT timings, as `cvt W H 60` gives them), known
# to both outputs.
dummy_xorg_start() {
  local output mode
  mkdir -p "$work/server"
  [ ${#as_user[@]} -gt 0 ] && chown nobody:nogroup "$work/server"
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
  xsetroot -solid "$(printf '#%02x%02x%02x' "${root_rgb[@]}")"
}

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
# composed for another size and scaled to this one is over 3 % off),
# and its sky is blue (blue 40 over red). Prints what it measured.
shows_beach() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5 reference=$6 root black off red blue
  root=$("$screen_tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) "${root_rgb[@]}") &&
    black=$("$screen_tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) 0 0 0) &&
    off=$(off_reference "$@") && red=$(sky_mean "$shot" "$x" "$y" "$w" "$h" 0) &&
    blue=$(sky_mean "$shot" "$x" "$y" "$w" "$h" 2) || { echo "cannot be measured"; return 1; }
  echo "root colour ${root}%, black ${black}%, ${off}% off the rendered beach, sky red $red blue $blue"
  [ "$root" -le 2 ] && [ "$black" -le 2 ] && awk -v o="$off" 'BEGIN { exit !(o <= 1) }' && [ $((blue - red)) -ge 40 ]
}
