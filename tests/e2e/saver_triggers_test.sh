#!/usr/bin/env bash
# What ends a run and what does not: mouse moves of 2 pixels between two mouse
# messages keep the saver running however far they go, a move of 3 pixels ends
# it; the loss of the focus to another program ends it. The display is back
# after each run.
#   saver_triggers_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/saver_common.sh"

saver_setup "$1" saver-triggers "$2" "$3"
saver_plain_look
start_probe

# e2e_moved_to X Y: moves the pointer; the saver must still be there after it.
move_keeps_running() {
  xdotool mousemove "$1" "$2"
  saver_still_running_after 0.3
}

saver_start /s
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
x=500
y=400
for step in 1 2 3 4 5 6 7 8; do
  x=$((x + 2))
  y=$((y - 2))
  move_keeps_running "$x" "$y"
done
for step in 1 2 3 4; do
  x=$((x - 2))
  move_keeps_running "$x" "$y"
done
screen_keeps_changing 10 || e2e_fail "the picture stands still after the small moves"
started=$(e2e_now_ms)
xdotool mousemove "$((x + 3))" "$y"
wait_exit "$SAVER_PID" 10 || e2e_fail "a move of 3 pixels did not end the saver"
exit_ms=$(($(e2e_now_ms) - started))
[[ $E2E_STATUS -eq 0 ]] || e2e_fail "exit status $E2E_STATUS after the mouse move, not 0"
((exit_ms < 1000)) || e2e_fail "the saver took $exit_ms ms to end after the move"
e2e_log "3-pixel move: ended after $exit_ms ms"
expect_screen_back

# Another program takes the focus.
saver_start /s
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
saver_pid=$SAVER_PID
start_wine notepad
notepad_pid=$E2E_WINE_PID
SAVER_PID=$saver_pid
saver_ends_within 30 || e2e_fail "the saver still runs after notepad took the focus"
e2e_log "focus lost: ended with status $E2E_STATUS"
poll_until 10 e2e_mode_is "$(head -n 1 "$PROBE_LOG")" || e2e_fail "the display mode is $(probe_mode_now) after the run"
e2e_end_pid "$notepad_pid"
stop_probe
e2e_log "saver triggers test passed"
