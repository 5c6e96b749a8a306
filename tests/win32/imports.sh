#!/usr/bin/env bash
# sandloop.scr holds nothing off: it neither imports nor names (for a
# lookup with GetProcAddress) a call that keeps the display on or the
# system awake. A saver runs because the session is idle; the display's
# power saving, the lock and sleep must come at their times. It still
# tells the system that a saver runs (SystemParametersInfoA), which also
# proves the import table was read at all.
#   imports.sh OBJDUMP SANDLOOP_SCR
# Skipped (exit 77) where the objdump of the cross binutils is missing.
set -u
objdump=$1
scr=$2
command -v "$objdump" >/dev/null || { echo "$objdump missing"; exit 77; }
[ -f "$scr" ] || { echo "FAIL: $scr missing"; exit 1; }

table=$("$objdump" -p "$scr") || { echo "FAIL: $objdump cannot read $scr"; exit 1; }
# Every imported name, one a line, without its hint number.
imported=$(printf '%s\n' "$table" | awk '/DLL Name:/ { dll = 1; next } dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }')
fail=0
printf '%s\n' "$imported" | grep -qx 'SystemParametersInfoA' || {
  echo "FAIL: no SystemParametersInfoA among the imports (the import table was not read?)"
  fail=1
}
for name in SetThreadExecutionState PowerCreateRequest PowerSetRequest; do
  if printf '%s\n' "$imported" | grep -qx "$name"; then
    echo "FAIL: $scr imports $name"
    fail=1
  elif grep -qa "$name" "$scr"; then
    echo "FAIL: $scr names $name (looked up by name?)"
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "PASS: nothing that holds off the display's power saving or sleep"
exit $fail
