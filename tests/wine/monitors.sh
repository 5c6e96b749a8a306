#!/usr/bin/env bash
# The Windows screen saver on two monitors side by side, under Wine on a
# private Xorg with the dummy video driver (tests/xvfb/dummy_xorg.sh): Wine
# takes the server's two RandR outputs for two monitors through XRandR.
# `sandloop.scr /s` must show the beach on both, each composed for its own
# size, the primary's with the clock and the text lines. Two layouts:
# 1024x768 beside 1280x1024 (different sizes and shapes, an uncovered
# strip of the root below the smaller one), and two 1920x1080 monitors.
# Each monitor's part of a screenshot of the root must be covered (next to
# no black and none of the root's own colour), have a blue sky, and show
# the still scenery as the Linux build's `sandloop --render` draws it at
# that monitor's own size (the further monitor's without the clock and the
# text lines; the primary's beach scaled to the second monitor's size must
# not pass for it). The same checks of a screenshot taken before the saver
# starts must fail, or they would not see an uncovered monitor. A key (or
# the pointer moved over the second monitor) then ends the saver with exit
# code 0, its log holds one START and one FINISH line, and the root shows
# again on both monitors.
# Wine runs in a prefix of its own in a temporary folder: a copy of the
# caller's $WINEPREFIX where there is one, else a new one.
# Skipped (exit 77) where Wine, Xorg, its dummy driver, xrandr, xsetroot,
# xdotool, netpbm or the Windows build is missing.
# Usage: monitors.sh WINDOWS_BUILD_DIR LINUX_SANDLOOP SCREEN_TOOL
# With SANDLOOP_SHOTS set to a folder, the screenshots are kept there.
set -u
[ $# -eq 3 ] || { echo "usage: $0 WINDOWS_BUILD_DIR LINUX_SANDLOOP SCREEN_TOOL"; exit 2; }
wbuild=$(readlink -f "$1") linux=$(readlink -f "$2") screen_tool=$(readlink -f "$3")
. "$(dirname "$(readlink -f "$0")")/../xvfb/dummy_xorg.sh"
dummy_xorg_require xdotool "${picture_tools[@]}" wine wineserver wineboot
[ -f "$wbuild/sandloop.scr" ] || { echo "no Windows build in $wbuild"; exit 77; }
[ -x "$linux" ] && [ -x "$screen_tool" ] || { echo "no Linux build's sandloop and screen_tool"; exit 77; }
began=$(date +%s)

caller_prefix=${WINEPREFIX:-}
work=$(mktemp -d /tmp/sandloop-wine-monitors-XXXXXX)
chmod 755 "$work"
# From here on every Wine command (and the trap's wineserver -k) is about
# this prefix only, never the caller's.
export WINEPREFIX=$work/prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
server= saver=
cleanup() {
  [ -n "$saver" ] && kill -9 $saver 2>/dev/null
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  [ -n "$server" ] && { kill $server 2>/dev/null; wait $server 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- saver's output"; tr -d '\r' < "$work/run.log" 2>/dev/null | tail -20
  echo "--- log"; tr -d '\r' < "$log" 2>/dev/null | tail -8
  exit 1
}
unset WAYLAND_DISPLAY
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
cd "$work" || exit 1
dummy_xorg_start
# The first layout is in place before Wine starts: Wine reads the monitors
# when its first process starts.
dummy_xorg_layout 1024 768 1280 1024 "1024x768+1280x1024"

if [ -n "$caller_prefix" ] && [ -d "$caller_prefix" ]; then
  # A Wine server still running for the caller's prefix holds registry
  # changes it has not yet written out (a copy taken just after wineboot
  # lacks the picture decoders' registration, and the saver cannot read
  # its pictures): wait a while for it to end, without ending it.
  WINEPREFIX=$caller_prefix timeout 20 wineserver -w 2>/dev/null
  cp -a "$caller_prefix" "$WINEPREFIX" || fail "cannot copy the Wine prefix $caller_prefix"
else
  wineboot -i >/dev/null 2>&1 || fail "wineboot could not make the prefix"
fi
# Wine sees the dummy outputs as monitors through XRandR (a prefix made
# for Xvfb's screens may have it off, for Xinerama).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d Y /f >/dev/null 2>&1 ||
  fail "cannot set UseXRandR"
# Every Wine process ends, so that the next ones start with XRandR on.
timeout 30 wineserver -w || fail "Wine's processes did not end"
echo "Wine prefix ready in $(( $(date +%s) - began )) s"

drive=$WINEPREFIX/drive_c
cp "$wbuild/sandloop.scr" "$drive/sandloop.scr"
log=$drive/sandloop.log

# The settings of every run: no sound, and no tint, which would follow the
# time of day between the rendering and the screenshot. The Windows saver
# reads them from the registry, where the key must hold every value: one
# without flag_clock is a first run, which stores the first run's values
# (tint on) over these, and one without another value fails to load. So
# the whole key is imported, with the first run's values but for those,
# the clock at the primary's top right as a first run puts it, and the
# clock in the colour the scene gives it on a first run, as `--render`
# draws it. RegLat and RegLng are the first place's 50.783333 and 6.1 as
# floats widened to doubles.
settings=(--set flag_PlaySound=0 --set FlagDemoDaytime=0 --set FlagDaytime=0)
store_settings() {
  local w0=$1 h0=$2
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\Software\Morvant\Sandloop]' \
    '"flag_clock"=dword:00000001' '"flag_PlaySound"=dword:00000000' '"flag_fps"=dword:00000000' \
    '"TermMouse"=dword:00000001' '"Gamma"=dword:00000100' '"flag_defres"=dword:00000001' \
    "\"ResHor\"=dword:$(printf %08x "$w0")" "\"ResVert\"=dword:$(printf %08x "$h0")" '"ColorDepth"=dword:00000020' \
    "\"clockX\"=dword:$(printf %08x $((w0 - 90)))" '"clockY"=dword:0000005a' '"clockRad"=dword:00000046' \
    '"ColorClock"=dword:00c59f5a' '"SetSpeed"=dword:00000001' '"NumEagles"=dword:00000004' \
    '"FlagShowEagles"=dword:00000001' '"FlagShowButterfly"=dword:00000001' '"FlagDaytime"=dword:00000000' \
    '"FlagDemoDaytime"=dword:00000000' '"FlagShowSimulateTime"=dword:00000001' \
    '"FlagDaylightSavingTime"=dword:00000000' '"RegLat"=hex:00,00,00,40,44,64,49,40' \
    '"RegLng"=hex:00,00,00,60,66,66,18,40' '"RegOfUTC"=dword:00000001' '"ShowRisSet"=dword:00000001' \
    '"IndexCity"=dword:00000000' '' > "$drive/settings.reg"
  (cd "$drive" && wine reg import 'C:\settings.reg') >/dev/null 2>&1 || fail "cannot import the settings"
  # The saver must find exactly these: the import is read back.
  [ "$(wine reg query 'HKCU\Software\Morvant\Sandloop' 2>/dev/null | tr -d '\r' |
       awk '$1 ~ /^(FlagDemoDaytime|FlagDaytime|flag_PlaySound)$/ && $3 == "0x0" { n++ } $1 == "clockX" { x = $3 } END { print n " " x }')" \
    = "3 $(printf '0x%x' $((w0 - 90)))" ] || fail "the settings are not in the registry"
}

# One layout: the primary's size, then the second monitor's, which stands
# right of the primary, tops level; the saver on both.
layout() {
  local w0=$1 h0=$2 w1=$3 h1=$4 how=$5 name="$1x$2+$3x$4" i root win= t0=$(date +%s)
  dummy_xorg_layout "$w0" "$h0" "$w1" "$h1" "$name"
  store_settings "$w0" "$h0"

  # The references: the beach as the Linux build renders it at each size,
  # the further monitor's without the clock and the text lines only the
  # primary shows.
  "$linux" --render ref0.png --size "${w0}x${h0}" "${settings[@]}" > /dev/null &&
    "$linux" --render ref1.png --size "${w1}x${h1}" "${settings[@]}" --set flag_clock=0 --set ShowRisSet=0 \
      --set FlagShowSimulateTime=0 > /dev/null || fail "sandloop --render failed"
  pngtopnm ref0.png > ref0.ppm && pngtopnm ref1.png > ref1.ppm || fail "pngtopnm failed"

  # Before the saver runs, the checks must find both monitors uncovered.
  dummy_xorg_uncovered "$name" "$w0" "$h0" "$w1" "$h1"

  rm -f "$log"
  (cd "$drive" && exec wine 'C:\sandloop.scr' /s) > "$work/run.log" 2>&1 &
  saver=$!
  # The primary's window (Wine is slow to start on a loaded machine).
  dummy_xorg_window "$name" "$w0" "$h0" 200
  echo "$name: the primary's window after $(( $(date +%s) - t0 )) s"
  # Both monitors show the beach, each composed for its own size.
  dummy_xorg_beach "$name" "$w0" "$h0" "$w1" "$h1" wine

  # A key ends it, or the pointer moved over the second monitor. The key
  # goes to the window with the input focus, as a user's would.
  dummy_xorg_end "$name" "$how" "$w0"
  [ "$(grep -c 'START AT' "$log" 2>/dev/null)" = 1 ] || fail "$name: not one START line in the log"
  [ "$(grep -c 'FINISH AT' "$log" 2>/dev/null)" = 1 ] || fail "$name: not one FINISH line in the log"
  # Its windows have gone from both monitors: the root shows again (within
  # 2 s: Wine's other processes may still be taking them down).
  for i in $(seq 10); do
    "$screen_tool" shot 0 after.ppm || fail "$name: no screenshot"
    root=$("$screen_tool" fill after.ppm 0 0 $((w0 + w1)) "$h0" "${backdrop_rgb[@]}")
    [ "$root" -ge 98 ] && break
    sleep 0.2
  done
  [ "$root" -ge 98 ] || fail "$name: the monitors are still covered after the saver ended (root colour ${root}%)"
  # Every Wine process ends before the next layout: Wine reads the
  # monitors when its first process starts.
  timeout 30 wineserver -w || fail "$name: Wine's processes did not end"
  echo "$name: ok ($(( $(date +%s) - t0 )) s)"
}

layout 1024 768 1280 1024 key
layout 1920 1080 1920 1080 mouse
echo "$(( $(date +%s) - began )) s in all"
echo "1 passed, 0 failed"
