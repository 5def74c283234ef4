#!/usr/bin/env bash
# The global hot key's own tests against a real X server: a private Xvfb on
# the xcb platform, where the test program does not skip itself.
#   tests/e2e/hot_key_x11.sh [BUILD_DIR]
set -euo pipefail

source "$(dirname "$0")/session.sh" "$@"
start_xvfb
"$build/app_test_hot_key_x11" >"$work/hot_key.log" 2>&1 || { cat "$work/hot_key.log"; fail "hot key tests failed"; }
cat "$work/hot_key.log"
! grep -q "^SKIP" "$work/hot_key.log" || fail "the hot key tests skipped themselves"
grep -q "^Totals: .* 0 failed" "$work/hot_key.log" || fail "no test totals"
