#!/usr/bin/env bash
# cmake --install into a temporary prefix: the program, the link where
# XScreenSaver looks for hacks, its settings description (well-formed, its
# options naming real settings), the desktop entries (the settings dialog's
# and the one for daemons that list savers), the icon, the compressed
# manual page and the documentation.
# Usage: install.sh BUILD_DIR SOURCE_DIR
set -u
build=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/usr/local" > "$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"
p=$work/usr/local
[ -x "$p/bin/sandloop" ] || fail "no bin/sandloop"
[ -L "$p/libexec/xscreensaver/sandloop" ] || fail "no link libexec/xscreensaver/sandloop"
[ "$(readlink -f "$p/libexec/xscreensaver/sandloop")" = "$(readlink -f "$p/bin/sandloop")" ] || fail "the link does not lead to the program"
"$p/libexec/xscreensaver/sandloop" --help | grep -q "usage: sandloop" || fail "the program does not run through the link"

# The saver loads no Qt; its configuration mode runs the settings program
# installed beside it in libexec, found from the installed saver's place.
settings=$p/libexec/sandloop/sandloop-settings
[ -x "$settings" ] || fail "no libexec/sandloop/sandloop-settings"
readelf -d "$p/bin/sandloop" | grep -q 'NEEDED.*Qt' && fail "the saver links Qt"
readelf -d "$settings" | grep -q 'NEEDED.*Qt6Widgets' || fail "the settings program does not link Qt Widgets"
(cd "$work" && HOME=$work XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR= \
  QT_QPA_PLATFORM=offscreen DISPLAY= WAYLAND_DISPLAY= exec "$p/libexec/xscreensaver/sandloop" /c) > "$work/c.log" 2>&1 &
pid=$!
ran=
for _ in $(seq 50); do
  [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$(readlink -f "$settings")" ] && { ran=1; break; }
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill $pid 2>/dev/null; wait $pid 2>/dev/null
[ -n "$ran" ] || fail "sandloop /c did not run the settings program: $(cat "$work/c.log")"

xml=$p/share/xscreensaver/config/sandloop.xml
[ -f "$xml" ] || fail "no sandloop.xml"
if command -v xmllint >/dev/null; then xmllint --noout "$xml" || fail "sandloop.xml is not well-formed"; fi
grep -q '<screensaver name="sandloop" _label="Sandloop">' "$xml" || fail "sandloop.xml: name or label"
grep -q '<_description>' "$xml" || fail "sandloop.xml: no description"
grep -q 'arg-set="-fps"' "$xml" || fail "sandloop.xml: no -fps"
# Every setting the description sets exists in the settings table.
names=$(grep -o -- '--set [A-Za-z_]*' "$xml" | awk '{print $2}' | sort -u)
for n in flag_PlaySound NumEagles FlagShowButterfly flag_clock SetSpeed FlagDaytime FlagDemoDaytime; do
  grep -qx "$n" <<<"$names" || fail "sandloop.xml does not map $n"
done
for n in $names; do
  grep -q "\"$n\"" "$src/settings/Settings.cpp" || fail "sandloop.xml sets $n, which is no setting"
done

desktop=$p/share/applications/sandloop-settings.desktop
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx 'Exec=sandloop /c' "$desktop" || fail "desktop entry: Exec"
grep -qx 'Type=Application' "$desktop" || fail "desktop entry: Type"

saver=$p/share/applications/screensavers/sandloop.desktop
[ -f "$saver" ] || fail "no desktop entry for the daemons that list savers"
grep -qx 'Exec=sandloop -root' "$saver" || fail "saver entry: Exec"
grep -qx 'Categories=Screensaver;' "$saver" || fail "saver entry: Categories"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" "$saver" || fail "a desktop entry does not validate"
fi
[ -f "$p/share/icons/hicolor/128x128/apps/sandloop.png" ] || fail "no icon"
for f in README.md copyright changelog.gz; do
  [ -f "$p/share/doc/sandloop/$f" ] || fail "no share/doc/sandloop/$f"
done
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$p/share/doc/sandloop/copyright" ||
  fail "the copyright file is not in Debian's machine-readable format"

[ -f "$p/share/man/man1/sandloop.1.gz" ] || fail "no compressed manual page"
man=$work/sandloop.1
gzip -dc "$p/share/man/man1/sandloop.1.gz" > "$man" || fail "manual page: not gzip"
for word in '/s' '/c' '/p' '/a' 'sun' 'cities' 'render' 'set' 'window' 'root' 'window\\-id' 'fps' 'unpaced' 'version' 'register' 'registry.reg' 'XDG_STATE_HOME'; do
  grep -q -- "$word" "$man" || fail "manual page does not mention $word"
done
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$man" 2>&1)
  [ -z "$warnings" ] || fail "manual page: $warnings"
fi

# A staged install (packagers) puts the link under DESTDIR too.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr > /dev/null 2>&1 || fail "staged install"
[ "$(readlink "$work/stage/usr/libexec/xscreensaver/sandloop")" = "../../bin/sandloop" ] || fail "staged link"
echo "1 passed, 0 failed"
