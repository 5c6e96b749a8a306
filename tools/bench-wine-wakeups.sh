#!/usr/bin/env bash
# Wake-ups and CPU of the Windows saver under Wine on Xvfb: the voluntary
# context switches a second of all the threads of the process that runs
# sandloop.scr (each a wait that ended; under Wine also its calls to the
# Wine server), beside all its context switches (involuntary ones too:
# put aside for another thread or giving way), and the share of one core
# it uses, over SECONDS each, in four states:
#   /s drawing, /s resting (the session reported locked), /c (the settings
#   dialog, untouched) and /p (the preview drawn into another program's
#   window). The Wine server's own share of a core is shown beside each.
# A benchmark, not a test: it prints the figures and judges nothing.
# BENCH_THREADS=1 also shows each thread's share of the wake-ups.
# Usage: tools/bench-wine-wakeups.sh [WINDOWS_BUILD_DIR] [WxH] [SECONDS]
#        (default build-windows 1920x1080 10; the folder holds sandloop.scr
#        and other_app.exe, as tools/build-windows.sh makes them)
set -u
build=$(readlink -f "${1:-build-windows}") size=${2:-1920x1080} seconds=${3:-10}
for f in sandloop.scr other_app.exe; do [ -f "$build/$f" ] || { echo "missing $build/$f: build first"; exit 1; }; done
for p in wine wineserver Xvfb; do command -v $p >/dev/null || { echo "$p missing"; exit 1; }; done

work=$(mktemp -d /tmp/sandloop-bench-wine.XXXXXX)
xvfb="" started=()
cleanup() {
  for pid in "${started[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "bench-wine-wakeups: $*"; exit 1; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
wineboot -i >/dev/null 2>&1
wineserver -w
drive=$WINEPREFIX/drive_c
cp "$build/sandloop.scr" "$build/other_app.exe" "$drive/"

ticks=$(getconf CLK_TCK)
in_prefix() { { tr '\0' '\n' <"/proc/$1/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; }
# The Linux process of a Windows program of this prefix whose command line
# holds NAME.
find_process() {  # NAME
  local pid
  for _ in $(seq 100); do
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -q "$1" || continue
      in_prefix "$pid" || continue
      echo "$pid"
      return 0
    done
    sleep 0.1
  done
  return 1
}
# The Wine server of this prefix.
wine_server() {
  local pid
  for pid in $(pgrep wineserver); do in_prefix "$pid" && { echo "$pid"; return 0; }; done
  echo 0
}
cpu() { { awk '{ print $14 + $15 }' "/proc/$1/stat"; } 2>/dev/null || echo 0; }
# Switches of all the threads of PID so far: "voluntary involuntary". A
# voluntary one is a wake-up (the thread waited); an involuntary one is the
# thread put aside for another or giving way.
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^voluntary_ctxt/ { v += $2 } /^nonvoluntary_ctxt/ { n += $2 } END { print v + 0, n + 0 }'
}
measure() {  # LABEL PID
  local c0 s0 w0 c1 s1 w1 server
  server=$(wine_server)
  c0=$(cpu "$2") s0=$(switches "$2") w0=$(cpu "$server")
  sleep "$seconds"
  c1=$(cpu "$2") s1=$(switches "$2") w1=$(cpu "$server")
  kill -0 "$2" 2>/dev/null || fail "$1: the program ended while it was measured"
  # shellcheck disable=SC2086
  set -- "$1" "$2" $s0 $s1
  awk -v l="$1" -v c=$((c1 - c0)) -v v=$(($5 - $3)) -v i=$(($6 - $4)) -v w=$((w1 - w0)) -v t="$ticks" \
    -v d="$seconds" -v n="$(ls /proc/"$2"/task | wc -l)" \
    'BEGIN { printf "%-12s %7.1f wake-ups a second (%7.1f switches in all), %6.2f %% of one core (%d threads; wineserver %5.2f %%)\n",
             l, v / d, (v + i) / d, 100 * c / t / d, n, 100 * w / t / d }'
  [ -n "${BENCH_THREADS:-}" ] && per_thread "$2"
  true
}
# With BENCH_THREADS set: each thread's switches a second over one more
# period, those where it waited (voluntary) apart from those where it was
# put aside or gave way (involuntary), to tell which thread wakes and why.
per_thread() {  # PID
  local t before=() tasks i=0
  tasks=$(ls /proc/"$1"/task)
  for t in $tasks; do before+=("$(thread_switches "$1" "$t")"); done
  sleep "$seconds"
  for t in $tasks; do
    # shellcheck disable=SC2086
    set -- "$1" ${before[$i]} $(thread_switches "$1" "$t")
    awk -v t="$t" -v d="$seconds" -v v=$(($4 - $2)) -v n=$(($5 - $3)) \
      'BEGIN { if (v + n > 0) printf "    thread %-8s %7.1f voluntary, %7.1f involuntary a second\n", t, v / d, n / d }'
    i=$((i + 1))
  done
}
thread_switches() {  # PID TID: voluntary and involuntary so far
  awk '/^voluntary_ctxt/ { v = $2 } /^nonvoluntary_ctxt/ { n = $2 } END { print v + 0, n + 0 }' /proc/"$1"/task/"$2"/status 2>/dev/null || echo 0 0
}
send() { (cd "$drive" && wine 'C:\other_app.exe' send "$@") >/dev/null 2>&1; }
wait_gone() {  # PID
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null
}

echo "sandloop.scr under $(wine --version) at $size, $seconds s each"

# /s: drawing, then resting while the session is reported locked.
(cd "$drive" && exec wine 'C:\sandloop.scr' /s) >"$work/s.log" 2>&1 &
started+=($!)
disown $!
send Sandloop 0 0 0 || fail "/s showed no window ($(cat "$work/s.log"))"
pid=$(find_process 'sandloop.scr') || fail "no process for /s"
sleep 3
measure "/s drawing" "$pid"
send Sandloop 0x2B1 7 1 || fail "/s: the lock was not taken"  # WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK
sleep 2
measure "/s resting" "$pid"
send Sandloop 0x10 0 0  # WM_CLOSE
wait_gone "$pid"

# /c: the settings dialog.
(cd "$drive" && exec wine 'C:\sandloop.scr' /c) >"$work/c.log" 2>&1 &
started+=($!)
disown $!
send "Tidewalk Beach Setup" 0 0 0 || fail "/c showed no dialog ($(cat "$work/c.log"))"
pid=$(find_process 'sandloop.scr') || fail "no process for /c"
sleep 2
measure "/c" "$pid"
kill -KILL "$pid" 2>/dev/null
wait_gone "$pid"

# /p: the preview in another program's window.
(cd "$drive" && exec wine 'C:\other_app.exe' host 200 150 $((seconds + 30))) >"$work/host.log" 2>&1 &
host=$!
started+=($host)
disown $host
for _ in $(seq 200); do [ -s "$work/host.log" ] && break; sleep 0.1; done
hwnd=$(head -1 "$work/host.log" | tr -d '\r')
[ -n "$hwnd" ] || fail "no host window"
(cd "$drive" && exec wine 'C:\sandloop.scr' /p "$hwnd") >"$work/p.log" 2>&1 &
started+=($!)
disown $!
pid=$(find_process 'sandloop.scr') || fail "no process for /p"
sleep 4
measure "/p" "$pid"
kill -KILL "$host" 2>/dev/null
wait_gone "$pid"
