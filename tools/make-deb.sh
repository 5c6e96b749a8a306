#!/usr/bin/env bash
# Builds the Debian package sandloop_VERSION_amd64.deb from a configured
# build directory: builds the program there, then runs `cpack -G DEB`,
# which installs it under /usr in a staging folder, strips it and asks
# dpkg-shlibdeps (dpkg-dev) for the runtime libraries it needs.
# Usage: tools/make-deb.sh [BUILD_DIR [OUT_DIR]]   (default build, BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build}
command -v dpkg-shlibdeps >/dev/null || { echo "make-deb: dpkg-shlibdeps missing (Debian's dpkg-dev)" >&2; exit 1; }
[ -f "$build/CPackConfig.cmake" ] || { echo "make-deb: $build is not a configured build directory" >&2; exit 1; }
cmake --build "$build" -j"$(nproc)" --target sandloop sandloop-settings compressed_docs
mkdir -p "$out"
out=$(readlink -f "$out")
(cd "$build" && cpack -G DEB -B "$out/_CPack_Packages_work" > "$out/cpack.log" 2>&1) ||
  { cat "$out/cpack.log" >&2; exit 1; }
mv "$out"/_CPack_Packages_work/sandloop_*.deb "$out/"
rm -rf "$out/_CPack_Packages_work"
ls "$out"/sandloop_*.deb
