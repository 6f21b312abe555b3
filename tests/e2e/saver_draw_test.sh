#!/usr/bin/env bash
# The saver draws: black outside the centred figure area; with lighting and
# colour off and Brightness 250 only pixels of exactly 250,250,250 inside it;
# Zoom 50 gives a 512 x 384 area. A key press ends the run within a second, with
# the key's virtual-key code as exit status, and the display is back.
#   saver_draw_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/saver_common.sh"

saver_setup "$1" saver-draw "$2" "$3"
saver_plain_look
start_probe

# Zoom 80 (the default) on 1024 x 768: 819 x 614 at (102, 77).
saver_start /s
expect_frames 3 250,250,250 819 614 102 77
# One monitor here: no window covers another one.
[[ -z $(find_window "Velmora Screen Saver cover") ]] || e2e_fail "a cover window appeared"
screen_keeps_changing 10 || e2e_fail "the picture stands still"
press_and_time a
[[ $E2E_STATUS -eq 65 ]] || e2e_fail "exit status $E2E_STATUS, not 65 (VK 'A')"
((EXIT_MS < 1000)) || e2e_fail "the saver took $EXIT_MS ms to end after the key"
e2e_log "key A: ended after $EXIT_MS ms with status $E2E_STATUS"
expect_screen_back

# Zoom 50: 512 x 384 at (256, 192). The figure is stretched over the area, so
# its extreme points come to its left and top edges (a point that is rightmost as
# well wraps to the next row, so allow a pixel or two); nothing is lit outside.
saver_set Zoom 50
saver_start /s
expect_frames 3 250,250,250 512 384 256 192
box=$(lit_box "$SHOT")
[[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || e2e_fail "no lit area in $SHOT"
read -r w h x y <<<"${BASH_REMATCH[*]:1}"
((x >= 256 && x <= 258 && y >= 192 && y <= 194 && w >= 460 && h >= 345)) ||
  e2e_fail "the figure fills $box, not the 512x384+256+192 area"
press_and_time Escape
[[ $E2E_STATUS -eq 27 ]] || e2e_fail "exit status $E2E_STATUS, not 27 (VK_ESCAPE)"
((EXIT_MS < 1000)) || e2e_fail "the saver took $EXIT_MS ms to end after the key"
e2e_log "key Escape: ended after $EXIT_MS ms with status $E2E_STATUS"
expect_screen_back
stop_probe
e2e_log "saver draw test passed"
