#!/usr/bin/env bash
# End-to-end tests of the Wayland saver under a headless sway.
#   velmora_test.sh CASE BUILD_DIR VELMORA VELMORA_RENDER VIRTUAL_POINTER
# CASE: pixels | input | idle | wallpaper | faults
set -uo pipefail
case_name=$1 build=$2 velmora=$3 render=$4 pointer=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../lib.sh"
source "$here/sway.sh"
source "$here/saver_checks.sh"
e2e_init "$build" "wayland-$case_name"
run=$E2E_RUN_DIR
T=1700000000
COMPOSITOR_STOP=stop_sway
trap compositor_cleanup EXIT

# start_velmora ARGS...: in the session, in the background; sets VP.
start_velmora() {
  "${SWAY_CLIENT[@]}" "$SWAY_DIR/bin/velmora" "$@" >"$run/velmora.log" 2>&1 &
  VP=$!
  E2E_PIDS+=("$VP")
}

# grab WHERE FILE: the picture of an output (a name) or of a box ("X,Y WxH"), as RGB.
grab() {
  local where=(-o "$1")
  [[ $1 == *,* ]] && where=(-g "$1")
  as_client grim "${where[@]}" -t ppm - 2>/dev/null | convert ppm:- rgb:"$2" 2>/dev/null
}
shows() { grab "$1" "$run/shot.rgb" && cmp -s "$run/shot.rgb" "$2"; }  # shows WHERE EXPECTED
# lit_inside WHERE W H ZOOM: something is lit, and only inside the figure area
# of a W x H surface (the rest black).
lit_inside() {
  local width=$(($2 * $4 / 100)) height=$(($3 * $4 / 100))
  grab "$1" "$run/shot.rgb" && convert -size "$2x$3" -depth 8 rgb:"$run/shot.rgb" "$run/shot.png" &&
    (($(lit_outside "$run/shot.png" $width $height $((($2 - width) / 2)) $((($3 - height) / 2))) == 0)) &&
    (($(convert "$run/shot.png" -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:) > 0))
}
differs() { grab "$1" "$run/now.rgb" && ! cmp -s "$run/now.rgb" "$2"; }
changing() { grab "$1" "$run/before.rgb" && poll_until 5 differs "$1" "$run/before.rgb"; }  # changing WHERE
# window_box PID: "X,Y WxH" of the process's window, from sway's tree.
window_box() {
  as_client swaymsg -t get_tree 2>/dev/null | python3 -c '
import json, sys
def walk(node):
    if node.get("pid") == int(sys.argv[1]):
        r = node["rect"]; print("%d,%d %dx%d" % (r["x"], r["y"], r["width"], r["height"])); sys.exit(0)
    for child in node.get("nodes", []) + node.get("floating_nodes", []): walk(child)
walk(json.load(sys.stdin)); sys.exit(1)' "$1"
}
window_box_is() { [[ $(window_box "$1") == "$2" ]]; }

# The virtual pointer, as a coprocess: pointer COMMAND sends a line and waits for "done".
start_pointer() {
  coproc POINTER { exec "${SWAY_CLIENT[@]}" "$SWAY_DIR/bin/${pointer##*/}" 2>>"$run/pointer.log"; }
  E2E_PIDS+=("$POINTER_PID")
}
move_once() {  # move_once DX DY: on a virtual pointer of its own
  echo "by $1 $2" | "${SWAY_CLIENT[@]}" "$SWAY_DIR/bin/${pointer##*/}" >/dev/null 2>>"$run/pointer.log" ||
    fail "the virtual pointer did not move by $1 $2"
}
# A move by a pointer that appears while velmora is stopped: velmora learns of
# it only as where the new pointer enters. The pointer stays attached.
move_unseen() {
  kill -STOP "$VP"
  start_pointer && pointer_do by "$1" "$2"
  started=$(e2e_now_ms)  # the caller's: velmora sees the pointer from now on
  kill -CONT "$VP"
}
pointer_do() {
  local reply=""
  echo "$*" >&"${POINTER[1]}" && read -r -t 10 reply <&"${POINTER[0]}" && [[ $reply == done ]] ||
    fail "the virtual pointer did not do '$*'"
}

