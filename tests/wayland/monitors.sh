#!/usr/bin/env bash
# The full-screen saver on SDL's native Wayland driver on two outputs of
# sway's headless back end, side by side: every output shows the beach,
# each at its own size (the primary's with the clock), and a typed key
# ends it in order. Two layouts: 1024x768 beside 1280x1024 (different
# sizes and shapes, the compositor's background in the strip below the
# smaller one), and two 1920x1080 outputs.
# Each output's part of a screenshot of the whole layout (grim) must be
# covered (next to no black and none of the background's colour), have a
# blue sky, and show the still scenery as `sandloop --render` draws it at
# that output's own size (the primary's beach scaled to the second
# output's size must not pass for it). The same checks of a screenshot
# taken before the saver starts must fail, or they would not see an
# uncovered output. After a key (wtype) the saver ends with exit code 0
# and its log holds one START and one FINISH line; without wtype it is
# ended by SIGTERM. An output added while the saver runs ends it in order
# too: sway would keep a cover made for it on the focused output.
# sway refuses to run as root, so as root everything runs as the user
# nobody (setpriv). Skipped (exit 77) where sway, grim or netpbm is
# missing.
# Usage: monitors.sh SANDLOOP SCREEN_TOOL
# With SANDLOOP_SHOTS set to a folder, the screenshots are kept there.
set -u
exe=$(readlink -f "$1") screen_tool=$(readlink -f "$2")
here=$(dirname "$(readlink -f "$0")")
. "$here/sway_common.sh"
# shows_beach and the backdrop's colour, shared with the X11 checks.
. "$here/../lib/picture_checks.sh"
sway_require grim "${picture_tools[@]}"
sway_work outputs "$exe"
pids=()
# Ended newest first, the compositor last.
stop_all() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill ${pids[i]} 2>/dev/null; wait ${pids[i]} 2>/dev/null; done
  pids=()
}
trap 'stop_all; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- saver's stderr"; tail -20 "$work/run.err" 2>/dev/null
  echo "--- log"; tail -8 "$work/bin/sandloop.log" 2>/dev/null
  echo "--- compositor (last lines)"; tail -10 "$work/compositor.log" 2>/dev/null
  exit 1
}
# A clean environment for the user, with private XDG folders and the
# sanitizers' options of a sanitizer build kept.
clean=(env -i HOME="$work" PATH="$work/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8
       XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
       ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")
run() { (cd "$work" && exec "${as_user[@]}" "${clean[@]}" "$@"); }

# A screenshot of the whole layout as a PPM.
shoot() { run "${wl[@]}" grim -t ppm "$1" 2>/dev/null; }

# The settings of every run and rendering here: no tint, which would
# follow the time of day between the rendering and the screenshot.
settings=(--set flag_PlaySound=0 --set FlagDemoDaytime=0 --set FlagDaytime=0)

# One layout: the primary's size, then the second output's, which stands
# right of the primary, tops level; the saver on both.
layout() {
  local w0=$1 h0=$2 w1=$3 h1=$4 how=$5 name="$1x$2+$3x$4" i code primary= second= lines sock
  printf 'output * bg #%02x%02x%02x solid_color\n' "${backdrop_rgb[@]}" > "$work/sway.conf"
  printf 'output HEADLESS-1 mode %dx%d position 0,0\noutput HEADLESS-2 mode %dx%d position %d,0\n' \
    "$w0" "$h0" "$w1" "$h1" "$w0" >> "$work/sway.conf"
  start_sway 2 || fail "$name: sway did not start"

  # The references: the beach as this build renders it at each size, the
  # further output's without the clock and the text lines only the
  # primary shows.
  run sandloop --render "$work/ref0.png" --size "${w0}x${h0}" "${settings[@]}" > /dev/null &&
    run sandloop --render "$work/ref1.png" --size "${w1}x${h1}" "${settings[@]}" --set flag_clock=0 \
      --set ShowRisSet=0 --set FlagShowSimulateTime=0 > /dev/null || fail "sandloop --render failed"
  pngtopnm "$work/ref0.png" > "$work/ref0.ppm" && pngtopnm "$work/ref1.png" > "$work/ref1.ppm" ||
    fail "pngtopnm failed"

  # Before the saver runs, the checks must find both outputs uncovered.
  # The first screenshot shows the background once sway has drawn it.
  for i in $(seq 50); do
    shoot "$work/before.ppm" &&
      [ "$("$screen_tool" fill "$work/before.ppm" 0 0 $((w0 + w1)) "$h0" "${backdrop_rgb[@]}")" -ge 98 ] && break
    sleep 0.1
  done
  shoot "$work/before.ppm" || fail "$name: grim took no screenshot"
  read -r size < <(sed -n 2p "$work/before.ppm")
  [ "$size" = "$((w0 + w1)) $((h0 > h1 ? h0 : h1))" ] || fail "$name: the layout is $size, not the two outputs side by side"
  echo "$name: before, primary: $(shows_beach "$work/before.ppm" 0 0 "$w0" "$h0" "$work/ref0.ppm")"
  shows_beach "$work/before.ppm" 0 0 "$w0" "$h0" "$work/ref0.ppm" > /dev/null &&
    fail "$name: the primary passes before the saver runs"
  echo "$name: before, second: $(shows_beach "$work/before.ppm" "$w0" 0 "$w1" "$h1" "$work/ref1.ppm")"
  shows_beach "$work/before.ppm" "$w0" 0 "$w1" "$h1" "$work/ref1.ppm" > /dev/null &&
    fail "$name: the second output passes before the saver runs"

  rm -f "$work/bin/sandloop.log"
  (cd "$work" && exec "${as_user[@]}" "${clean[@]}" "${wl[@]}" sandloop /s "${settings[@]}" > "$work/run.out" \
    2> "$work/run.err") &
  saver=$!
  pids+=($saver)
  # Both outputs show the beach within 10 s (the further output's scene is
  # made once the primary's first frame is shown).
  for i in $(seq 40); do
    sleep 0.25
    kill -0 $saver 2>/dev/null || fail "$name: the saver ended"
    shoot "$work/shot.ppm" || continue
    primary=$(shows_beach "$work/shot.ppm" 0 0 "$w0" "$h0" "$work/ref0.ppm") &&
      second=$(shows_beach "$work/shot.ppm" "$w0" 0 "$w1" "$h1" "$work/ref1.ppm") && break
    second=
  done
  [ -n "${SANDLOOP_SHOTS:-}" ] && cp "$work/before.ppm" "$SANDLOOP_SHOTS/wayland-$name-before.ppm" &&
    cp "$work/shot.ppm" "$SANDLOOP_SHOTS/wayland-$name-saver.ppm"
  if [ -z "$second" ]; then
    echo "primary: $(shows_beach "$work/shot.ppm" 0 0 "$w0" "$h0" "$work/ref0.ppm")"
    echo "second: $(shows_beach "$work/shot.ppm" "$w0" 0 "$w1" "$h1" "$work/ref1.ppm")"
    fail "$name: an output does not show the beach"
  fi
  echo "$name: primary ${w0}x${h0}: $primary"
  echo "$name: second ${w1}x${h1} at ${w0},0: $second"
  # Composed for its own size: the primary's beach scaled to the second
  # output's size is not what it shows.
  if [ "${w0}x${h0}" != "${w1}x${h1}" ]; then
    pamscale -xsize "$w1" -ysize "$h1" "$work/ref0.ppm" > "$work/scaled.ppm" || fail "pamscale failed"
    echo "$name: second against the primary's beach scaled: $(shows_beach "$work/shot.ppm" "$w0" 0 "$w1" "$h1" \
      "$work/scaled.ppm")"
    shows_beach "$work/shot.ppm" "$w0" 0 "$w1" "$h1" "$work/scaled.ppm" > /dev/null &&
      fail "$name: the second output shows the primary's beach scaled"
  fi

  # A typed key ends it, where wtype can type (sway's virtual keyboard);
  # else SIGTERM does. Or an output comes while it runs: the compositor
  # would not put a cover made for it there, so the saver ends in order.
  if [ "$how" = plug ]; then
    sock=$(ls "$work"/run/sway-ipc.*.sock 2>/dev/null | head -1)
    [ -n "$sock" ] || fail "$name: no sway IPC socket"
    run env SWAYSOCK="$sock" swaymsg create_output > /dev/null || fail "$name: sway made no output"
  elif command -v wtype >/dev/null; then
    # The seat has no keyboard until wtype makes its virtual one; the pause
    # lets the saver take the new keyboard before the key comes.
    run "${wl[@]}" wtype -s 1000 x || fail "$name: wtype could not type"
  else
    echo "wtype missing: ended by SIGTERM"
    kill -TERM $saver
  fi
  for i in $(seq 50); do
    kill -0 $saver 2>/dev/null || break
    sleep 0.1
  done
  kill -0 $saver 2>/dev/null && fail "$name: still running 5 s after the $how"
  wait $saver; code=$?
  [ $code -eq 0 ] || fail "$name: exit code $code"
  lines=$(cat "$work/bin/sandloop.log" "$work/state"/sandloop/*.log 2>/dev/null)
  [ "$(grep -c 'START AT' <<<"$lines")" -eq 1 ] || fail "$name: not one START line in the log"
  [ "$(grep -c 'FINISH AT' <<<"$lines")" -eq 1 ] || fail "$name: not one FINISH line in the log"
  # Its surfaces have gone from both outputs: the background shows again.
  shoot "$work/after.ppm" || fail "$name: grim took no screenshot"
  [ "$("$screen_tool" fill "$work/after.ppm" 0 0 $((w0 + w1)) "$h0" "${backdrop_rgb[@]}")" -ge 98 ] ||
    fail "$name: the outputs are still covered after the saver ended"
  stop_all
  echo "$name: ok"
}

layout 1024 768 1280 1024 key
layout 1920 1080 1920 1080 plug
echo "1 passed, 0 failed"
