#!/usr/bin/env bash
# The saver draws: black outside the centred figure area, which it fills; with
# lighting and colour off and Brightness 250 only pixels of exactly 250,250,250
# inside it; Zoom 80 gives 819 x 614, Zoom 50 512 x 384. A key ends the run
# within a second, its virtual-key code the exit status, and the display is back.
# On one monitor no cover window appears.
#   saver_draw_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
saver_setup "$1" saver-draw "$2" "$3"
saver_plain_look
start_probe

for row in "80 819 614 102 77 a 65" "50 512 384 256 192 Escape 27"; do
  read -r zoom w h x y key status <<<"$row"
  saver_set Zoom "$zoom"
  saver_start /s
  expect_frames 3 250,250,250 "$w" "$h" "$x" "$y"
  [[ -z $(find_window "Velmora Screen Saver cover") ]] || e2e_fail "a cover window appeared"
  screen_keeps_changing 10 || e2e_fail "the picture stands still"
  press_and_time "$key" "$status"
  expect_screen_back
done
stop_probe
e2e_log "saver draw test passed"
