#!/usr/bin/env bash
# Runs the saver under Xvfb through one demonstration day and takes a
# screenshot every few seconds, for looking at the tint by eye.
#
#   tools/animate/daycycle-shots.sh SANDLOOP OUTDIR [SECONDS] [EVERY]
#
# Writes OUTDIR/shot-SSS.png (SSS = seconds since the window appeared) and
# OUTDIR/run.log. The run uses a private settings home (defaults: the
# demonstration clock, sound off). Needs Xvfb, xdotool and ImageMagick.
set -u
exe=${1:?the sandloop program}
out=${2:?an output folder}
seconds=${3:-92}
every=${4:-2}
for tool in Xvfb xdotool import; do command -v $tool >/dev/null || { echo "$tool missing"; exit 77; }; done
mkdir -p "$out"
work=$(mktemp -d)
xvfb=""
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")

"$exe" /s --set flag_PlaySound=0 > "$out/run.log" 2>&1 &
saver=$!
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "no window appeared"; cat "$out/run.log"; exit 1; }
start=$(date +%s.%N)
while :; do
  now=$(date +%s.%N)
  elapsed=$(awk -v a="$start" -v b="$now" 'BEGIN { printf "%03d", b - a }')
  [ "$elapsed" -gt "$seconds" ] && break
  import -window root "$out/shot-$elapsed.png" 2>/dev/null
  sleep "$every"
done
for _ in $(seq 50); do
  kill -0 $saver 2>/dev/null || break
  xdotool key --window "$win" a 2>/dev/null
  sleep 0.2
done
wait $saver
echo "saver ended with $?; shots in $out"
