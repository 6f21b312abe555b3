#!/usr/bin/env bash
# Runs the full-screen unit tests (a GoogleTest program) under Wine on a private
# X screen, where DirectDraw is real.
#   saver_fullscreen_test.sh BUILD_DIR TESTS_EXE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "$1" saver-fullscreen
[[ -f $2 ]] || e2e_fail "$2 is not built"
start_xvfb
fresh_prefix
status=0
timeout 240 bash -c 'source "$1"; E2E_PREFIX=$2; e2e_wine "$3"' _ \
  "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "$E2E_PREFIX" "$2" || status=$?
((status == 0)) || e2e_fail "the full-screen tests failed (status $status)"
