#!/usr/bin/env bash
# The Windows screen saver in real windows, under Wine on Xvfb, in a fresh
# Wine prefix in a temporary folder (no network, nothing of the user's):
#  - /s shows the beach: a screenshot against `sandloop --render` of the
#    Linux build at the same size, in the bands that hold still (the
#    scenery above the surf, and the stones and plant below it);
#  - a key ends it, and its log has START and FINISH;
#  - Esc-only mode: "-" and the arrow keys are stored in the registry at
#    once (read with `wine reg query` while the saver runs);
#  - WM_CLOSE sent by a small Windows program ends it in order;
#  - another program taking the foreground ends it in order, whether any
#    key or only Esc ends it;
#  - /p draws the preview picture into a window made by that program, keeps
#    it drawn when the window repaints, and ends when the window goes;
#  - /a calls the system's password-change procedure (Wine's MPR.DLL has
#    it) and ends without a message (the messages where the library or
#    the procedure is missing, as on 64-bit Windows, are checked in
#    tests/shell/win32/test_password.cpp); /c:HWND with a number that names no
#    window shows the settings dialog without an owner, and ends when it
#    is closed.
#   saver.sh LINUX_SANDLOOP SCREEN_TOOL WINDOWS_BUILD_DIR
# Skipped (exit 77) where Wine, Xvfb, xdotool or the Windows build is missing.
set -u
linux=$1
shot_tool=$2
wbuild=$3
scr=$wbuild/sandloop.scr
tool=$wbuild/win_tool.exe
for p in wine wineserver Xvfb xdotool python3; do
  command -v $p >/dev/null || { echo "$p missing"; exit 77; }
done
other=$wbuild/other_app.exe
[ -f "$scr" ] && [ -f "$tool" ] && [ -f "$other" ] || { echo "no Windows build in $wbuild"; exit 77; }

