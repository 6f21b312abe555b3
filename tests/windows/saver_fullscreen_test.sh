#!/usr/bin/env bash
# The full-screen tests (a GoogleTest program) under Wine on a private X screen, where DirectDraw is real.
#   saver_fullscreen_test.sh BUILD_DIR TESTS_EXE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
e2e_init "$1" saver-fullscreen
start_xvfb
fresh_prefix
timeout 240 env WINEPREFIX="$E2E_PREFIX" WINEDEBUG=-all "$(wine_loader_for "$2")" "$2" || e2e_fail "the full-screen tests failed"