# A keyboard that stays attached, as on a real machine: velmora has its keyboard
# before a key comes (a keyboard that appears with the key can be too late to
# see a quick one).
attach_keyboard() {
  "${SWAY_CLIENT[@]}" wtype -s 600000 "" &
  E2E_PIDS+=($!)
}

# A key pressed on a keyboard that has just appeared, before velmora has seen
# the keyboard: velmora is stopped until sway has taken the key (it ends the
# idleness swayidle watches), and finds the key held when its keyboard enters.
key_before_keyboard() {
  local marks=$SWAY_DIR/home/idle.marks
  kill -STOP "$VP"
  "${SWAY_CLIENT[@]}" swayidle -w timeout 1 "echo idle >>$marks" resume "echo key >>$marks" >/dev/null 2>&1 &
  E2E_PIDS+=($!)
  poll_until 10 grep -q idle "$marks" 2>/dev/null || fail "swayidle did not see the session idle"
  "${SWAY_CLIENT[@]}" wtype -P a -s 2000 -p a &  # held for 2 s
  E2E_PIDS+=($!)
  poll_until 10 grep -q key "$marks" || fail "sway did not take the key"
  started=$(e2e_now_ms)  # the caller's: velmora sees the key from now on
  kill -CONT "$VP"
}

case_pixels() {
  # name | output mode | scale | velmora options (--frame-rate is render's --fps) | frames
  local rows=(
    "full screen|640x480|1|--fullscreen|40"
    "full screen, colour, figure switch at 30 fps|640x480|1|--fullscreen --color 1 --lifetime 50 --frame-rate 30|80"
    "full screen at scale 2|800x600|2|--fullscreen --zoom 60 --quality 60|30"
    "own window|640x480|1|--geometry 400x300 --intensity 9|40"
  )
  start_sway 640x480 "$velmora"
  local row name mode scale options frames width height where
  for row in "${rows[@]}"; do
    IFS='|' read -r name mode scale options frames <<<"$row"
    swaymsg_quiet output HEADLESS-1 mode "$mode" scale "$scale" || fail "$name: cannot set the output"
    width=${mode%x*} height=${mode#*x} where=HEADLESS-1
    if [[ $options == *--geometry* ]]; then
      width=400 height=300
    fi
    local render_options=${options/--frame-rate/--fps}
    render_options=${render_options/--fullscreen/} render_options=${render_options/--geometry 400x300/}
    # shellcheck disable=SC2086
    expect_frame "$width" "$height" "$frames" $render_options || fail "$name: velmora-render failed"
    # shellcheck disable=SC2086
    start_velmora --clock $T --frames "$frames" $options
    if [[ $options == *--geometry* ]]; then
      poll_until 20 eval 'where=$(window_box $VP) && [[ $where == *" 400x300" ]]' ||
        fail "$name: no 400x300 window (${where:-none})"
    fi
    poll_until 30 shows "$where" "$run/expected-${width}x$height.rgb" ||
      fail "$name: the screen is not frame $((frames - 1)) (see $run/shot.rgb)"
    kill -TERM "$VP"
    ends_with "$VP" 0 5 "$name"
  done
}

case_input() {
  start_sway 640x480 "$velmora" "$pointer"
  # name | what ends it. The first key comes on a keyboard that appears with it,
  # the first movements each on a pointer that appears with it (as one-shot tools
  # make them); then a keyboard and a pointer stay attached.
  local rows=("a key on a new keyboard|key_before_keyboard" "a movement of 3 pixels on a new pointer|move_unseen 3 0"
    "a key|wtype a" "a click|pointer_do click" "a movement of 3 pixels|pointer_do by 3 0")
  local row name action started
  for row in "${rows[@]}"; do
    IFS='|' read -r name action <<<"$row"
    [[ $name == "a key" ]] && attach_keyboard
    start_velmora --fullscreen
    poll_until 20 lit_inside HEADLESS-1 640 480 80 || fail "$name: nothing drawn in full screen"
    if [[ $name == *movement* ]]; then  # a pixel, and another, are not enough
      local move=(pointer_do by)
      [[ $action == move_unseen* ]] && move=(move_once)
      "${move[@]}" 1 0 && "${move[@]}" 0 -1
      still_runs 1 "$VP" "full screen after movements of 1 pixel ($name)"
    fi
    started=$(e2e_now_ms)
    if [[ $action == wtype* ]]; then as_client $action; else $action; fi
    ends_with "$VP" 0 5 "full screen, $name"
    (($(e2e_now_ms) - started < 1000)) || fail "full screen, $name: took $(($(e2e_now_ms) - started)) ms to end"
  done
  # Its own window: other keys do nothing, the window follows a resize; q, Escape and the compositor's close end it.
  local end
  for end in q Escape close; do
    start_velmora --geometry 320x240
    poll_until 20 window_box_is "$VP" "160,120 320x240" || fail "$end: no 320x240 window ($(window_box "$VP"))"
    poll_until 20 lit_inside "160,120 320x240" 320 240 80 || fail "$end: nothing drawn in the window"
    if [[ $end == q ]]; then
      as_client wtype a
      still_runs 0.5 "$VP" "own window after the key a"
      swaymsg_quiet "[pid=$VP]" resize set 400 200
      poll_until 20 eval 'window_box_is $VP "120,140 400x200" && lit_inside "120,140 400x200" 400 200 80' ||
        fail "the figure area did not follow the window to 400x200 ($(window_box "$VP"))"
    fi
    case $end in
      q) as_client wtype q ;;
      Escape) as_client wtype -k Escape ;;
      close) swaymsg_quiet "[pid=$VP]" kill ;;
    esac
    ends_with "$VP" 0 5 "own window, $end"
  done
}

