#!/usr/bin/env bash
# Proves the end-to-end harness: a private Xvfb, a fresh prefix under the
# Russian locale, exit statuses through Wine, a window found, its pixels read
# from the screen, registry values written by a Windows program read back, and
# a key press delivered.
#   smoke_test.sh BUILD_DIR SMOKE_EXE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "$1" smoke
smoke_exe=$2
[[ -f $smoke_exe ]] || e2e_fail "$smoke_exe is not built"
e2e_use_russian_locale
start_xvfb
fresh_prefix

status=0
e2e_wine cmd /c exit 3 || status=$?
[[ $status -eq 3 ]] || e2e_fail "wine cmd /c exit 3 gave status $status"

start_wine "$smoke_exe"
wait_for_window "Velmora e2e smoke" 60 || e2e_fail "the smoke window did not appear (see wine.log)"
poll_until 20 e2e_pixel_is 50 50 16,160,240 || {
  screenshot "$E2E_RUN_DIR/screen.png"
  e2e_fail "pixel (50,50) is $(screen_pixel 50 50), not 16,160,240"
}
[[ $(screen_pixel 300 300) == 0,0,0 ]] || e2e_fail "the desktop at (300,300) is not black"

wine_reg_read 'HKCU\Software\Velmora E2E' CodePage || e2e_fail "CodePage was not saved"
[[ $E2E_REG_DATA == 1251 && $E2E_REG_TYPE == REG_SZ ]] ||
  e2e_fail "CodePage is $E2E_REG_DATA ($E2E_REG_TYPE), not 1251 (REG_SZ)"
greeting=$(wine_reg_query 'HKCU\Software\Velmora E2E' Greeting) || e2e_fail "Greeting was not saved"
[[ $greeting == "Привет" ]] || e2e_fail "Greeting reads back as '$greeting'"
if wine_reg_query 'HKCU\Software\Velmora E2E' Missing >/dev/null; then
  e2e_fail "a missing value was found"
fi

# Without a window manager the keyboard follows the pointer.
xdotool mousemove 100 50
xdotool key q
wait_exit "$E2E_WINE_PID" 10 || e2e_fail "the key press did not end the program"
[[ $E2E_STATUS -eq 81 ]] || e2e_fail "exit status $E2E_STATUS, not 81 (VK 'Q')"
e2e_log "smoke test passed"
