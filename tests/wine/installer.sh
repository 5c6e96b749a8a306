#!/usr/bin/env bash
# The Windows installer under Wine, silently, twice over:
#  1. Sandloop-Setup.exe /S puts sandloop.scr in the 64-bit System32, the
#     uninstaller in Program Files\Sandloop, and its entry in the 64-bit
#     list of installed programs; the user's current screen saver stays;
#  2. the entry's QuietUninstallString removes the saver, its logs, the
#     uninstaller's folder and the entry, leaves another current screen
#     saver alone, and keeps the saver's settings;
#  3. /S /CURRENT makes it the current screen saver;
#  4. uninstalling then takes it out of the current screen saver too.
# Runs in $WINEPREFIX when the caller made one (tools/run-windows-tests.sh
# does, fresh), else in a fresh prefix in a temporary folder; no window.
# Usage: installer.sh WINDOWS_BUILD_DIR
set -u
[ $# -eq 1 ] || { echo "usage: installer.sh WINDOWS_BUILD_DIR"; exit 2; }
build=$(cd "$1" 2>/dev/null && pwd) || { echo "FAIL: no build folder $1"; exit 1; }
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$build/Sandloop-Setup.exe
[ -f "$setup" ] || { echo "FAIL: no installer $setup (makensis missing?)"; exit 1; }
for p in wine wineserver winepath; do
  command -v $p >/dev/null || { echo "FAIL: $p missing"; exit 1; }
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
work=""
if [ -z "${WINEPREFIX:-}" ]; then
  work=$(mktemp -d /tmp/sandloop-wine-installer.XXXXXX)
  export WINEPREFIX=$work/prefix
  trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
  wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot"; exit 1; }
fi

drive=$WINEPREFIX/drive_c
scr=$drive/windows/system32/sandloop.scr
instdir="$drive/Program Files/Sandloop"
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sandloop'
settings_key='HKCU\SOFTWARE\Morvant\Sandloop'
desktop_key='HKCU\Control Panel\Desktop'
other_saver='C:\windows\system32\other.scr'
version=$(sed -n 's/^project(Sandloop VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
localapp=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")

failures=0
check() {  # description, then a command that succeeds when it holds
  local what=$1
  shift
  if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# The data of value NAME of KEY ("" when it is missing); VIEW 32 or 64.
value() {  # KEY NAME [VIEW]
  wine reg query "$1" /v "$2" ${3:+/reg:$3} 2>/dev/null | tr -d '\r' |
    awk -F '    ' -v n="$2" '$2 == n { print $4 }'
}
has_key() { wine reg query "$1" ${2:+/reg:$2} >/dev/null 2>&1; }
no_key() { ! has_key "$@"; }
no_value() { ! wine reg query "$1" /v "$2" >/dev/null 2>&1; }
equals() { [ "$1" = "$2" ] || { echo "  got '$1', want '$2'"; return 1; }; }
# A Windows path names the installed saver (full or short form).
names_scr() { [ -n "$1" ] && [ "$(realpath -m "$(winepath -u "$1" 2>/dev/null)")" = "$(realpath -m "$scr")" ]; }
run_setup() {
  wine "$setup" "$@" >/dev/null 2>&1
  check "Sandloop-Setup.exe $* exits with 0" equals "$?" 0
}
# Runs the entry's QuietUninstallString as the system would, and waits for
# the copy of itself that an NSIS uninstaller starts from the temporary
# folder (the first process returns at once) by waiting for every process
# of the prefix to end.
run_uninstaller() {
  local line exe args
  line=$(value "$uninst_key" QuietUninstallString 64)
  exe=${line#\"}
  exe=${exe%%\"*}
  args=${line##*\"}
  wine "$exe" $args >/dev/null 2>&1
  check "the uninstaller exits with 0" equals "$?" 0
  timeout 120 wineserver -w
  check "the uninstaller's processes end" equals "$?" 0
}
check_uninstalled() {
  check "uninstall: sandloop.scr is gone" test ! -e "$scr"
  check "uninstall: the log beside it is gone" test ! -e "${scr%.scr}.log"
  check "uninstall: the log in LOCALAPPDATA\\Sandloop and its folder are gone" test ! -e "$localapp/Sandloop"
  check "uninstall: Program Files\\Sandloop is gone" test ! -e "$instdir"
  check "uninstall: the uninstall entry is gone" no_key "$uninst_key" 64
  check "uninstall: the settings are kept" equals "$(value "$settings_key" Gamma)" 0x7b
}

# The user's settings and screen saver before any install.
wine reg add "$settings_key" /v Gamma /t REG_DWORD /d 123 /f >/dev/null 2>&1 || { echo "FAIL: cannot seed the settings"; exit 1; }
wine reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d "$other_saver" /f >/dev/null 2>&1
wine reg add "$desktop_key" /v ScreenSaveActive /t REG_SZ /d 0 /f >/dev/null 2>&1

# 1. Silent install.
run_setup /S
check "install: sandloop.scr in the 64-bit System32 is the built one" cmp -s "$scr" "$build/sandloop.scr"
check "install: no copy in SysWOW64" test ! -e "$drive/windows/syswow64/sandloop.scr"
check "install: the uninstaller is in Program Files\\Sandloop" test -f "$instdir/Uninstall.exe"
check "install: the README beside it" cmp -s "$instdir/README.txt" "$root/README.md"
check "install: the uninstall entry is in the 64-bit view" has_key "$uninst_key" 64
check "install: and not in the 32-bit view" no_key "$uninst_key" 32
check "install: DisplayName" equals "$(value "$uninst_key" DisplayName 64)" "Sandloop - Tidewalk Beach Screensaver"
check "install: DisplayVersion" equals "$(value "$uninst_key" DisplayVersion 64)" "$version"
check "install: Publisher" equals "$(value "$uninst_key" Publisher 64)" "The Sandloop developers"
icon=$(value "$uninst_key" DisplayIcon 64)
check "install: DisplayIcon is the saver's" names_scr "${icon%,0}"
check "install: UninstallString" equals "$(value "$uninst_key" UninstallString 64)" '"C:\Program Files\Sandloop\Uninstall.exe"'
check "install: QuietUninstallString" equals "$(value "$uninst_key" QuietUninstallString 64)" '"C:\Program Files\Sandloop\Uninstall.exe" /S'
check "install: InstallLocation" equals "$(value "$uninst_key" InstallLocation 64)" 'C:\Program Files\Sandloop'
check "install: NoModify" equals "$(value "$uninst_key" NoModify 64)" 0x1
check "install: NoRepair" equals "$(value "$uninst_key" NoRepair 64)" 0x1
size=$(( $(value "$uninst_key" EstimatedSize 64) ))
scr_kib=$(( $(stat -c %s "$scr" 2>/dev/null || echo 0) / 1024 ))
check "install: EstimatedSize ($size KiB) counts the saver ($scr_kib KiB)" test "$size" -ge "$scr_kib" -a "$scr_kib" -gt 0
check "install: /S leaves the current screen saver" equals "$(value "$desktop_key" SCRNSAVE.EXE)" "$other_saver"
check "install: /S leaves ScreenSaveActive" equals "$(value "$desktop_key" ScreenSaveActive)" 0

# 2. Uninstall while another saver is the current one; the saver has
# written its log beside itself and in LOCALAPPDATA.
echo "START AT 1" >"${scr%.scr}.log"
mkdir -p "$localapp/Sandloop" && echo "START AT 1" >"$localapp/Sandloop/sandloop.log"
run_uninstaller
check_uninstalled
check "uninstall: another current screen saver stays" equals "$(value "$desktop_key" SCRNSAVE.EXE)" "$other_saver"

# 3. /CURRENT.
run_setup /S /CURRENT
check "install /CURRENT: sandloop.scr is installed" test -f "$scr"
current=$(value "$desktop_key" SCRNSAVE.EXE)
check "install /CURRENT: SCRNSAVE.EXE ($current) is the installed saver" names_scr "$current"
check "install /CURRENT: ScreenSaveActive" equals "$(value "$desktop_key" ScreenSaveActive)" 1

# 4. Uninstall while it is the current one.
run_uninstaller
check_uninstalled
check "uninstall: SCRNSAVE.EXE that named it is removed" no_value "$desktop_key" SCRNSAVE.EXE

if [ $failures -ne 0 ]; then
  echo "installer: $failures check(s) failed"
  exit 1
fi
echo "installer: all checks passed"