case_idle() {
  start_sway 480x360 "$velmora"
  local pids=$SWAY_DIR/home/saver.pids started
  attach_keyboard
  started=$(e2e_now_ms)
  "${SWAY_CLIENT[@]}" swayidle -w timeout 1 "echo \$\$ >>$pids; exec $SWAY_DIR/bin/velmora --fullscreen" >"$run/swayidle.log" 2>&1 &
  E2E_PIDS+=($!)
  local saver=""
  poll_until 20 eval 'saver=$(head -n 1 "$pids" 2>/dev/null) && [[ -n $saver ]]' || fail "swayidle did not start velmora"
  (($(e2e_now_ms) - started >= 900)) || fail "swayidle started velmora before a second of idleness"
  [[ -z $saver ]] || poll_until 20 lit_inside HEADLESS-1 480 360 80 || fail "velmora from swayidle drew nothing"
  as_client wtype x
  [[ -z $saver ]] || poll_until 1 e2e_pid_gone "$saver" || fail "velmora from swayidle still runs a second after a key"
  e2e_end_pid "${E2E_PIDS[-1]}"  # swayidle, before it starts another after the next idle second
  E2E_PIDS=("${E2E_PIDS[@]:0:${#E2E_PIDS[@]}-1}")
  local pid
  while read -r pid; do e2e_end_pid "$pid"; done <"$pids"
  # --idle watches on its own (org_kde_kwin_idle on sway 1.7): full screen after
  # two seconds without input, gone at a key, back after two more; waiting costs nothing.
  grab HEADLESS-1 "$run/desktop.rgb" && grab "0,0 480x100" "$run/desktop-top.rgb" || fail "no picture of the desktop"
  as_client wtype x
  started=$(e2e_now_ms)
  start_velmora --idle 2
  local round ticks
  for round in 1 2; do
    poll_until 20 lit_inside HEADLESS-1 480 360 80 || fail "--idle, round $round: nothing shown"
    (($(e2e_now_ms) - started >= 1900)) || fail "--idle, round $round: shown before two seconds without input"
    as_client wtype x
    started=$(e2e_now_ms)
    poll_until 5 shows HEADLESS-1 "$run/desktop.rgb" || fail "--idle, round $round: still shown after a key"
  done
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle"
  start_velmora --idle 60
  ticks=$(cpu_ticks "$VP") && sleep 3  # its start-up included
  (($(cpu_ticks "$VP") - ticks <= 1)) || fail "--idle waiting: $(($(cpu_ticks "$VP") - ticks)) ticks of CPU in 3 s"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle while waiting"
  # An idle inhibitor (sway's, for a window of velmora's away from the top rows)
  # holds --idle back; once it has gone, the saver shows after the idle time.
  start_velmora --geometry 100x50 --frames 1
  local window=$VP
  poll_until 20 window_box_is "$window" "190,155 100x50" && swaymsg_quiet "[pid=$window] inhibit_idle open" ||
    fail "no inhibiting window"
  start_velmora --idle 1
  ! poll_until 3 eval '! shows "0,0 480x100" "$run/desktop-top.rgb"' || fail "--idle shown while inhibited"
  e2e_end_pid "$window"
  poll_until 10 lit_inside HEADLESS-1 480 360 80 || fail "--idle not shown once the inhibitor went"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle after an inhibitor"
}

