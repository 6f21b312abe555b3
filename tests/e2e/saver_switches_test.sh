#!/usr/bin/env bash
# Runs that end at once with status 0, the screen untouched: the preview request,
# unknown switches, and a Res the adapter does not list. A second instance ends
# with status 0 while the first keeps running.
#   saver_switches_test.sh BUILD_DIR SAVER PROBE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
saver_setup "$1" saver-switches "$2" "$3"
saver_plain_look
start_probe
shot
untouched=$SHOT
e2e_screen_untouched() { shot && cmp -s <(convert "$untouched" rgb:-) <(convert "$SHOT" rgb:-); }

# Every screenshot while it runs (at most 30 s, mostly Wine's start) and after is the screen from before.
for args in "/p 1234" "/a 1234" "/x" "s" "/s Res=1"; do  # Res 1 is 320 x 240 x 32; Xvfb offers 1024 x 768
  [[ $args == *Res=* ]] && saver_set Res "${args#*Res=}"
  # shellcheck disable=SC2086
  saver_start ${args% Res=*}
  started=$SECONDS
  until e2e_saver_gone; do
    e2e_screen_untouched || e2e_fail "'$args' changed the screen (see $SHOT)"
    ((SECONDS - started < 30)) || e2e_fail "'$args' still runs after 30 s"
  done
  wait_exit "$SAVER_PID" 5 || true
  [[ $E2E_STATUS -eq 0 ]] || e2e_fail "'$args' ended with status $E2E_STATUS, not 0"
  e2e_screen_untouched || e2e_fail "the screen changed after '$args' (see $SHOT)"
  [[ $(wc -l <"$PROBE_LOG") -eq 1 ]] || e2e_fail "'$args' changed the display mode: $(paste -sd' ' "$PROBE_LOG")"
done
saver_set Res 0

saver_start /s
first=$SAVER_PID
wait_drawing 60 || e2e_fail "nothing is drawn (see $SHOT)"
saver_start /s
saver_ends_within 30 || e2e_fail "the second instance still runs"
[[ $E2E_STATUS -eq 0 ]] || e2e_fail "the second instance ended with status $E2E_STATUS, not 0"
SAVER_PID=$first
screen_keeps_changing 10 || e2e_fail "the first instance stopped drawing"
saver_still_running_after 1
press_and_time x 88
expect_screen_back
stop_probe
e2e_log "saver switches test passed"
