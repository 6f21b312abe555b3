#!/usr/bin/env bash
# The settings dialog on first start, under code page 1251: every Russian text,
# the defaults, the check boxes, the scroll ranges, the focus, modal to the saver
# window and centred. /c:NNN, -C and an empty argument string open it as well;
# Cancel, the close box and Escape store nothing.
#   dialog_defaults_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-defaults "$2" "$3"

open_dialog
expect_russian_texts
expect_eq "$(drv owner)" "Velmora Screen Saver|Velmora Screen Saver|enabled 0" "owner window"
expect_eq "$(drv check 1033 check 1034 | paste -sd' ')" "1 0" "lighting and colour"
expect_eq "$(drv range 1008 range 1021 range 1024 range 1028 range 1027 range 1030 | paste -sd'|')" \
  "10 300|10 100|100 800|10 250|1 10|0 20" "scroll ranges"
expect_eq "$(drv focus)" "1008" "control with the focus"
wait_for_window "$TITLE" 10 || e2e_fail "no X window with the dialog's title"
eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
((X * 2 + WIDTH >= 1022 && X * 2 + WIDTH <= 1026 && Y * 2 + HEIGHT >= 766 && Y * 2 + HEIGHT <= 770)) ||
  e2e_fail "the dialog (${WIDTH}x$HEIGHT at $X,$Y) is not centred"
close_with cancel
expect_stored "$NOTHING_STORED"

for way in "/c:1234 close" "-C escape" "--none cancel"; do
  open_dialog "${way% *}"
  drv right 1008 3 >/dev/null
  close_with "${way#* }"
  expect_stored "$NOTHING_STORED"
done
e2e_log "dialog defaults test passed"
