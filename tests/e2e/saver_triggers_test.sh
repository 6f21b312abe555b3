#!/usr/bin/env bash
# What ends a run and what does not: mouse moves of 2 pixels between two mouse
# messages keep the saver running however far they go, a move of 3 pixels ends
# it (status 0); the loss of the focus to another program ends it.
#   saver_triggers_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
saver_setup "$1" saver-triggers "$2" "$3"
saver_plain_look
start_probe

saver_start /s
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
x=500 y=400
for step in 2,-2 2,-2 2,-2 2,-2 2,-2 2,-2 2,-2 2,-2 -2,0 -2,0 -2,0 -2,0; do
  x=$((x + ${step%,*})) y=$((y + ${step#*,}))
  xdotool mousemove "$x" "$y"
  saver_still_running_after 0.3
done
screen_keeps_changing 10 || e2e_fail "the picture stands still after the small moves"
xdotool mousemove "$((x + 3))" "$y"
saver_ends_within 1 || e2e_fail "a move of 3 pixels did not end the saver within a second"
[[ $E2E_STATUS -eq 0 ]] || e2e_fail "exit status $E2E_STATUS after the mouse move, not 0"
expect_screen_back

saver_start /s
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
saver=$SAVER_PID
start_wine notepad
SAVER_PID=$saver
saver_ends_within 30 || e2e_fail "the saver still runs after notepad took the focus"
poll_until 10 e2e_mode_is "$(head -n 1 "$PROBE_LOG")" || e2e_fail "the display mode is $(probe_mode_now) after the run"
stop_probe
e2e_log "saver triggers test passed"