case_wallpaper() {
  start_sway 480x360 "$velmora"
  swaymsg_quiet create_output && swaymsg_quiet output HEADLESS-2 mode 640x400 scale 2 || fail "no second output"
  local frames=30
  expect_frame 480 360 $frames && expect_frame 640 400 $frames && expect_frame 320 240 $frames ||
    fail "velmora-render failed"
  # Each output has a run of its own, as wallpaper and full screen; an output
  # that comes gets one, one that goes takes its run along.
  local mode
  for mode in --wallpaper --fullscreen; do
    [[ $mode == --wallpaper ]] || { swaymsg_quiet output HEADLESS-2 enable && swaymsg_quiet output HEADLESS-3 disable; } ||
      fail "$mode: cannot set the outputs"
    start_velmora $mode --clock $T --frames $frames
    poll_until 30 shows HEADLESS-1 "$run/expected-480x360.rgb" || fail "$mode: HEADLESS-1 does not show its frame"
    poll_until 30 shows HEADLESS-2 "$run/expected-640x400.rgb" || fail "$mode: HEADLESS-2 (scale 2) does not show its frame"
    if [[ $mode == --wallpaper ]]; then swaymsg_quiet create_output; else swaymsg_quiet output HEADLESS-3 enable; fi &&
      swaymsg_quiet output HEADLESS-3 mode 320x240 || fail "$mode: no third output"
    poll_until 30 shows HEADLESS-3 "$run/expected-320x240.rgb" || fail "$mode: the new HEADLESS-3 does not show its frame"
    swaymsg_quiet output HEADLESS-2 disable || fail "$mode: cannot disable HEADLESS-2"
    still_runs 1 "$VP" "$mode after an output went"
    shows HEADLESS-1 "$run/expected-480x360.rgb" || fail "$mode: HEADLESS-1 changed when HEADLESS-2 went"
    kill -TERM "$VP"
    ends_with "$VP" 0 5 "$mode"
  done
  # Without a frame limit the others keep drawing; --output draws on that one only.
  start_velmora --wallpaper --output HEADLESS-3
  poll_until 20 lit_inside HEADLESS-3 320 240 80 || fail "--output HEADLESS-3: nothing drawn there"
  start_velmora --wallpaper
  poll_until 20 lit_inside HEADLESS-1 480 360 80 || fail "wallpaper: nothing drawn on HEADLESS-1"
  swaymsg_quiet output HEADLESS-3 disable || fail "cannot disable HEADLESS-3"
  changing HEADLESS-1 || fail "HEADLESS-1 stopped drawing when HEADLESS-3 went"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "wallpaper after an output went"
  local first=${E2E_PIDS[-2]}
  kill -TERM "$first"
  ends_with "$first" 0 5 "wallpaper whose only output went"
}

