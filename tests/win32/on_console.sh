#!/usr/bin/env bash
# Runs a Windows test program as on_xvfb.sh does, on a terminal of its own
# (a pseudo-terminal from script(1)), so that Wine gives it a console:
# the checks of a console's control events (Ctrl+C) need one.
#   on_console.sh PROGRAM.exe [ARGS...]
# Skipped (exit 77) where script, Xvfb or Wine is missing.
set -u
command -v script >/dev/null || { echo "script missing"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
command=$(printf '%q ' bash "$here/on_xvfb.sh" "$@")
# The console's cursor moves back into spaces and away.
script -qec "$command" /dev/null </dev/null | tr -d '\r' | sed -e 's/\x1b\[K\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[a-zA-Z]//g'
exit "${PIPESTATUS[0]}"
