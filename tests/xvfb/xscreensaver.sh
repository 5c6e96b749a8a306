#!/usr/bin/env bash
# End to end with the real XScreenSaver 6 daemon under Xvfb: a private home
# whose ~/.xscreensaver lists one other saver, `sandloop --register
# xscreensaver` adds ours, the daemon is told to run it and activate; the
# daemon's window must show the beach (a screenshot that is not black);
# after deactivation no process of ours may be left within 2 s, and the
# run log must hold its FINISH line.
# The daemon refuses to run savers as root, so as root everything runs as
# the user nobody (setpriv). Skipped (exit 77) where Xvfb, the daemon or
# setpriv is missing.
# Usage: xscreensaver.sh SANDLOOP HOST_CHECK [SCREENSHOT.png]
set -u
exe=$1 check=$2 shot=${3:-}
for tool in Xvfb xscreensaver xscreensaver-command; do
  command -v $tool >/dev/null || { echo "$tool missing"; exit 77; }
done
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "setpriv missing"; exit 77; }
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
# No "." in the folder: the log is named after the program path up to its
# first ".".
work=$(mktemp -d /tmp/sandloop-xss-XXXXXX)
chmod 755 "$work"
xvfb= daemon=
# The processes running this copy of the program (other copies on the
# machine are not ours to look at or end).
ours() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$work/bin/sandloop" ] && echo "${p#/proc/}"
  done
}
cleanup() {
  [ -n "$daemon" ] && kill $daemon 2>/dev/null
  for p in $(ours); do kill "$p" 2>/dev/null; done
  [ -n "$xvfb" ] && kill $xvfb 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- daemon log (last lines)"; tail -20 "$work/daemon.log" 2>/dev/null
  exit 1
}

# The program where the saver's user can run it and write its log.
mkdir -p "$work/bin" "$work/home"
cp "$exe" "$work/bin/sandloop"
chmod 755 "$work/bin" "$work/bin/sandloop"
home=$work/home
if [ ${#as_user[@]} -gt 0 ]; then chown nobody:nogroup "$work/bin" "$home"; fi
env_user=(env -i HOME="$home" PATH="$work/bin:/usr/bin:/bin" XDG_RUNTIME_DIR= LANG=C.UTF-8)

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=:$(head -1 "$work/display")
env_user+=(DISPLAY="$display")
run() { "${as_user[@]}" "${env_user[@]}" "$@"; }

# One other saver, shown alone; then ours is registered after it.
cat > "$home/.xscreensaver" <<'XS'
# XScreenSaver Preferences File
timeout:	1:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
mode:		one
selected:	1
programs:								      \
				maze --root				    \n\

XS
[ ${#as_user[@]} -gt 0 ] && chown nobody:nogroup "$home/.xscreensaver"
run sandloop --register xscreensaver > "$work/register.log" 2>&1 || fail "register: $(cat "$work/register.log")"
grep -q "sandloop --root" "$home/.xscreensaver" || fail "register did not add the saver: $(cat "$home/.xscreensaver")"

(cd "$home" && exec "${as_user[@]}" "${env_user[@]}" xscreensaver -no-splash -verbose > "$work/daemon.log" 2>&1) &
daemon=$!
ready=
for _ in $(seq 100); do
  run xscreensaver-command -time > /dev/null 2>&1 && { ready=1; break; }
  sleep 0.1
done
[ -n "$ready" ] || fail "the daemon did not start"

run xscreensaver-command -activate > /dev/null 2>&1 || fail "activate refused"
pid=
for _ in $(seq 100); do
  pid=$(ours | head -1)
  [ -n "$pid" ] && break
  sleep 0.1
done
[ -n "$pid" ] || fail "the daemon did not start the saver"
window=$(tr '\0' '\n' < /proc/$pid/environ | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[ -n "$window" ] || fail "the saver has no XSCREENSAVER_WINDOW"
# The beach needs a moment to load and draw its first frames.
shown=
for _ in $(seq 40); do
  sleep 0.25
  DISPLAY=$display "$check" nonblack "$window" "${SHOWN_PERCENT:-50}" > "$work/shot.txt" 2>&1 && { shown=1; break; }
done
if [ -n "$shot" ] && command -v import >/dev/null; then DISPLAY=$display import -window "$window" "$shot" 2>/dev/null; fi
[ -n "$shown" ] || fail "the daemon's window $window stays black: $(cat "$work/shot.txt")"
kill -0 "$pid" 2>/dev/null || fail "the saver ended by itself"

run xscreensaver-command -deactivate > /dev/null 2>&1 || fail "deactivate refused"
gone=
for _ in $(seq 20); do
  [ -z "$(ours)" ] && { gone=1; break; }
  sleep 0.1
done
[ -n "$gone" ] || fail "a saver process is left 2 s after deactivation"

# The log is beside the program, or in the state folder where that fails.
log=$(grep -l "FINISH" "$work"/bin/*.log "$home"/.log "$home"/.local/state/sandloop/* 2>/dev/null | head -1)
[ -n "$log" ] || fail "no FINISH in the run log ($(ls -a "$work/bin" "$home" "$home/.local/state/sandloop" 2>&1 | tr '\n' ' '))"
run xscreensaver-command -exit > /dev/null 2>&1
echo "1 passed, 0 failed"
