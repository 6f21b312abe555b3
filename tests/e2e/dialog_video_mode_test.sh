#!/usr/bin/env bash
# The video-mode list of the configuration dialog on a 1024 x 768 screen whose
# adapter lists 1024 x 768 only: a mode it does not list brings the warning
# (owned by the dialog, OK only, no icon) and the list returns to the current
# video mode, which raises no second check; OK then stores Res 0. Listed modes
# bring no message, and OK stores the index picked.
#   dialog_video_mode_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"

dialog_setup "$1" dialog-video-mode "$2" "$3"
warning="Внимание!|Данный видеорежим не поддерживается Вашей системой|1|icon 0"

open_dialog
expect_eq "$(drv select 1031 5 msgbox msgbox-ok cursel 1031 text 1031 | paste -sd'|')" \
  "msgbox|$warning|0|Текущий видеорежим" "320 x 240 x 16 picked"
expect_eq "$(drv ok)" "closed" "OK"
finish_dialog
expect_stored "Zoom=80 Quality=40 LifeTimeOneFig=300 Brightness=250 CountNotReplay=5 IntensityDeformation=5 Res=0 on3D=1 onColor=0"

open_dialog
expect_eq "$(drv select 1031 4 cursel 1031 select 1031 8 cursel 1031 | paste -sd' ')" "done 4 done 8" "listed modes picked"
for item in 1 2 3 6 7; do
  expect_eq "$(drv select 1031 "$item" msgbox msgbox-ok cursel 1031 | paste -sd'|')" "msgbox|$warning|0" "item $item picked"
done
expect_eq "$(drv select 1031 0 cursel 1031 select 1031 8 | paste -sd' ')" "done 0 done" "current mode, then 8, picked"
expect_eq "$(drv ok)" "closed" "OK"
finish_dialog
expect_stored "Zoom=80 Quality=40 LifeTimeOneFig=300 Brightness=250 CountNotReplay=5 IntensityDeformation=5 Res=8 on3D=1 onColor=0"
e2e_log "dialog video mode test passed"
