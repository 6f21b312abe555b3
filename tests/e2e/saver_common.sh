# shellcheck shell=bash
# Helpers of the saver's end-to-end tests, on top of lib.sh.
#   saver_setup BUILD_DIR NAME SAVER PROBE   # screen, prefix, probe running
#   saver_set NAME VALUE                     # a stored setting (REG_SZ)
#   saver_start ARGS...                      # SAVER_PID
#   wait_drawing 30                          # the figure is on the screen
#   press_and_time KEY / move_and_time X Y   # E2E_STATUS and EXIT_MS
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SAVER_KEY='HKCU\Software\Quorvane Software\Velmora Screen Saver'
SAVER_EXE=""
PROBE_EXE=""
PROBE_PID=""
PROBE_LOG=""
PROBE_STOP=""
SAVER_PID=""
EXIT_MS=""
SHOT=""
SHOT_COUNT=0

# The colour of the probe's square at the top left of the screen.
PROBE_COLOUR=200,40,120

saver_setup() {
  e2e_init "$1" "$2"
  SAVER_EXE=$3
  PROBE_EXE=$4
  [[ -f $SAVER_EXE ]] || e2e_fail "$SAVER_EXE is not built"
  [[ -f $PROBE_EXE ]] || e2e_fail "$PROBE_EXE is not built"
  start_xvfb
  fresh_prefix
  # The pointer rests in the middle, away from the probe's square.
  xdotool mousemove 500 400
}

saver_set() { wine_reg_add "$SAVER_KEY" "$1" REG_SZ "$2" || e2e_fail "cannot store $1"; }

# Lighting and colour off: every lit pixel has the brightness as its grey.
saver_plain_look() {
  saver_set on3D 0
  saver_set onColor 0
  saver_set Brightness 250
}

# wine_path FILE: the file as Wine programs name it (the Z: drive is /).
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

# start_probe [LAUNCHER ARGS...]: the probe, through the launcher when given
# (such as explorer /desktop=...); waits for its first mode line and its square.
start_probe() {
  PROBE_LOG=$E2E_RUN_DIR/modes.txt
  PROBE_STOP=$E2E_RUN_DIR/probe.stop
  rm -f "$PROBE_LOG" "$PROBE_STOP"
  start_wine "$@" "$PROBE_EXE" "$(wine_path "$PROBE_LOG")" "$(wine_path "$PROBE_STOP")"
  PROBE_PID=$E2E_WINE_PID
  poll_until 60 test -s "$PROBE_LOG" || e2e_fail "the probe did not start (see wine.log)"
  poll_until 30 e2e_pixel_is 10 10 "$PROBE_COLOUR" || e2e_fail "the probe's square is not on the screen"
}

stop_probe() {
  [[ -n $PROBE_PID ]] || return 0
  touch "$PROBE_STOP"
  wait_exit "$PROBE_PID" 30 || e2e_fail "the probe did not end"
  PROBE_PID=""
}

# The display modes the probe has seen, one a line.
probe_modes() { cat "$PROBE_LOG"; }

# The mode now, as the probe saw it last.
probe_mode_now() { tail -n 1 "$PROBE_LOG"; }

saver_start() {
  start_wine "$SAVER_EXE" "$@"
  SAVER_PID=$E2E_WINE_PID
}

