#!/usr/bin/env bash
# Builds the Windows cross build (tools/build-windows.sh) and runs its tests
# under Wine, in a fresh prefix in a temporary folder: no window, no
# network, nothing of the user's.
# Usage: tools/run-windows-tests.sh [DIR]   (default: build-windows)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build-windows}"
bash "$root/tools/build-windows.sh" "$dir"

work="$(mktemp -d /tmp/sandloop-wine.XXXXXX)"
# Wine's Mono and Gecko installers are not wanted (and would need the network).
export WINEPREFIX="$work" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
start=$(date +%s)
wineboot -i >/dev/null 2>&1 || { echo "run-windows-tests: wineboot could not make the prefix"; exit 1; }
echo "run-windows-tests: Wine prefix ready in $(( $(date +%s) - start )) s"
bash "$root/tools/run-ctest.sh" "$dir" -j2
# The installer and its uninstaller, silently, in the same prefix.
bash "$root/tests/wine/installer.sh" "$dir"
# The saver itself in real windows, against the Linux build's picture of
# the beach (when tools/run-tests.sh has made that build): on one monitor,
# then on two side by side (Xorg's dummy driver, a copy of this prefix).
if [[ -x "$root/build/shell/sandloop" && -x "$root/build/tests/screen_tool" ]]; then
  bash "$root/tests/wine/saver.sh" "$root/build/shell/sandloop" "$root/build/tests/screen_tool" "$dir"
  bash "$root/tests/wine/monitors.sh" "$dir" "$root/build/shell/sandloop" "$root/build/tests/screen_tool"
elif [[ -n "${SANDLOOP_REQUIRE_ALL:-}" ]]; then
  echo "run-windows-tests: no Linux build in $root/build for the saver's check"
  exit 1
fi
