#!/usr/bin/env bash
# A 16-bit mode inside a Wine virtual desktop, where mode switches work: with
# Res 8 (1024 x 768 x 16) and Zoom 80 the figure fills the centred area of
# 819 x 614, an odd row width, in 5-6-5 pixels (Brightness 250 is the word
# 0xFFDF, which the 24-bit screen shows as 255,251,255), and after the run the
# desktop is back in its own mode. (The colour proves the 16-bit mode: a 32-bit
# run shows 250,250,250.)
#   saver_desktop16_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/saver_common.sh"

saver_setup "$1" saver-desktop16 "$2" "$3"
saver_plain_look
saver_set Res 8
desktop=velmora-e2e-$$
launcher=(explorer "/desktop=$desktop,1024x768")

# The probe opens the desktop and keeps it open between runs.
start_probe "${launcher[@]}"
[[ $(probe_mode_now) == 1024x768x* ]] || e2e_fail "the desktop starts in $(probe_mode_now)"

desktop_geometry() {
  xdotool search --name "^$desktop - Wine desktop\$" getwindowgeometry 2>/dev/null | sed -n 's/ *Geometry: //p' | head -n 1
}
e2e_desktop_is() { [[ $(desktop_geometry) == "$1" ]]; }
poll_until 30 e2e_desktop_is 1024x768 || e2e_fail "the desktop window is $(desktop_geometry), not 1024x768"

# The launcher hands the program to the open desktop and returns; the saver's
# own process is the one to watch.
start_wine "${launcher[@]}" "$SAVER_EXE" /s
e2e_saver_started() { SAVER_PID=$(prefix_process_pid "^[^ ]*$(basename "$SAVER_EXE") /s$"); }
poll_until 30 e2e_saver_started || e2e_fail "the saver did not start in the desktop (see wine.log)"
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
expect_frames 3 255,251,255 819 614 102 77
box=$(lit_box "$SHOT")
[[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || e2e_fail "no lit area in $SHOT"
read -r w h x y <<<"${BASH_REMATCH[*]:1}"
((x >= 102 && x <= 104 && y >= 77 && y <= 79 && w >= 730 && h >= 550)) ||
  e2e_fail "the figure fills $box, not the 819x614+102+77 area"
e2e_saver_gone && e2e_fail "the saver ended before the key"
started=$(e2e_now_ms)
xdotool key Escape
poll_until 10 e2e_saver_gone || e2e_fail "the saver still runs 10 s after the key"
e2e_log "16-bit run ended $(($(e2e_now_ms) - started)) ms after the key"
poll_until 10 e2e_desktop_is 1024x768 || e2e_fail "the desktop is $(desktop_geometry) after the run"
expect_screen_back
stop_probe
e2e_log "saver 16-bit desktop test passed"
