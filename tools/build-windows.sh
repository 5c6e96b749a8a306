#!/usr/bin/env bash
# Builds the 64-bit Windows screen saver with Debian's mingw-w64 cross
# compiler, its installer (with NSIS), and the test programs that run under
# Wine.
# Usage: tools/build-windows.sh [DIR]   (default: build-windows)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build-windows}"
bash "$root/tools/setup-debian.sh" --windows
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}" "${launcher[@]}"
cmake --build "$dir" -j"${JOBS:-$(nproc)}"
if [[ -f "$dir/sandloop.scr" ]]; then
  echo "build-windows: $dir/sandloop.scr"
else
  echo "build-windows: the libraries and test programs are built; $dir/sandloop.scr needs the Windows display back end"
fi
if [[ -f "$dir/Sandloop-Setup.exe" ]]; then
  echo "build-windows: $dir/Sandloop-Setup.exe (the installer)"
else
  echo "build-windows: no installer: makensis (Debian's nsis) is missing"
fi
