#!/usr/bin/env bash
# OK in the dialog: with nothing changed it writes all nine values as shown
# (REG_SZ decimal texts); stored values come back into the controls; a stored
# Res outside the list opens without a selection and OK stores -1; each arrow
# steps its own setting within its range and rewrites its text, other scroll
# codes do nothing, and the values and check boxes shown are what OK stores.
# The adapter lists 1024 x 768 only: picking another mode brings the warning
# (owned by the dialog, OK only, no icon) and the list goes back to the current
# mode without a second check; a listed mode brings none and OK stores it.
#   dialog_store_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-store "$2" "$3"

open_dialog
for item in 1 2 3 5 6 7; do
  expect_eq "$(drv select 1031 "$item" msgbox msgbox-ok cursel 1031 | paste -sd'|')" "msgbox|$WARNING|0" "item $item picked"
done
close_with ok
expect_stored "$DEFAULTS_STORED"
open_dialog
expect_eq "$(drv select 1031 8 cursel 1031 select 1031 0 select 1031 4 | paste -sd' ')" "done 8 done done" "listed modes"
close_with ok
expect_stored "${DEFAULTS_STORED/Res=0/Res=4}"

stored="Zoom=30 Quality=42 LifeTimeOneFig=700 Brightness=120 CountNotReplay=0 IntensityDeformation=10 Res=4 on3D=0 onColor=1"
store_settings $stored
open_dialog
expect_eq "$(shown_values)" "42 30 700 120 10 0" "stored values shown"
expect_eq "$(drv cursel 1031 text 1031 check 1033 check 1034 | paste -sd'|')" "4|1024 x 768 x 32|0|1" "stored mode and check boxes"
saver_set Zoom 77  # written by another hand meanwhile: overwritten on OK
close_with ok
expect_stored "$stored"

store_settings Res=9
open_dialog
expect_eq "$(drv text 1031 cursel 1031 | paste -sd"|")" "|-1" "selection for Res 9"
close_with ok
expect_stored "${stored/Res=4/Res=-1}"

open_dialog
drv right 1008 3 left 1028 2 right 1030 4 left 1027 9 right 1024 11 left 1021 5 click 1033 click 1034 >/dev/null
expect_eq "$(shown_values)" "57 10 800 100 1 4" "values after the steps"
ignored=(settext 1018 x)  # page clicks, thumb, top, bottom and end of scrolling
for code in 2 3 4 5 6 7 8; do ignored+=(scroll 1008 "$code" scroll 1021 "$code"); done
expect_eq "$(drv "${ignored[@]}" left 1021 1 | paste -sd' ') $(shown_values)" " x 10 800 100 1 4" "other scroll codes; left at 10"
close_with ok
expect_stored "Zoom=10 Quality=57 LifeTimeOneFig=800 Brightness=100 CountNotReplay=4 IntensityDeformation=1 Res=-1 on3D=1 onColor=0"
e2e_log "dialog store test passed"
