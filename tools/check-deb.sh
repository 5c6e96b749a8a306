#!/usr/bin/env bash
# Checks the Debian package: its file list is exactly the one below, it
# depends only on runtime packages (no -dev), installing it on an empty
# system (as apt would resolve it) brings in no development package, the
# packaged program finds its libraries and runs, and lintian runs and
# reports no errors (its warnings and notes are printed).
# Usage: tools/check-deb.sh sandloop_VERSION_amd64.deb
set -euo pipefail
deb=$(readlink -f "$1")
fail() { echo "check-deb: FAIL: $*" >&2; exit 1; }

expected='./usr/bin/sandloop
./usr/libexec/sandloop/sandloop-settings
./usr/libexec/xscreensaver/sandloop -> ../../bin/sandloop
./usr/share/applications/sandloop-settings.desktop
./usr/share/applications/screensavers/sandloop.desktop
./usr/share/doc/sandloop/README.md
./usr/share/doc/sandloop/changelog.gz
./usr/share/doc/sandloop/copyright
./usr/share/icons/hicolor/128x128/apps/sandloop.png
./usr/share/man/man1/sandloop.1.gz
./usr/share/xscreensaver/config/sandloop.xml'
# Files and links only, as "path" or "path -> target".
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | sort)
[ "$actual" = "$expected" ] || fail "file list differs:
$(diff <(echo "$expected") <(echo "$actual") || true)"
echo "check-deb: the file list is as expected ($(echo "$actual" | wc -l) files)"

depends=$(dpkg-deb -f "$deb" Depends)
[ -n "$depends" ] || fail "no Depends: dpkg-shlibdeps found nothing"
if grep -q -- '-dev\b' <<<"$depends"; then fail "depends on a development package: $depends"; fi
for lib in libsdl2-2.0-0 libqt6widgets6 libjpeg62-turbo libpng16-16 libdeflate0 fonts-dejavu-core qt6-qpa-plugins; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "check-deb: Depends: $depends"

# What apt would install with the package on a system that has nothing
# yet (simulated against an empty package status: nothing changes).
if command -v apt-get >/dev/null; then
  empty=$(mktemp)
  sim=$(apt-get install -s --no-install-recommends -o Dir::State::status="$empty" "$deb" 2>&1) ||
    { rm -f "$empty"; fail "apt-get cannot install it: $sim"; }
  rm -f "$empty"
  installed=$(grep '^Inst ' <<<"$sim" | awk '{print $2}')
  if grep -E -- '-dev$' <<<"$installed"; then fail "installing it brings in development packages"; fi
  echo "check-deb: on an empty system apt would install $(wc -l <<<"$installed") packages, none for development"
fi

# The packaged programs run: unpacked, every library they link is found
# on this system, and the saver says its version.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
program=$unpacked/usr/bin/sandloop
for p in "$program" "$unpacked/usr/libexec/sandloop/sandloop-settings"; do
  libraries=$(ldd "$p" 2>&1) || fail "ldd cannot read the packaged ${p##*/}: $libraries"
  if grep -q 'not found' <<<"$libraries"; then fail "libraries of the packaged ${p##*/} are missing:
$(grep 'not found' <<<"$libraries")"; fi
done
# The saver itself loads no Qt: only the settings program does.
if readelf -d "$program" | grep -q 'NEEDED.*Qt'; then fail "the packaged saver links Qt"; fi
libraries=$(ldd "$program" 2>&1)
version=$(dpkg-deb -f "$deb" Version)
said=$("$program" --version 2>&1) || fail "the packaged program's --version failed: $said"
[ "$said" = "sandloop ${version%%-*}" ] || fail "the packaged program says \"$said\", the package is version $version"
echo "check-deb: the packaged program finds its $(grep -c '=>' <<<"$libraries") libraries and says \"$said\""

# lintian exits 2 where it reports errors and otherwise non-zero where it
# could not check the package at all; either fails here.
command -v lintian >/dev/null || fail "lintian is missing (tools/setup-debian.sh installs it)"
lintian_status=0
report=$(lintian --display-info --pedantic "$deb" 2>"$unpacked/lintian.err") || lintian_status=$?
[ -z "$report" ] || echo "$report"
if [ "$lintian_status" -ne 0 ] && [ "$lintian_status" -ne 2 ]; then
  fail "lintian could not run (exit $lintian_status): $(cat "$unpacked/lintian.err")"
fi
if [ "$lintian_status" -eq 2 ] || grep -q '^E: ' <<<"$report"; then fail "lintian reports errors"; fi
echo "check-deb: lintian: $(grep -c '^W: ' <<<"$report" || true) warnings, no errors"
