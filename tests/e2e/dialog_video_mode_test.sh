#!/usr/bin/env bash
# The mode list on a screen whose adapter lists 1024 x 768 only: a mode it does
# not list brings the warning (owned by the dialog, OK only, no icon) and the list
# returns to the current video mode, which raises no second check. Listed modes
# bring no message, and OK stores the index picked.
#   dialog_video_mode_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-video-mode "$2" "$3"

open_dialog
for item in 1 2 3 5 6 7; do
  expect_eq "$(drv select 1031 "$item" msgbox msgbox-ok cursel 1031 | paste -sd'|')" "msgbox|$WARNING|0" "item $item picked"
done
close_with ok
expect_stored "$DEFAULTS_STORED"

open_dialog
expect_eq "$(drv select 1031 4 cursel 1031 select 1031 0 cursel 1031 select 1031 8 | paste -sd' ')" "done 4 done 0 done" \
  "listed modes picked"
close_with ok
expect_stored "${DEFAULTS_STORED/Res=0/Res=8}"
e2e_log "dialog video mode test passed"
