#!/usr/bin/env bash
# The Windows installer under Wine, silently:
#  1. Sandloop-Setup.exe /S puts sandloop.scr in the 64-bit System32, the
#     uninstaller in Program Files\Sandloop, and its entry in the 64-bit
#     list of installed programs; the user's current screen saver stays;
#  2. the entry's QuietUninstallString removes the saver, its logs, the
#     uninstaller's folder and the entry, leaves another current screen
#     saver alone, and keeps the saver's settings;
#  3. /S /CURRENT=1 makes it the current screen saver;
#  4. upgrades: /S /CURRENT=0 over it replaces sandloop.scr and leaves the
#     current saver; over a sandloop.scr that a program runs (mapped as an
#     image, as the settings' preview holds it) the new one is put in place
#     at once and the old one set aside until the next restart; over one
#     that a program holds open without sharing deletion the new one takes
#     its place at the next restart; both end with 3010 (a restart is
#     needed), and Wine's restart (wineboot -r) finishes the work;
#  5. uninstalling gives back the saver that was current before the
#     install, through the upgrades; none where there was none or where its
#     file is gone; and leaves a saver the user chose since;
#  6. the copy with administrator rights (/ELEVATED), which the installer
#     and the uninstaller run for the computer's part, does nothing of the
#     user's: Wine has no consent prompt and one user, so this is what can
#     be seen here of the per-user steps being left to the first copy, which
#     runs as the user who started it.
# Runs in $WINEPREFIX when the caller made one (tools/run-windows-tests.sh
# does, fresh), else in a fresh prefix in a temporary folder; no window.
# hold_file.exe, beside the installer, holds sandloop.scr.
# Usage: installer.sh WINDOWS_BUILD_DIR
set -u
[ $# -eq 1 ] || { echo "usage: installer.sh WINDOWS_BUILD_DIR"; exit 2; }
build=$(cd "$1" 2>/dev/null && pwd) || { echo "FAIL: no build folder $1"; exit 1; }
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$build/Sandloop-Setup.exe
hold=$build/hold_file.exe
[ -f "$setup" ] || { echo "FAIL: no installer $setup (makensis missing?)"; exit 1; }
[ -f "$hold" ] || { echo "FAIL: no $hold"; exit 1; }
for p in wine wineserver winepath; do
  command -v $p >/dev/null || { echo "FAIL: $p missing"; exit 1; }
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d /tmp/sandloop-wine-installer.XXXXXX)
own_prefix=""
cleanup() {
  touch "$work/stop"  # lets a holder go
  [ -n "$own_prefix" ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=1
  export WINEPREFIX=$work/prefix
  wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot"; exit 1; }
fi

drive=$WINEPREFIX/drive_c
scr=$drive/windows/system32/sandloop.scr
instdir="$drive/Program Files/Sandloop"
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sandloop'
settings_key='HKCU\SOFTWARE\Morvant\Sandloop'
desktop_key='HKCU\Control Panel\Desktop'
setup_key='HKCU\Software\Morvant\Sandloop Setup'
other_saver='C:\windows\system32\other.scr'
third_saver='C:\windows\system32\third.scr'
sys32=$drive/windows/system32
version=$(sed -n 's/^project(Sandloop VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
localapp=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")

failures=0
check() {  # description, then a command that succeeds when it holds
  local what=$1
  shift
  if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# The data of value NAME of KEY ("" when it is missing); VIEW 32 or 64.
# Wine's reg.exe now and then prints nothing for a value that is there, so
# an empty answer is asked again before it counts as missing.
value() {  # KEY NAME [VIEW]
  local data
  for _ in 1 2 3; do
    data=$(wine reg query "$1" /v "$2" ${3:+/reg:$3} 2>/dev/null | tr -d '\r' |
      awk -F '    ' -v n="$2" '$2 == n { print $4 }')
    [ -n "$data" ] && break
  done
  printf '%s\n' "$data"
}
has_key() { wine reg query "$1" ${2:+/reg:$2} >/dev/null 2>&1; }
no_key() { ! has_key "$@"; }
no_value() { ! wine reg query "$1" /v "$2" >/dev/null 2>&1; }
equals() { [ "$1" = "$2" ] || { echo "  got '$1', want '$2'"; return 1; }; }
# A Windows path names the installed saver (full or short form).
names_scr() { [ -n "$1" ] && [ "$(realpath -m "$(winepath -u "$1" 2>/dev/null)")" = "$(realpath -m "$scr")" ]; }
# Runs the installer with ARGS (four at most) and checks its exit code:
# CODE, else 0. A Unix exit status keeps only the low byte of a Windows
# exit code, so a batch file tells the whole of it.
printf '@"%%~1" %%2 %%3 %%4 %%5\r\n@echo %%errorlevel%%\r\n' >"$work/exit_code.cmd"
run_setup() {  # [CODE] ARGS
  local want=0 code
  case ${1:-} in [0-9]*) want=$1; shift ;; esac
  code=$(wine cmd /c "$(winepath -w "$work/exit_code.cmd")" "$(winepath -w "$setup")" "$@" 2>/dev/null | tr -d '\r')
  # Wine itself now and then fails to start a program on a loaded machine
  # ("Application could not be started"): that says nothing of the
  # installer, which is then started once more.
  if [[ $code == *"could not be started"* ]]; then
    timeout 120 wineserver -w
    code=$(wine cmd /c "$(winepath -w "$work/exit_code.cmd")" "$(winepath -w "$setup")" "$@" 2>/dev/null | tr -d '\r')
  fi
  check "Sandloop-Setup.exe $* exits with $want" equals "$code" "$want"
}
set_saver() {  # SCRNSAVE.EXE ScreenSaveActive ("" for none)
  wine reg delete "$desktop_key" /v SCRNSAVE.EXE /f >/dev/null 2>&1
  wine reg delete "$desktop_key" /v ScreenSaveActive /f >/dev/null 2>&1
  [ -n "$1" ] && wine reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d "$1" /f >/dev/null 2>&1
  [ -n "$2" ] && wine reg add "$desktop_key" /v ScreenSaveActive /t REG_SZ /d "$2" /f >/dev/null 2>&1
  true
}
# An older sandloop.scr in place of the installed one: the built one with
# bytes after its end, still a program that Windows runs.
make_old_copy() {
  { cat "$build/sandloop.scr"; printf 'an older sandloop.scr'; } >"$work/old.scr"
  cp "$work/old.scr" "$scr"
}
# The files of System32 that are a copy of FILE, other than sandloop.scr.
copies_of() {
  find "$sys32" -maxdepth 1 -type f -size "$(stat -c %s "$1")c" ! -iname sandloop.scr -exec cmp -s "$1" {} \; -print
}
# Holds sandloop.scr (hold_file.exe MODE) until let_go.
hold_scr() {
  rm -f "$work/stop" "$work/held"
  wine "$hold" "$1" 'C:\windows\system32\sandloop.scr' "$(winepath -w "$work/stop")" >"$work/held" 2>&1 &
  holder=$!
  for _ in $(seq 200); do grep -q held "$work/held" 2>/dev/null && return 0; sleep 0.1; done
  echo "  hold_file: $(cat "$work/held")"
  return 1
}
let_go() {
  touch "$work/stop"
  wait "$holder"
}
# Wine's restart: the renames and deletions left for it happen.
restart() {
  wineboot -r >/dev/null 2>&1
  timeout 120 wineserver -w
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

# The user's settings and screen saver before any install; the saver's file
# is there.
wine reg add "$settings_key" /v Gamma /t REG_DWORD /d 123 /f >/dev/null 2>&1 || { echo "FAIL: cannot seed the settings"; exit 1; }
echo "another saver" >"$sys32/other.scr"
set_saver "$other_saver" 0

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
check "uninstall: and its ScreenSaveActive" equals "$(value "$desktop_key" ScreenSaveActive)" 0
check "uninstall: nothing of the installer's is left in the user's registry" no_key "$setup_key"

# 3. /CURRENT=1.
run_setup /S /CURRENT=1
check "install /CURRENT=1: sandloop.scr is installed" test -f "$scr"
current=$(value "$desktop_key" SCRNSAVE.EXE)
check "install /CURRENT=1: SCRNSAVE.EXE ($current) is the installed saver" names_scr "$current"
check "install /CURRENT=1: ScreenSaveActive" equals "$(value "$desktop_key" ScreenSaveActive)" 1

# 4. Upgrades over an older sandloop.scr: free, run, held open.
make_old_copy
run_setup /S /CURRENT=0
check "upgrade: sandloop.scr is the new one" cmp -s "$scr" "$build/sandloop.scr"
check "upgrade /CURRENT=0: the saver stays the current one" names_scr "$(value "$desktop_key" SCRNSAVE.EXE)"

make_old_copy
if check "upgrade over a running saver: it is held as a program image" hold_scr image; then
  run_setup 3010 /S
  check "upgrade over a running saver: sandloop.scr is the new one at once" cmp -s "$scr" "$build/sandloop.scr"
  aside=$(copies_of "$work/old.scr")
  check "upgrade over a running saver: the old one is set aside ($(basename "${aside:-none}"))" \
    test -n "$aside" -a "$(printf '%s\n' "$aside" | wc -l)" = 1
  check "upgrade over a running saver: under a name the settings do not list" test "${aside%.scr}" = "$aside"
  let_go
  restart
  check "upgrade over a running saver: the restart removes the old one" test -z "$(copies_of "$work/old.scr")"
  check "upgrade over a running saver: and leaves the new one" cmp -s "$scr" "$build/sandloop.scr"
fi

make_old_copy
if check "upgrade over a held sandloop.scr: it is held open, deletion not shared" hold_scr open; then
  run_setup 3010 /S
  check "upgrade over a held sandloop.scr: it stays until the restart" cmp -s "$scr" "$work/old.scr"
  let_go
  restart
  check "upgrade over a held sandloop.scr: the restart puts the new one in its place" cmp -s "$scr" "$build/sandloop.scr"
  check "upgrade over a held sandloop.scr: and leaves no other copy" test -z "$(copies_of "$build/sandloop.scr")"
fi
check "upgrades: the saver is still the current one" names_scr "$(value "$desktop_key" SCRNSAVE.EXE)"

# 5. Uninstalling gives back the saver of before the install, through the
# upgrades.
run_uninstaller
check_uninstalled
check "uninstall: the saver of before the install is the current one again" equals "$(value "$desktop_key" SCRNSAVE.EXE)" "$other_saver"
check "uninstall: and its ScreenSaveActive" equals "$(value "$desktop_key" ScreenSaveActive)" 0
check "uninstall: nothing of the installer's is left in the user's registry" no_key "$setup_key"

set_saver "" ""
run_setup /S /CURRENT
check "install /CURRENT with no saver before: it is the current one" names_scr "$(value "$desktop_key" SCRNSAVE.EXE)"
run_uninstaller
check "uninstall, no saver before: SCRNSAVE.EXE is removed" no_value "$desktop_key" SCRNSAVE.EXE
check "uninstall, no saver before: ScreenSaveActive is removed" no_value "$desktop_key" ScreenSaveActive

set_saver "$other_saver" 0
run_setup /S /CURRENT
rm -f "$sys32/other.scr"
run_uninstaller
check "uninstall, the saver of before is gone: SCRNSAVE.EXE is removed" no_value "$desktop_key" SCRNSAVE.EXE
echo "another saver" >"$sys32/other.scr"

set_saver "$other_saver" 0
run_setup /S /CURRENT
set_saver "$third_saver" 1
run_uninstaller
check "uninstall: a saver that the user chose since stays" equals "$(value "$desktop_key" SCRNSAVE.EXE)" "$third_saver"
check "uninstall: with its ScreenSaveActive" equals "$(value "$desktop_key" ScreenSaveActive)" 1
check "uninstall: and nothing of the installer's is left in the user's registry" no_key "$setup_key"

# 6. The computer's part alone does nothing of the user's.
set_saver "$other_saver" 0
run_setup /S /ELEVATED /CURRENT
check "computer's part: sandloop.scr is installed" cmp -s "$scr" "$build/sandloop.scr"
check "computer's part: the uninstall entry is written" has_key "$uninst_key" 64
check "computer's part: the current screen saver stays" equals "$(value "$desktop_key" SCRNSAVE.EXE)" "$other_saver"
check "computer's part: nothing is remembered for the user" no_key "$setup_key"
wine reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\windows\system32\sandloop.scr' /f >/dev/null 2>&1
wine reg add "$setup_key" /v Remembered /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$setup_key" /v PreviousSaver /t REG_SZ /d "$other_saver" /f >/dev/null 2>&1
mkdir -p "$localapp/Sandloop" && echo "START AT 1" >"$localapp/Sandloop/sandloop.log"
wine "$instdir/Uninstall.exe" /S /ELEVATED >/dev/null 2>&1
timeout 120 wineserver -w
check "computer's part of the uninstall: sandloop.scr is gone" test ! -e "$scr"
check "computer's part of the uninstall: the uninstall entry is gone" no_key "$uninst_key" 64
check "computer's part of the uninstall: the user's current saver stays" names_scr "$(value "$desktop_key" SCRNSAVE.EXE)"
check "computer's part of the uninstall: the user's remembered saver stays" has_key "$setup_key"
check "computer's part of the uninstall: the user's log stays" test -f "$localapp/Sandloop/sandloop.log"

if [ $failures -ne 0 ]; then
  echo "installer: $failures check(s) failed"
  exit 1
fi
echo "installer: all checks passed"
