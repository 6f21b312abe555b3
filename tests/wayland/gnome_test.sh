#!/usr/bin/env bash
# End-to-end tests of the Wayland saver under a headless gnome-shell.
#   gnome_test.sh CASE BUILD_DIR VELMORA VELMORA_RENDER BUS_TOOL
# CASE: pixels | idle
set -uo pipefail
case_name=$1 build=$2 velmora=$3 render=$4 bus=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../lib.sh"
source "$here/gnome.sh"
source "$here/saver_checks.sh"
e2e_init "$build" "gnome-$case_name"
run=$E2E_RUN_DIR
T=1700000000
COMPOSITOR_STOP=stop_gnome
trap compositor_cleanup EXIT

start_velmora() {
  "${GNOME_CLIENT[@]}" "$velmora" "$@" >"$run/velmora.log" 2>&1 &
  VP=$!
  E2E_PIDS+=("$VP")
}
shows() { gnome_grab "$run/shot.rgb" && cmp -s "$run/shot.rgb" "$1"; }  # shows EXPECTED
# The desktop of a 640-pixel wide screen below its top bar (which shows the
# time and, once keys have come, the remote-desktop indicator).
shows_desktop() { gnome_grab "$run/shot.rgb" && cmp -s -i $((640 * 3 * 40)) "$run/shot.rgb" "$run/desktop.rgb"; }

case_pixels() {
  start_gnome 640x480 "$bus"
  gnome_grab "$run/desktop.rgb" || fail "no picture of the desktop"
  expect_frame 640 480 40 || fail "velmora-render failed"
  start_velmora --fullscreen --clock $T --frames 40
  poll_until 30 shows "$run/expected-640x480.rgb" || fail "full screen is not frame 39 (see $run/shot.rgb)"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "full screen"
  # GNOME draws no decorations: libdecor's title bar and borders make the
  # window's changed area larger than its 320x240 content.
  local area=""
  start_velmora --geometry 320x240
  poll_until 20 eval 'area=$(window_area) && ((${area% *} >= 320 + 2 && ${area#* } >= 240 + 20))' ||
    fail "the window has no decorations: it changes ${area:-nothing} (see $run/shot.rgb)"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "window"
}
# "W H" of what differs from the desktop below the top bar.
window_area() {
  gnome_grab "$run/shot.rgb" && convert \( -size 640x480 -depth 8 rgb:"$run/desktop.rgb" \) \
    \( -size 640x480 -depth 8 rgb:"$run/shot.rgb" \) -crop 640x440+0+40 +repage -compose difference -composite \
    -threshold 0 -trim -format '%w %h' info: 2>/dev/null
}

# GNOME offers no idle protocol: --idle watches mutter's IdleMonitor on the
# session bus; keys come through a RemoteDesktop session.
case_idle() {
  start_gnome 640x480 "$bus"
  expect_frame 640 480 20 || fail "velmora-render failed"
  gnome_grab "$run/desktop.rgb" || fail "no picture of the desktop"
  gnome_do key 30 || fail "no key"
  local started round
  started=$(e2e_now_ms)
  start_velmora --idle 2 --clock $T --frames 20
  for round in 1 2; do
    poll_until 20 shows "$run/expected-640x480.rgb" || fail "--idle, round $round: not shown (see $run/shot.rgb)"
    (($(e2e_now_ms) - started >= 1900)) || fail "--idle, round $round: shown before two seconds without input"
    gnome_do key 30 || fail "--idle, round $round: no key"
    started=$(e2e_now_ms)
    poll_until 5 shows_desktop || fail "--idle, round $round: still shown after a key"
  done
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle"
}

"case_$case_name"
((failures == 0)) || e2e_fail "$failures checks failed"
e2e_log "all checks passed"