# prefix_process_pid PATTERN: the Unix pid of a Wine process of this test's
# prefix whose command line matches PATTERN (programs that a launcher such as
# explorer /desktop=... starts are not children of the test).
prefix_process_pid() {
  local pid
  for pid in $(pgrep -f -- "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$E2E_PREFIX" && {
      echo "$pid"
      return 0
    }
  done
  return 1
}

# shot: a screenshot into the run folder; SHOT names it.
shot() {
  SHOT_COUNT=$((SHOT_COUNT + 1))
  SHOT=$E2E_RUN_DIR/shot$SHOT_COUNT.png
  screenshot "$SHOT"
}

# lit_pixels FILE [GEOMETRY]: how many pixels are not black (in WxH+X+Y).
lit_pixels() {
  local crop=()
  [[ -n ${2:-} ]] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:
}

# lit_box FILE: the smallest rectangle around the pixels that are not black, as
# WxH+X+Y.
lit_box() {
  convert "$1" -colorspace gray -threshold 0 -format '%@' info:
}

# lit_outside FILE W H X Y: pixels that are not black outside the rectangle.
lit_outside() {
  convert "$1" -fill black -draw "rectangle $4,$5 $(($4 + $2 - 1)),$(($5 + $3 - 1))" \
    -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:
}

# colours FILE [GEOMETRY]: "R,G,B" of every colour present, sorted.
colours() {
  image_colours "$@" | awk '{print $2}' | sort
}

# expect_frames COUNT COLOUR W H X Y: COUNT screenshots of the running saver, each
# lit only inside the area W x H at (X, Y) and only in the colour "R,G,B".
expect_frames() {
  local count=$1 colour=$2 i outside found
  shift 2
  for ((i = 0; i < count; ++i)); do
    wait_drawing 30 || e2e_fail "nothing is drawn (see $SHOT)"
    outside=$(lit_outside "$SHOT" "$@")
    ((outside == 0)) || e2e_fail "$outside pixels are lit outside the area $1x$2+$3+$4 (see $SHOT)"
    found=$(colours "$SHOT" | paste -sd' ')
    [[ $found == "0,0,0 $colour" ]] || e2e_fail "the colours are $found, not only 0,0,0 and $colour (see $SHOT)"
  done
}

# The saver covers the whole screen, the probe's square included, and draws.
e2e_screen_drawn() {
  shot
  (($(lit_outside "$SHOT" 64 64 0 0) > 500)) && (($(lit_pixels "$SHOT" 64x64+0+0) < 4096))
}

# wait_drawing SECONDS: until the figure is on the screen (the screenshot in SHOT).
wait_drawing() {
  poll_until "$1" e2e_screen_drawn
}

e2e_screen_changed_from() {
  shot
  ! cmp -s <(convert "$1" rgb:-) <(convert "$SHOT" rgb:-)
}

# screen_keeps_changing SECONDS: the animation runs on: a new picture within the time.
screen_keeps_changing() {
  local before
  shot
  before=$SHOT
  poll_until "$1" e2e_screen_changed_from "$before"
}

# e2e_saver_gone: true once the saver process has ended.
e2e_saver_gone() { e2e_pid_gone "$SAVER_PID"; }

# saver_ends_within SECONDS: waits for the saver's end; E2E_STATUS is its status
# and EXIT_MS how long it took, counted from the call.
saver_ends_within() {
  local started
  started=$(e2e_now_ms)
  wait_exit "$SAVER_PID" "$1" || return 1
  EXIT_MS=$(($(e2e_now_ms) - started))
}

# press_and_time KEY: presses the key and waits (10 s at most) for the saver's end.
press_and_time() {
  local started
  started=$(e2e_now_ms)
  xdotool key "$1"
  wait_exit "$SAVER_PID" 10 || e2e_fail "the saver still runs 10 s after the key $1"
  EXIT_MS=$(($(e2e_now_ms) - started))
}

# The saver keeps running for SECONDS: polled, it must not end.
saver_still_running_after() {
  if poll_until "$1" e2e_saver_gone; then
    wait_exit "$SAVER_PID" 1 || true
    e2e_fail "the saver ended (status $E2E_STATUS) although it should run on"
  fi
}

e2e_mode_is() { [[ $(probe_mode_now) == "$1" ]]; }

# The display is back in the mode it had when the probe started, and the probe's
# square is on the screen again.
expect_screen_back() {
  local first
  first=$(head -n 1 "$PROBE_LOG")
  poll_until 10 e2e_mode_is "$first" ||
    e2e_fail "the display mode is $(probe_mode_now), not $first again (modes seen: $(probe_modes | paste -sd' '))"
  poll_until 10 e2e_pixel_is 10 10 "$PROBE_COLOUR" || e2e_fail "the probe's square did not come back"
}
