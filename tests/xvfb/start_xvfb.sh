# Sourced by the real-window checks: starts Xvfb at the given screen size
# (WxHxDEPTH) on a free display, waits until it takes connections, and
# exports DISPLAY. Needs $work (a private folder) and fail(); sets $xvfb to
# the server's process id, which the caller's exit trap ends.
start_xvfb() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -1 "$work/display")
}
