#!/usr/bin/env bash
# ctest as tools/run-tests.sh and tools/run-windows-tests.sh run it, where
# everything every check needs is installed: ctest counts a check that
# skipped itself (exit 77: Xvfb, Wine, a compositor or the Windows build
# missing) as not run and still exits 0, and GoogleTest passes a program
# whose cases were skipped. Here both are failures: SANDLOOP_REQUIRE_ALL
# makes the back ends' runners fail on a skipped case, and a check that
# skipped itself fails the run. Single GoogleTest cases listed by
# gtest_discover_tests (named Suite.Case) may still skip for what the
# machine itself lacks (AVX2, root).
#   run-ctest.sh BUILD_DIR [CTEST_ARGS...]
set -uo pipefail
dir=$1
shift
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export SANDLOOP_REQUIRE_ALL=1
ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
# ctest's closing list: "  12 - XvfbSmoke (Skipped)".
skipped=$(sed -n '/^The following tests did not run:/,/^$/p' "$log" | grep -E '^\s*[0-9]+ - [^ .]+ \(Skipped\)' || true)
if [[ -n "$skipped" ]]; then
  echo "run-ctest: checks skipped where every check must run:"
  echo "$skipped"
  exit 1
fi
exit "$status"
