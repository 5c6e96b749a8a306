# Sourced by the benchmarks of the real saver (bench-rest.sh,
# bench-memory.sh): saver_on_xvfb NAME EXE WxH SETTLE makes a private
# folder ($work), starts Xvfb at WxH (24 bits) and `EXE /s` on it from a
# copy under $work/bin, in a fresh home with the dummy audio driver and no
# session bus, and waits SETTLE seconds. It sets $saver and $xvfb, which
# its exit trap ends, and stops the script (NAME: ...) when the saver has
# ended by then.
saver_on_xvfb() {
  local name=$1 exe=$2 size=$3 settle=$4
  command -v Xvfb >/dev/null || { echo "$name: Xvfb missing"; exit 1; }
  work=$(mktemp -d /tmp/sandloop-bench-XXXXXX)
  xvfb= saver=
  trap '[ -n "$saver" ] && kill $saver 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
  fail() { echo "$name: $*"; exit 1; }
  . "$(dirname "${BASH_SOURCE[0]}")/../tests/xvfb/start_xvfb.sh"
  start_xvfb "${size}x24"
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run \
    SDL_AUDIODRIVER=dummy
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
  mkdir -p "$work/bin" && cp "$exe" "$work/bin/sandloop"
  "$work/bin/sandloop" /s > "$work/saver.err" 2>&1 &
  saver=$!
  sleep "$settle"
  kill -0 $saver 2>/dev/null || fail "the saver ended: $(cat "$work/saver.err")"
}
