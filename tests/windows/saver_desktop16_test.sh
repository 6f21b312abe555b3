#!/usr/bin/env bash
# Res 8 (1024 x 768 x 16) in a Wine virtual desktop, where modes switch: at Zoom
# 80 the figure fills the centred 819 x 614 area (odd rows) in 5-6-5 pixels, 250
# being 0xFFDF, shown as 255,251,255. Afterwards the desktop's mode is back.
#   saver_desktop16_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
saver_setup "$1" saver-desktop16 "$2" "$3"
saver_plain_look
saver_set Res 8
launcher=(explorer "/desktop=velmora-e2e-$$,1024x768")
start_probe "${launcher[@]}"  # opens the desktop and keeps it open between runs

# The launcher hands the program to the open desktop and returns, so the saver is no
# child of ours: it is the process of SAVER_EXE /s whose environment names this run's
# own prefix (a zombie has no environment left).
start_wine "${launcher[@]}" "$SAVER_EXE" /s
e2e_saver_started() {
  local pid
  for pid in $(pgrep -f -- "^[^ ]*$(basename "$SAVER_EXE") /s$"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$E2E_PREFIX" && SAVER_PID=$pid && return
  done; false
}
poll_until 30 e2e_saver_started || e2e_fail "the saver did not start in the desktop (see wine.log)"
expect_frames 3 255,251,255 819 614 102 77
xdotool key Escape
poll_until 10 e2e_saver_gone || e2e_fail "the saver still runs 10 s after the key"
expect_screen_back
stop_probe
e2e_log "saver 16-bit desktop test passed"
