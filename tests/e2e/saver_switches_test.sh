#!/usr/bin/env bash
# Runs that end at once: the preview request and an unknown switch end with
# status 0 without drawing; a Res the adapter does not list ends with status 0
# and leaves the screen as it was; a second instance ends with status 0 while
# the first keeps running.
#   saver_switches_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/saver_common.sh"

saver_setup "$1" saver-switches "$2" "$3"
saver_plain_look
start_probe
shot
untouched=$SHOT

e2e_screen_untouched() {
  shot
  cmp -s <(convert "$untouched" rgb:-) <(convert "$SHOT" rgb:-)
}

# ends_at_once_untouched ARGS...: the saver ends with status 0 within 30 s (most
# of it Wine's start), and every screenshot taken meanwhile and after is the
# screen from before, with the probe's square and nothing else.
ends_at_once_untouched() {
  saver_start "$@"
  local started=$SECONDS
  until e2e_saver_gone; do
    e2e_screen_untouched || e2e_fail "'$*' changed the screen (see $SHOT)"
    ((SECONDS - started < 30)) || e2e_fail "'$*' still runs after 30 s"
  done
  wait_exit "$SAVER_PID" 5 || true
  [[ $E2E_STATUS -eq 0 ]] || e2e_fail "'$*' ended with status $E2E_STATUS, not 0"
  e2e_screen_untouched || e2e_fail "the screen changed after '$*' (see $SHOT)"
  [[ $(probe_modes | wc -l) -eq 1 ]] || e2e_fail "'$*' changed the display mode: $(probe_modes | paste -sd' ')"
  e2e_log "'$*' ended at once with status 0, the screen untouched"
}

ends_at_once_untouched /p 1234
ends_at_once_untouched /a 1234
ends_at_once_untouched /x
ends_at_once_untouched s

# 320 x 240 x 32: Xvfb offers 1024 x 768 only.
saver_set Res 1
ends_at_once_untouched /s
saver_set Res 0

# A second instance while the first runs.
saver_start /s
first=$SAVER_PID
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
saver_start /s
saver_ends_within 30 || e2e_fail "the second instance still runs"
[[ $E2E_STATUS -eq 0 ]] || e2e_fail "the second instance ended with status $E2E_STATUS, not 0"
e2e_log "second instance ended after $EXIT_MS ms with status 0"
SAVER_PID=$first
e2e_saver_gone && e2e_fail "the first instance ended with the second"
screen_keeps_changing 10 || e2e_fail "the first instance stopped drawing"
saver_still_running_after 1
press_and_time x
[[ $E2E_STATUS -eq 88 ]] || e2e_fail "exit status $E2E_STATUS, not 88 (VK 'X')"
expect_screen_back
stop_probe
e2e_log "saver switches test passed"
