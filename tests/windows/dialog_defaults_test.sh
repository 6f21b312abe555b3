#!/usr/bin/env bash
# The settings dialog on first start reads right under code page 1252
# (en_US.UTF-8) as under 1251 (ru_RU.UTF-8): every Russian text read back through
# the Unicode calls, and on the screen pixel for pixel the same. Then, under 1251:
# the check boxes, scroll ranges, focus, modal to the saver window and centred;
# /c:NNN, -C and no argument open it as well; Cancel, the close box and Escape
# store nothing.
#   dialog_defaults_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-defaults "$2" "$3"

for locale in en_US.UTF-8 ru_RU.UTF-8; do
  e2e_use_locale "$locale"
  open_dialog
  expect_russian_texts
  wait_for_window "$TITLE" 10 || e2e_fail "no X window with the dialog's title"
  eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
  shot
  convert "$SHOT" -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$E2E_RUN_DIR/dialog-$locale.png"
  [[ $locale == en_US.UTF-8 ]] && close_with cancel && WINEPREFIX=$E2E_PREFIX wineserver -w
done
cp "$E2E_RUN_DIR/dialog-en_US.UTF-8.png" "$E2E_BUILD_DIR/e2e/dialog-cp1252.png"
e2e_log "the dialog under code page 1252: $E2E_BUILD_DIR/e2e/dialog-cp1252.png"
cmp -s <(convert "$E2E_RUN_DIR/dialog-en_US.UTF-8.png" rgb:-) <(convert "$E2E_RUN_DIR/dialog-ru_RU.UTF-8.png" rgb:-) ||
  e2e_fail "the dialog looks different under code page 1252 (see $E2E_RUN_DIR)"

expect_eq "$(drv owner)" "Velmora Screen Saver|Velmora Screen Saver|enabled 0" "owner window"
expect_eq "$(drv check 1033 check 1034 focus | paste -sd' ')" "1 0 1008" "lighting, colour and focus"
expect_eq "$(drv range 1008 range 1021 range 1024 range 1028 range 1027 range 1030 | paste -sd'|')" \
  "10 300|10 100|100 800|10 250|1 10|0 20" "scroll ranges"
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