case_faults() {
  start_sway 480x360 "$velmora"
  # signal | options; the last draws slower than its frame rate, so it never waits
  local rows=("TERM|--fullscreen" "INT|--wallpaper" "HUP|--geometry 200x100"
    "TERM|--fullscreen --quality 3000 --frame-rate 1000")
  local row signal options
  for row in "${rows[@]}"; do
    IFS='|' read -r signal options <<<"$row"
    # shellcheck disable=SC2086
    start_velmora $options
    poll_until 20 changing HEADLESS-1 || fail "SIG$signal $options: nothing drawn"
    kill -"$signal" "$VP"
    ends_with "$VP" 0 0.1 "SIG$signal $options"
  done
  # name | environment | arguments | status | message (one line for status 1)
  local session=WAYLAND_DISPLAY=$SWAY_SOCKET
  local rows=(
    "two modes|$session|--fullscreen --wallpaper|2|two modes; give one"
    "X11 and Wayland options|$session|--root --fullscreen|2|--root is for X11 and --fullscreen for Wayland"
    "both systems|$session|--x11 --wayland|2|give one"
    "X11 option under --wayland|$session|--wayland --window-id 5|2|--window-id is for X11, not with --wayland"
    "output without a mode|$session|--output HEADLESS-1|2|--output goes with --fullscreen or --wallpaper"
    "bad number|$session|--fullscreen --zoom abc|2|--zoom: 'abc' is not a whole number"
    "idle as wallpaper|$session|--idle 5 --wallpaper|2|--idle shows the saver full screen, not as --wallpaper"
    "no such output|$session|--fullscreen --output DP-9|1|no output named DP-9 (the compositor has: HEADLESS-1)"
    "no compositor there|WAYLAND_DISPLAY=wayland-9|--fullscreen|1|cannot connect to the Wayland compositor wayland-9"
    "no Wayland session|E2E_UNUSED=1|--wayland|1|no Wayland compositor: WAYLAND_DISPLAY is not set"
    "no display at all|E2E_UNUSED=1||1|no display: neither WAYLAND_DISPLAY (Wayland) nor DISPLAY (X11) is set"
  )
  local name environment arguments status message got
  for row in "${rows[@]}"; do
    IFS='|' read -r name environment arguments status message <<<"$row"
    # shellcheck disable=SC2086
    as_client env -u WAYLAND_DISPLAY "$environment" "$SWAY_DIR/bin/velmora" $arguments >"$run/out.txt" 2>&1
    got=$?
    [[ $got == "$status" ]] || fail "$name: status $got, not $status"
    grep -qF -- "$message" "$run/out.txt" || fail "$name: message '$(head -n 1 "$run/out.txt")'"
    [[ $status != 1 || $(wc -l <"$run/out.txt") == 1 ]] || fail "$name: more than one line: $(cat "$run/out.txt")"
  done
  # Hidden (on another workspace), it gets no frame callbacks and costs nothing.
  start_velmora --fullscreen --quality 1000
  poll_until 20 changing HEADLESS-1 || fail "hidden: nothing drawn"
  swaymsg_quiet workspace 2 && sleep 0.5  # the last frame callback is out of the way
  local ticks
  ticks=$(cpu_ticks "$VP") && sleep 1
  (($(cpu_ticks "$VP") - ticks <= 1)) || fail "hidden: $(($(cpu_ticks "$VP") - ticks)) ticks of CPU in a second"
  swaymsg_quiet workspace 1
  poll_until 20 changing HEADLESS-1 || fail "shown again: nothing drawn"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "hidden and shown again"
  # The compositor killed under it.
  start_velmora --fullscreen
  poll_until 20 lit_inside HEADLESS-1 480 360 80 || fail "compositor killed: nothing drawn"
  kill -KILL "$SWAY_PID"
  { wait "$SWAY_PID"; } 2>/dev/null  # no "Killed" notice in the log
  ends_with "$VP" 1 5 "compositor killed"
  [[ $(cat "$run/velmora.log") == "velmora: lost the connection to the Wayland compositor" ]] ||
    fail "compositor killed: not one line: $(cat "$run/velmora.log")"
}

"case_$case_name"
((failures == 0)) || e2e_fail "$failures checks failed"
e2e_log "all checks passed"
