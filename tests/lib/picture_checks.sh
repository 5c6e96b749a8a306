# Sourced by the checks of the saver on two monitors (tests/xvfb/monitors.sh
# and tests/wine/monitors.sh through tests/xvfb/dummy_xorg.sh, and
# tests/wayland/monitors.sh): whether a monitor's part of a screenshot
# shows the beach as `sandloop --render` draws it at that monitor's size.
#
#   picture_tools                  the netpbm tools these checks and their
#                                  callers use, for the callers' skip check
#   backdrop_rgb                   the colour the caller gives what shows
#                                  where nothing covers a monitor (the X
#                                  root, the compositor's background)
#   shows_beach SHOT X Y W H REFERENCE
#                                  whether the monitor at X Y W H of SHOT
#                                  shows the beach as REFERENCE draws it
# Screenshots and references are PPMs. Needs $work (a private folder) and
# $screen_tool (the screenshot and fill tool).

picture_tools=(pngtopnm pamcut pamarith pamfunc pamsumm pamchannel pamscale)

# A colour the beach does not have, so that an uncovered monitor is told
# apart from a black one.
backdrop_rgb=(255 0 255)

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
# draws it: at most 2 % of its pixels are the backdrop's colour and 2 %
# black, at most 1 % of the still band's samples are off the reference
# (the beach composed for another size and scaled to this one is over 3 %
# off), and its sky is blue (blue 40 over red). Prints what it measured.
shows_beach() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5 backdrop black off red blue
  backdrop=$("$screen_tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) "${backdrop_rgb[@]}") &&
    black=$("$screen_tool" fill "$shot" "$x" "$y" $((x + w)) $((y + h)) 0 0 0) &&
    off=$(off_reference "$@") && red=$(sky_mean "$shot" "$x" "$y" "$w" "$h" 0) &&
    blue=$(sky_mean "$shot" "$x" "$y" "$w" "$h" 2) || { echo "cannot be measured"; return 1; }
  echo "backdrop ${backdrop}%, black ${black}%, ${off}% off the rendered beach, sky red $red blue $blue"
  [ "$backdrop" -le 2 ] && [ "$black" -le 2 ] && awk -v o="$off" 'BEGIN { exit !(o <= 1) }' &&
    [ $((blue - red)) -ge 40 ]
}
