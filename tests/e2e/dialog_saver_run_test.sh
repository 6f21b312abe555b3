#!/usr/bin/env bash
# What OK in the configuration dialog stores is what the next start uses: the
# next dialog shows it, and the next saver run draws with it (Zoom 50 gives the
# 512 x 384 area in the middle of the 1024 x 768 screen; with lighting and
# colour off every lit pixel has Brightness 120 as its grey).
#   dialog_saver_run_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"

dialog_setup "$1" dialog-saver-run "$2" "$3"
# The pointer rests in the middle, so the saver's first mouse message moves nothing.
xdotool mousemove 500 400

open_dialog
drv left 1028 13 left 1021 3 click 1033 >/dev/null
expect_eq "$(drv ok)" "closed" "OK"
finish_dialog
expect_stored "Zoom=50 Quality=40 LifeTimeOneFig=300 Brightness=120 CountNotReplay=5 IntensityDeformation=5 Res=0 on3D=0 onColor=0"

open_dialog
expect_eq "$(shown_values)" "40 50 300 120 5 5" "values shown at the next start"
expect_eq "$(drv check 1033 check 1034 | paste -sd' ')" "0 0" "check boxes at the next start"
expect_eq "$(drv cancel)" "closed" "Cancel"
finish_dialog

saver_start /s
expect_frames 2 120,120,120 512 384 256 192
xdotool key a
wait_exit "$SAVER_PID" 10 || e2e_fail "the saver still runs after a key press"
e2e_log "dialog saver run test passed"
