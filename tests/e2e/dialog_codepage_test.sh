#!/usr/bin/env bash
# Under code page 1252 (en_US.UTF-8) the dialog shows the same Russian texts as
# under code page 1251: read back through the Unicode calls, and on the screen,
# where the dialog looks pixel for pixel as it does under ru_RU.UTF-8.
#   dialog_codepage_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"
dialog_setup "$1" dialog-codepage "$2" "$3"

# dialog_shot FILE: the open dialog's window, cut from a screenshot.
dialog_shot() {
  wait_for_window "$TITLE" 10 || e2e_fail "no X window with the dialog's title"
  eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
  shot
  convert "$SHOT" -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$1"
}

for locale in en_US.UTF-8 ru_RU.UTF-8; do
  e2e_use_locale "$locale"
  open_dialog
  expect_russian_texts
  dialog_shot "$E2E_RUN_DIR/dialog-$locale.png"
  close_with cancel
  WINEPREFIX=$E2E_PREFIX wineserver -w
done
mkdir -p "$E2E_BUILD_DIR/e2e"
cp "$E2E_RUN_DIR/dialog-en_US.UTF-8.png" "$E2E_BUILD_DIR/e2e/dialog-cp1252.png"
cmp -s <(convert "$E2E_RUN_DIR/dialog-en_US.UTF-8.png" rgb:-) <(convert "$E2E_RUN_DIR/dialog-ru_RU.UTF-8.png" rgb:-) ||
  e2e_fail "the dialog looks different under code page 1252 (see $E2E_RUN_DIR)"
e2e_log "dialog under code page 1252: $E2E_BUILD_DIR/e2e/dialog-cp1252.png"