work=$(mktemp -d /tmp/sandloop-wine-saver.XXXXXX)
saver=""
xvfb=""
cleanup() {
  [ -n "$saver" ] && kill -KILL $saver 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill $xvfb 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$log" ] && tail -20 "$log"; exit 1; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
start=$(date +%s)
wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot could not make the prefix"; exit 1; }
echo "Wine prefix ready in $(( $(date +%s) - start )) s"

drive=$WINEPREFIX/drive_c
cp "$scr" "$drive/sandloop.scr"
cp "$tool" "$drive/win_tool.exe"
cp "$other" "$drive/other_app.exe"
log=$drive/sandloop.log
key='HKCU\Software\Morvant\Sandloop'

# Starts the saver and waits until its window covers the screen.
start_saver() {
  (cd "$drive" && exec wine 'C:\sandloop.scr' "$@") >"$work/run.log" 2>&1 &
  saver=$!
  for _ in $(seq 300); do
    win=$(xdotool search --name '^Sandloop$' 2>/dev/null | head -1)
    [ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null | grep -q "Geometry: 1024x768" && return 0
    kill -0 $saver 2>/dev/null || break
    sleep 0.1
  done
  fail "the saver did not come up ($(cat "$work/run.log"))"
}
# Waits for the saver to end by itself.
wait_end() {
  for _ in $(seq 200); do
    kill -0 $saver 2>/dev/null || { wait $saver; rc=$?; saver=""; [ $rc -eq 0 ] || fail "$1: exit code $rc"; return 0; }
    sleep 0.1
  done
  fail "$1: the saver did not end"
}
count() { grep -c "$1" "$log" 2>/dev/null || echo 0; }
value() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'; }

# 1. /s shows the beach; a key ends it.
start_saver /s
sleep 3
"$shot_tool" shot 0 "$work/wine.ppm" || fail "no screenshot"
xdotool key a
wait_end "a key"
[ "$(count 'START AT')" = 1 ] && [ "$(count 'FINISH AT')" = 1 ] || fail "the log lacks START or FINISH"
echo "key: ended, log has START and FINISH"

HOME=$work/home XDG_CONFIG_HOME=$work/config "$linux" --render "$work/linux.png" --size 1024x768 >/dev/null ||
  fail "the Linux build did not render"
python3 - "$work/wine.ppm" "$work/linux.png" <<'PY' || fail "the Windows picture is not the beach"
import struct, sys, zlib
def ppm(path):
    data = open(path, 'rb').read()
    parts = data.split(maxsplit=4)
    w, h = int(parts[1]), int(parts[2])
    return w, h, parts[4][:w * h * 3]
def png(path):
    data = open(path, 'rb').read()
    pos, idat, w, h, ctype = 8, b'', 0, 0, 0
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b'IHDR': w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
        elif kind == b'IDAT': idat += body
        pos += 12 + n
    bpp = {2: 3, 6: 4}[ctype]
    raw, out, prev = zlib.decompress(idat), bytearray(), bytearray(w * bpp)
    stride = w * bpp
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], (prev[i - bpp] if i >= bpp else 0)
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        for x in range(w): out += line[x * bpp:x * bpp + 3]
    return w, h, bytes(out)
ww, wh, wine = ppm(sys.argv[1])
lw, lh, linux = png(sys.argv[2])
assert (ww, wh) == (lw, lh), ((ww, wh), (lw, lh))
# Rows above the far surf (the palms, the headland, the sky but for a few
# eagles) and rows of stones and plant below the near surf's moving water.
for name, y0, y1, x0, x1 in (("scenery", 0, 280, 0, 1024), ("stones", 660, 768, 0, 390), ("plant", 660, 768, 640, 1024)):
    close = total = 0
    for y in range(y0, y1, 2):
        for x in range(x0, x1, 2):
            i = (y * ww + x) * 3
            total += 1
            if max(abs(wine[i + k] - linux[i + k]) for k in range(3)) <= 24: close += 1
    share = close / total
    print("%s: %.1f %% of the pixels as rendered on Linux" % (name, 100 * share))
    if share < 0.9: sys.exit(1)
PY

# 2. Esc-only mode: "-" and the arrows are stored at once.
wine reg add "$key" /v TermMouse /t REG_DWORD /d 0 /f >/dev/null 2>&1 || fail "cannot set TermMouse"
gamma=$(( $(value Gamma) ))
cx=$(( $(value clockX) ))
cy=$(( $(value clockY) ))
start_saver /s
sleep 1
xdotool key minus Left Down
sleep 1.5
[ $(( $(value Gamma) )) -eq $(( gamma > 0 ? gamma - 1 : 0 )) ] || fail "Gamma $(value Gamma) after '-' from $gamma"
[ $(( $(value clockX) )) -eq $(( cx - 1 )) ] || fail "clockX $(value clockX) after Left from $cx"
[ $(( $(value clockY) )) -eq $(( cy + 1 )) ] || fail "clockY $(value clockY) after Down from $cy"
kill -0 $saver 2>/dev/null || fail "the saver ended on keys other than Esc"
xdotool key Escape
wait_end "Esc"
echo "Esc-only: Gamma, clockX and clockY stored at once"

# 3. WM_CLOSE from another program ends it in order.
start_saver /s
sleep 1
(cd "$drive" && wine 'C:\win_tool.exe' close Sandloop) >/dev/null 2>&1 || fail "win_tool could not close the saver"
wait_end "WM_CLOSE"
[ "$(count 'START AT')" = 3 ] && [ "$(count 'FINISH AT')" = 3 ] || fail "the log lacks a START or FINISH"
echo "WM_CLOSE: ended in order"

# 3b. Another program takes the foreground (a window of its own, brought to
# the front with SetForegroundWindow): the saver ends in order, also where
# only Esc would end it.
for mode in 1 0; do
  wine reg add "$key" /v TermMouse /t REG_DWORD /d $mode /f >/dev/null 2>&1 || fail "cannot set TermMouse"
  start_saver /s
  sleep 1
  (cd "$drive" && wine 'C:\other_app.exe' front 2) >"$work/front.log" 2>&1 ||
    fail "the other program did not get the foreground ($(tr -d '\r' <"$work/front.log"))"
  wait_end "another program in the foreground, TermMouse=$mode"
done
[ "$(count 'START AT')" = 5 ] && [ "$(count 'FINISH AT')" = 5 ] || fail "the log lacks a START or FINISH"
echo "foreground: another program's window ended it in order, with any key and with Esc only"

# 4. /p into a host window of another program.
(cd "$drive" && wine 'C:\win_tool.exe' host 200 150 'C:\preview.ppm') >"$work/host.log" 2>&1 &
host=$!
for _ in $(seq 200); do [ -s "$work/host.log" ] && break; sleep 0.1; done
hwnd=$(head -1 "$work/host.log" | tr -d '\r')
[ -n "$hwnd" ] || fail "no host window"
(cd "$drive" && exec wine 'C:\sandloop.scr' /p "$hwnd") >"$work/preview.log" 2>&1 &
saver=$!
wait $host; rc=$?
cat "$work/host.log" | tr -d '\r' | tail -1
[ $rc -eq 0 ] || fail "the preview picture is not in the host window (win_tool $rc)"
wait_end "the host window's end"
echo "preview: its picture window in the host, kept after a repaint, ended with the host"
# 5. /a and /c.
(cd "$drive" && timeout 60 wine 'C:\sandloop.scr' /a 0) >/dev/null 2>&1 || fail "/a did not end by itself"
echo "password change: the procedure was found and called"
(cd "$drive" && exec wine 'C:\sandloop.scr' /c:1234) >"$work/config.log" 2>&1 &
saver=$!
box=""
for _ in $(seq 200); do
  box=$(xdotool search --name '^Tidewalk Beach Setup$' 2>/dev/null | head -1)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "/c showed no settings dialog"
(cd "$drive" && wine 'C:\win_tool.exe' close "Tidewalk Beach Setup") >/dev/null 2>&1 || fail "the settings dialog could not be closed"
wait_end "/c"
echo "configuration: the settings dialog, closed with its close box"
echo "1 passed, 0 failed"
