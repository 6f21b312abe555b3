#!/usr/bin/env bash
# End-to-end tests of the Wayland saver under a headless gnome-shell or kwin.
#   desktop_test.sh CASE BUILD_DIR VELMORA VELMORA_RENDER BUS_TOOL KEY_TOOL INHIBITOR
# CASE: gnome-pixels | gnome-idle | kde-pixels | kde-idle
set -uo pipefail
case_name=$1 build=$2 velmora=$3 render=$4 bus=$5 keys=$6 inhibitor=$7
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../lib.sh"
source "$here/desktop.sh"
source "$here/saver_checks.sh"
e2e_init "$build" "$case_name"
run=$E2E_RUN_DIR
T=1700000000
COMPOSITOR_STOP=stop_desktop
trap compositor_cleanup EXIT

start_velmora() {
  "${DESKTOP_CLIENT[@]}" "$velmora" "$@" >"$run/velmora.log" 2>&1 &
  VP=$!
  E2E_PIDS+=("$VP")
}
SIZE=640x480  # of the screen in real pixels
grab() { desktop_grab "${SIZE%x*}" "${SIZE#*x}" "$1"; }
shows() { grab "$run/shot.rgb" && cmp -s "$run/shot.rgb" "$1"; }  # shows EXPECTED
# The desktop below GNOME's top bar (its clock and remote-desktop indicator change).
shows_desktop() { grab "$run/shot.rgb" && cmp -s -i $((640 * 3 * 40)) "$run/shot.rgb" "$run/desktop.rgb"; }
# "W H" of what differs from the desktop below the top bar.
window_area() {
  grab "$run/shot.rgb" && convert \( -size 640x480 -depth 8 rgb:"$run/desktop.rgb" \) \
    \( -size 640x480 -depth 8 rgb:"$run/shot.rgb" \) -crop 640x440+0+40 +repage -compose difference -composite \
    -threshold 0 -trim -format '%w %h' info: 2>/dev/null
}

# Full screen (and on kwin the wallpaper) equal velmora-render's frame; GNOME
# draws no decorations, so libdecor's title bar and borders make the window's
# changed area larger than its 320x240 content.
case_pixels() {
  start_desktop "$1" 640x480 "$bus" "$keys"
  grab "$run/desktop.rgb" || fail "no picture of the desktop"
  expect_frame 640 480 40 || fail "velmora-render failed"
  local mode modes=(--fullscreen)
  [[ $1 == kde ]] && modes+=(--wallpaper)
  for mode in "${modes[@]}"; do
    start_velmora "$mode" --clock $T --frames 40
    poll_until 30 shows "$run/expected-640x480.rgb" || fail "$mode is not frame 39 (see $run/shot.rgb)"
    kill -TERM "$VP"
    ends_with "$VP" 0 5 "$mode"
  done
  if [[ $1 == kde ]]; then  # fractional and integer scales: frames in the output's real pixels
    local scale
    for scale in 1.5 2; do
      stop_desktop
      start_desktop kde 640x480 "$bus" "$keys" "$scale"
      SIZE=$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 640 * s, 480 * s }')
      expect_frame "${SIZE%x*}" "${SIZE#*x}" 40 || fail "velmora-render failed"
      for mode in "${modes[@]}"; do
        start_velmora "$mode" --clock $T --frames 40
        poll_until 30 shows "$run/expected-$SIZE.rgb" || fail "$mode at scale $scale is not frame 39 (see $run/shot.rgb)"
        kill -TERM "$VP"
        ends_with "$VP" 0 5 "$mode at scale $scale"
      done
    done
    return
  fi
  local area=""
  start_velmora --geometry 320x240
  poll_until 20 eval 'area=$(window_area) && ((${area% *} >= 320 + 2 && ${area#* } >= 240 + 20))' ||
    fail "the window has no decorations: it changes ${area:-nothing} (see $run/shot.rgb)"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "window"
}

# --idle: GNOME's IdleMonitor on the session bus, kwin's ext_idle_notifier_v1.
case_idle() {
  start_desktop "$1" 640x480 "$bus" "$keys"
  expect_frame 640 480 20 || fail "velmora-render failed"
  grab "$run/desktop.rgb" || fail "no picture of the desktop"
  desktop_key 30 || fail "no key"
  local started round
  started=$(e2e_now_ms)
  start_velmora --idle 2 --clock $T --frames 20
  for round in 1 2; do
    poll_until 20 shows "$run/expected-640x480.rgb" || fail "--idle, round $round: not shown (see $run/shot.rgb)"
    (($(e2e_now_ms) - started >= 1900)) || fail "--idle, round $round: shown before two seconds without input"
    desktop_key 30 || fail "--idle, round $round: no key"
    started=$(e2e_now_ms)
    poll_until 5 shows_desktop || fail "--idle, round $round: still shown after a key"
  done
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle"
  # An inhibitor holds --idle back; once it has gone, the saver shows. On GNOME
  # velmora asks the session manager (the bus tool stands in for it), on kwin the
  # compositor honours a client's idle inhibitor.
  local held=""
  if [[ $1 == gnome ]]; then
    desktop_do inhibit || fail "no stand-in session manager"
  else
    "${DESKTOP_CLIENT[@]}" "$inhibitor" >"$run/inhibitor.log" 2>&1 &
    held=$!
    E2E_PIDS+=("$held")
    poll_until 10 grep -q inhibiting "$run/inhibitor.log" || fail "the inhibitor did not start"
  fi
  start_velmora --idle 1 --clock $T --frames 20
  ! poll_until 3 shows "$run/expected-640x480.rgb" || fail "--idle shown while inhibited"
  if [[ -n $held ]]; then e2e_end_pid "$held"; else desktop_do uninhibit && desktop_key 30; fi
  poll_until 10 shows "$run/expected-640x480.rgb" || fail "--idle not shown once the inhibitor went"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle after an inhibitor"
}

"case_${case_name#*-}" "${case_name%-*}"
((failures == 0)) || e2e_fail "$failures checks failed"
e2e_log "all checks passed"
