#!/usr/bin/env bash
# Installs the Debian packages Sandloop needs to build, run and test.
# Works as root or through sudo; does nothing when everything is present.
# Usage: tools/setup-debian.sh [--tools] [--windows]
#   --tools    adds the painting and review tools' packages
#   --windows  adds the Windows cross build's: the mingw-w64 compilers, GoogleTest's
#              sources to build for the target, Wine to run the tests and NSIS for
#              the installer
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libx11-dev libxext-dev libxss-dev libwayland-dev libjpeg-dev libpng-dev zlib1g-dev libdeflate-dev libfreetype-dev fonts-dejavu-core
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6test6 xdg-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils x11-xserver-utils xdotool openbox xserver-xorg-core xserver-xorg-video-dummy netpbm
  xscreensaver libxml2-utils groff-base desktop-file-utils
  sway swayidle grim wtype weston
  dpkg-dev lintian bc
  clang libclang-rt-14-dev
)
for option in "$@"; do
  case "$option" in
    --tools)
      packages+=(python3-numpy python3-pil python3-cairo sox tzdata imagemagick)
      # Node may come from elsewhere than Debian; Debian's is only added
      # where there is none.
      command -v node >/dev/null || packages+=(nodejs npm)
      ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine wine64 nsis
                          python3) ;;
    *) echo "setup: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
  echo "setup: all packages are present"
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then as_root=(sudo); else
    echo "setup: need root or sudo to install: ${missing[*]}" >&2
    exit 1
  fi
fi
echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
