# Sourced by the real-window checks that run a server or compositor of
# their own (tests/xvfb/dummy_xorg.sh, tests/wayland/sway_common.sh).
#
#   require_tools TOOL...   exit 77 (skipped) where a TOOL is missing
#   require_user            sets $as_user: as root, the prefix that runs a
#                           command as the user nobody (setpriv; exit 77
#                           where it is missing), otherwise nothing

require_tools() {
  local t
  for t in "$@"; do
    command -v "$t" >/dev/null || { echo "$t missing"; exit 77; }
  done
}

require_user() {
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    require_tools setpriv
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  fi
}
