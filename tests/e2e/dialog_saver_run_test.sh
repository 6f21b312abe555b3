#!/usr/bin/env bash
# What OK stores is what the next start uses: the next dialog shows it, and the
# next saver run draws with it (Zoom 50: the 512 x 384 area in the middle of the
# screen; lighting and colour off: every lit pixel has Brightness 120 as its grey).
#   dialog_saver_run_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-saver-run "$2" "$3"
xdotool mousemove 500 400

open_dialog
drv left 1028 13 left 1021 3 click 1033 >/dev/null
close_with ok
expect_stored "Zoom=50 Quality=40 LifeTimeOneFig=300 Brightness=120 CountNotReplay=5 IntensityDeformation=5 Res=0 on3D=0 onColor=0"
open_dialog
expect_eq "$(shown_values) $(drv check 1033 check 1034 | paste -sd' ')" "40 50 300 120 5 5 0 0" "values at the next start"
close_with cancel

saver_start /s
expect_frames 2 120,120,120 512 384 256 192
press_and_time a
e2e_log "dialog saver run test passed"
