#!/usr/bin/env bash
# The Linux store's file and the Windows registry, both ways, through Wine's
# own reg tool in a fresh prefix (no network, nothing of the user's):
#   a key made in the registry and exported with "reg export" reads in the
#   Linux store with the values it was given;
#   a file written by the Linux store imports with "reg import", and the
#   registry then holds every value with its designed type.
# Usage: registry_roundtrip.sh SETTINGS_FILE_TOOL   (exit 77 without Wine)
set -euo pipefail
tool="$1"
command -v wine >/dev/null || { echo "registry_roundtrip: wine is not installed"; exit 77; }

work="$(mktemp -d /tmp/sandloop-wine-reg.XXXXXX)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# Wine is there: a prefix it cannot make is a failure, not a skip.
wineboot -i >/dev/null 2>&1 || { echo "FAIL: registry_roundtrip: wineboot could not make the prefix"; exit 1; }

key='HKEY_CURRENT_USER\SOFTWARE\Morvant\Sandloop'
fail=0
check() {  # what, expected, got
  if [[ "$2" != "$3" ]]; then
    echo "FAIL: $1"; diff <(echo "$2") <(echo "$3") || true
    fail=1
  fi
}

# 1. Windows to Linux: every value made with "reg add", the key exported.
dword() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }
for pair in flag_clock=1 flag_PlaySound=0 flag_fps=1 TermMouse=0 Gamma=300 flag_defres=0 ResHor=1280 ResVert=1024 \
            ColorDepth=16 clockX=934 clockY=120 clockRad=55 ColorClock=0x4080ff SetSpeed=2 NumEagles=3 \
            FlagShowEagles=1 FlagShowButterfly=0 FlagDaytime=1 FlagDemoDaytime=0 FlagShowSimulateTime=0 \
            FlagDaylightSavingTime=1 RegOfUTC=0xfffffff8 ShowRisSet=0 IndexCity=1234; do
  dword "${pair%%=*}" "${pair#*=}"
done
wine reg add "$key" /v RegLat /t REG_BINARY /d 0000000000e04240 /f >/dev/null  # 37.75
wine reg add "$key" /v RegLng /t REG_BINARY /d 0000000000a05ec0 /f >/dev/null  # -122.5
wine reg export "$key" "$work/exported.reg" /y >/dev/null
got="$("$tool" read "$work/exported.reg")"
expected="flag_clock=1
flag_PlaySound=0
flag_fps=1
TermMouse=0
Gamma=300
flag_defres=0
ResHor=1280
ResVert=1024
ColorDepth=16
clockX=934
clockY=120
clockRad=55
ColorClock=4227327
SetSpeed=2
NumEagles=3
FlagShowEagles=1
FlagShowButterfly=0
FlagDaytime=1
FlagDemoDaytime=0
FlagShowSimulateTime=0
FlagDaylightSavingTime=1
RegLat=37.75
RegLng=-122.5
RegOfUTC=-8
ShowRisSet=0
IndexCity=1234"
check "the exported key read by the Linux store" "$expected" "$got"

# 2. Linux to Windows: a file of the Linux store imported into an empty key.
wine reg delete "$key" /f >/dev/null
"$tool" write "$work/linux.reg" flag_defres=0 ResHor=1024 ResVert=768 clockX=934 RegLat=50.85 RegLng=-122.4 \
  ColorClock=0x4080FF RegOfUTC=-8 NumEagles=5
wine reg import "$work/linux.reg" >/dev/null 2>&1 || { echo "FAIL: reg import refused the Linux store's file"; exit 1; }
query="$(wine reg query "$key" | tr -d '\r')"
value() { awk -v n="$1" '$1 == n { print $2, $3 }' <<<"$query"; }
check "number of values" 26 "$(grep -c 'REG_' <<<"$query")"
check "clockX" "REG_DWORD 0x3a6" "$(value clockX)"
check "ResVert" "REG_DWORD 0x300" "$(value ResVert)"
check "ColorClock" "REG_DWORD 0x4080ff" "$(value ColorClock)"
check "RegOfUTC" "REG_DWORD 0xfffffff8" "$(value RegOfUTC)"
check "NumEagles" "REG_DWORD 0x5" "$(value NumEagles)"
check "RegLat" "REG_BINARY 000000C0CC6C4940" "$(value RegLat)"
check "RegLng" "REG_BINARY 000000A099995EC0" "$(value RegLng)"
# And back: the imported key, exported again, reads as the file it came from.
wine reg export "$key" "$work/again.reg" /y >/dev/null
check "the round trip" "$("$tool" read "$work/linux.reg")" "$("$tool" read "$work/again.reg")"

if [[ $fail -ne 0 ]]; then exit 1; fi
echo "registry_roundtrip: both directions agree"
