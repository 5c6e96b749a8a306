# Sourced by the checks of the saver under sway's headless back end
# (sway.sh, idle.sh, monitors.sh). sway refuses to run as root, so as root
# the compositor and every client of it run as the user nobody (setpriv).
#
#   sway_require [TOOL...]   exit 77 where sway, a TOOL or, as root,
#                            setpriv is missing; sets $as_user
#   sway_work NAME SANDLOOP  a private folder /tmp/sandloop-NAME-* in
#                            $work, with the program's copy in bin and the
#                            clients' XDG_RUNTIME_DIR in run
#   start_sway [OUTPUTS]     starts sway with $work/sway.conf and OUTPUTS
#                            headless outputs (1) and waits for its socket;
#                            its pid added to $pids, the environment its
#                            clients need in $wl. Returns 1 where it does
#                            not start.

. "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../lib/require.sh"

sway_require() {
  require_tools sway "$@"
  require_user
}

# No "." in the folder: the log is named after the program path up to its
# first ".".
sway_work() {
  work=$(mktemp -d "/tmp/sandloop-$1-XXXXXX")
  chmod 755 "$work"
  mkdir -p "$work/bin" "$work/run"
  cp "$2" "$work/bin/sandloop"
  chmod 700 "$work/run"
  if [ ${#as_user[@]} -gt 0 ]; then chown -R nobody:nogroup "$work"; fi
}

# The compositor's output goes to $work/compositor.log. Sockets of an
# earlier compositor are removed first, so that the new one's is found.
start_sway() {
  local outputs=${1:-1}
  rm -f "$work"/run/wayland-*
  (cd "$work" && exec "${as_user[@]}" env -i HOME="$work" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/run" \
    WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$outputs" WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.conf" > "$work/compositor.log" 2>&1) &
  pids+=($!)
  socket=
  for _ in $(seq 100); do
    socket=$(cd "$work/run" && ls wayland-* 2>/dev/null | grep -v lock | head -1)
    [ -n "$socket" ] && break
    sleep 0.1
  done
  [ -n "$socket" ] || return 1
  wl=(WAYLAND_DISPLAY="$socket" SDL_VIDEODRIVER=wayland)
}
