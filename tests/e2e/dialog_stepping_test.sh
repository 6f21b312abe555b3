#!/usr/bin/env bash
# The arrows of the configuration dialog: each steps its setting within its
# range and rewrites the value text; other scroll codes do nothing; Cancel
# after steps leaves the registry as it was; a stored Zoom of 500 is shown as
# such and steps down to 490.
#   dialog_stepping_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"

dialog_setup "$1" dialog-stepping "$2" "$3"

# steps ID TEXT_ID DIRECTION COUNT...: one value text after each group of clicks.
steps() {
  local bar=$1 text=$2 direction=$3 commands=()
  shift 3
  for count in "$@"; do commands+=("$direction" "$bar" "$count" text "$text"); done
  drv "${commands[@]}" | paste -sd' '
}

# ---- first start: no stored settings ----
open_dialog
expect_eq "$(steps 1008 1018 right 51 1 1)" "295 300 300" "Quality up from 40"
expect_eq "$(steps 1008 1018 left 57 1 1)" "15 10 10" "Quality down from 300"
expect_eq "$(steps 1021 1022 right 1 1)" "90 100" "Zoom up from 80"
# At the bound nothing changes, but the text is written again.
expect_eq "$(drv settext 1022 x right 1021 1 text 1022)" "100" "Zoom right at 100"
expect_eq "$(steps 1030 1036 left 1 1 1 1 1 1)" "4 3 2 1 0 0" "CountNotReplay down from 5"
expect_eq "$(steps 1030 1036 right 19 1 1)" "19 20 20" "CountNotReplay up from 0"
expect_eq "$(steps 1024 1023 right 1 24 1)" "320 800 800" "LifeTimeOneFig up from 300"
expect_eq "$(steps 1028 1035 left 1 23 1)" "240 10 10" "Brightness down from 250"
expect_eq "$(steps 1027 1032 right 4 1 1)" "9 10 10" "IntensityDeformation up from 5"
# Page clicks, thumb, top, bottom and end of scrolling are ignored.
ignored=()
for code in 2 3 4 5 6 7 8; do ignored+=(scroll 1008 "$code" scroll 1021 "$code"); done
expect_eq "$(drv "${ignored[@]}" text 1018 text 1022 | paste -sd' ')" "10 100" "other scroll codes"
expect_eq "$(drv cancel)" "closed" "Cancel"
finish_dialog
expect_stored "Zoom missing Quality missing LifeTimeOneFig missing Brightness missing CountNotReplay missing IntensityDeformation missing Res missing on3D missing onColor missing"

# ---- stored settings, one of them off the step grid; Cancel keeps them ----
store_settings Zoom=30 Quality=42 LifeTimeOneFig=700 Brightness=120 CountNotReplay=0 \
  IntensityDeformation=10 Res=4 on3D=0 onColor=1
before="Zoom=30 Quality=42 LifeTimeOneFig=700 Brightness=120 CountNotReplay=0 IntensityDeformation=10 Res=4 on3D=0 onColor=1"
expect_stored "$before"
open_dialog
expect_eq "$(shown_values)" "42 30 700 120 10 0" "stored values shown"
expect_eq "$(steps 1008 1018 right 51 1)" "297 297" "Quality up from 42"
expect_eq "$(steps 1008 1018 left 57 1)" "12 12" "Quality down from 297"
expect_eq "$(steps 1021 1022 left 2 1)" "10 10" "Zoom down from 30"
expect_eq "$(drv click 1033 click 1034 check 1033 check 1034 | paste -sd' ')" "1 0" "check boxes clicked"
expect_eq "$(drv cancel)" "closed" "Cancel"
finish_dialog
expect_stored "$before"

# ---- loading does not clamp: Zoom 500 ----
wine_reg_delete "$SAVER_KEY" || e2e_fail "cannot delete the settings key"
store_settings Zoom=500
open_dialog
expect_eq "$(steps 1021 1022 right 0 1 0)" "500 500 500" "Zoom 500 shown and kept by the right arrow"
expect_eq "$(steps 1021 1022 left 1 1)" "490 480" "Zoom down from 500"
expect_eq "$(drv ok)" "closed" "OK"
finish_dialog
expect_stored "Zoom=480 Quality=40 LifeTimeOneFig=300 Brightness=250 CountNotReplay=5 IntensityDeformation=5 Res=0 on3D=1 onColor=0"
e2e_log "dialog stepping test passed"
