#!/usr/bin/env bash
# The dialog's arrows: each steps its setting within its range and rewrites the
# value text; other scroll codes do nothing; Cancel after steps leaves the
# registry as it was; a stored Zoom of 500 is shown as such and steps down.
#   dialog_stepping_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-stepping "$2" "$3"

# steps BAR TEXT DIRECTION COUNT...: the value text after each group of clicks.
steps() {
  local bar=$1 text=$2 direction=$3 commands=() count
  shift 3
  for count in "$@"; do commands+=("$direction" "$bar" "$count" text "$text"); done
  drv "${commands[@]}" | paste -sd' '
}

# "BAR TEXT DIRECTION COUNTS|EXPECTED" rows, run in order in one dialog.
check_steps() {
  local row
  for row in "$@"; do
    # shellcheck disable=SC2086
    expect_eq "$(steps ${row%|*})" "${row#*|}" "steps ${row%|*}"
  done
}

open_dialog
check_steps "1008 1018 right 51 1 1|295 300 300" "1008 1018 left 57 1 1|15 10 10" "1021 1022 right 1 1|90 100" \
  "1030 1036 left 1 1 1 1 1 1|4 3 2 1 0 0" "1030 1036 right 19 1 1|19 20 20" "1024 1023 right 1 24 1|320 800 800" \
  "1028 1035 left 1 23 1|240 10 10" "1027 1032 right 4 1 1|9 10 10"
# At the bound nothing changes, but the text is written again.
expect_eq "$(drv settext 1022 x right 1021 1 text 1022)" "100" "Zoom right at 100"
ignored=()  # page clicks, thumb, top, bottom and end of scrolling
for code in 2 3 4 5 6 7 8; do ignored+=(scroll 1008 "$code" scroll 1021 "$code"); done
expect_eq "$(drv "${ignored[@]}" text 1018 text 1022 | paste -sd' ')" "10 100" "other scroll codes"
close_with cancel
expect_stored "$NOTHING_STORED"

before="Zoom=30 Quality=42 LifeTimeOneFig=700 Brightness=120 CountNotReplay=0 IntensityDeformation=10 Res=4 on3D=0 onColor=1"
# shellcheck disable=SC2086
store_settings ${before// missing/}
open_dialog
check_steps "1008 1018 right 51 1|297 297" "1008 1018 left 57 1|12 12" "1021 1022 left 2 1|10 10"
expect_eq "$(drv click 1033 click 1034 check 1033 check 1034 | paste -sd' ')" "1 0" "check boxes clicked"
close_with cancel
expect_stored "$before"

wine_reg_delete "$SAVER_KEY" || e2e_fail "cannot delete the settings key"
store_settings Zoom=500  # loading does not clamp
open_dialog
check_steps "1021 1022 right 0 1 0|500 500 500" "1021 1022 left 1 1|490 480"
close_with ok
expect_stored "${DEFAULTS_STORED/Zoom=80/Zoom=480}"
e2e_log "dialog stepping test passed"
