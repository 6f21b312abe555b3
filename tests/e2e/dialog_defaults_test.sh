#!/usr/bin/env bash
# The configuration dialog on first start: template 112 as stored in Velmora.scr,
# every control where the template puts it with its caption (read back through
# the ANSI calls in code page 1251), the defaults shown, the mode list, the
# check boxes, the scroll ranges and the focus. Leaves a screenshot of the
# dialog. Then /c:NNN, -C and an empty argument string open it as well, and
# Cancel, the close box and Escape store nothing.
#   dialog_defaults_test.sh BUILD_DIR SAVER DRIVER
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_lib.sh"

dialog_setup "$1" dialog-defaults "$2" "$3"
template_file=$(dirname "${BASH_SOURCE[0]}")/dialog_template.txt
title="    Velmora Screen Saver v.1.4 - Настройки"

# Class names compared without regard to case, as the dialog manager does.
lower_classes() {
  local line
  while IFS= read -r line; do
    if [[ $line =~ ^([^ ]+)\ ([^ ]+)\ (.*)$ ]]; then
      printf '%s %s %s\n' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2],,}" "${BASH_REMATCH[3]}"
    else
      printf '%s\n' "$line"
    fi
  done
}

# The open dialog's controls: the template's, with the value texts filled in,
# the list showing its selected item, and the list's vertical scroll bar moved
# by the platform from the combo box to its drop-down list. A closed drop-down
# list is as high as its selection field, whatever the template's height (the
# height of the list when it is open): that one number is left out.
expected_controls() {
  local line id
  declare -A shown=([1018]=40 [1022]=80 [1023]=300 [1032]=5 [1035]=250 [1036]=5 [1031]="Текущий видеорежим")
  tail -n +2 "$template_file" | while IFS= read -r line; do
    id=${line%% *}
    [[ $id == 1031 ]] && line=${line/0x50210003/0x50010003}
    if [[ -n ${shown[$id]:-} ]]; then
      line=${line% Static}
      line="${line% } ${shown[$id]}"
    fi
    printf '%s\n' "$line"
  done | without_list_height
}

without_list_height() { sed -E 's/^(1031 [^ ]+ [^ ]+ [0-9]+ [0-9]+ [0-9]+) [0-9]+/\1 -/'; }

got=$(drv template "$(wine_path "$SAVER_EXE")" | lower_classes)
diff <(printf '%s\n' "$got") "$template_file" >&2 || e2e_fail "the stored template 112 differs (see above)"

open_dialog
expect_eq "$(drv title)" "$title" "title"
expect_eq "$(drv size)" "229 197" "client size in dialog units"
# Modal, owned by the saver window, which it disables while it is open.
expect_eq "$(drv owner)" "Velmora Screen Saver|Velmora Screen Saver|enabled 0" "owner window"
got=$(drv controls | lower_classes | without_list_height)
diff <(printf '%s\n' "$got") <(expected_controls) >&2 || e2e_fail "the open dialog's controls differ (see above)"

# The dialog is centred on the 1024 x 768 screen.
wait_for_window "$title" 10 || e2e_fail "no X window with the dialog's title"
eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
((X * 2 + WIDTH >= 1022 && X * 2 + WIDTH <= 1026 && Y * 2 + HEIGHT >= 766 && Y * 2 + HEIGHT <= 770)) ||
  e2e_fail "the dialog (${WIDTH}x$HEIGHT at $X,$Y) is not centred"

expect_eq "$(shown_values)" "40 80 300 250 5 5" "values shown"
expect_eq "$(drv cursel 1031 text 1031 | paste -sd'|')" "0|Текущий видеорежим" "selected video mode"
labels=$(for i in 0 1 2 3 4 5 6 7 8; do printf 'item 1031 %s ' "$i"; done)
# shellcheck disable=SC2086
expect_eq "$(drv count 1031 $labels | paste -sd'|')" \
  "9|Текущий видеорежим|320 x 240 x 32|640 x 480 x 32|800 x 600 x 32|1024 x 768 x 32|320 x 240 x 16|640 x 480 x 16|800 x 600 x 16|1024 x 768 x 16" \
  "video-mode list"
expect_eq "$(drv check 1033 check 1034 | paste -sd' ')" "1 0" "lighting and colour"
expect_eq "$(drv range 1008 range 1021 range 1024 range 1028 range 1027 range 1030 | paste -sd'|')" \
  "10 300|10 100|100 800|10 250|1 10|0 20" "scroll ranges"
expect_eq "$(drv focus)" "1008" "control with the focus"

mkdir -p "$E2E_BUILD_DIR/e2e"
screenshot "$E2E_BUILD_DIR/e2e/dialog.png"
e2e_log "screenshot of the dialog: $E2E_BUILD_DIR/e2e/dialog.png"

expect_eq "$(drv cancel)" "closed" "Cancel"
finish_dialog
nothing="Zoom missing Quality missing LifeTimeOneFig missing Brightness missing CountNotReplay missing IntensityDeformation missing Res missing on3D missing onColor missing"
expect_stored "$nothing"

# The other ways to open the dialog, and the other ways to close it unsaved.
for way in "/c:1234 close" "-C escape" "--none cancel"; do
  open_dialog "${way% *}"
  expect_eq "$(shown_values)" "40 80 300 250 5 5" "values shown for '${way% *}'"
  expect_eq "$(drv right 1008 3 "${way#* }")" "closed" "${way#* } after '${way% *}'"
  finish_dialog
  expect_stored "$nothing"
done
e2e_log "dialog defaults test passed"
