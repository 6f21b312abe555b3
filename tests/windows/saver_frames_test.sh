#!/usr/bin/env bash
# The saver's screen equals velmora-render's frame, word for word. "/s /clock:T
# /frames:N" fixes the clock as --clock T does and keeps frame N-1 on screen; the
# X screen's depth is the desktop's mode (Res 0): 24 bits give 32-bit frames, 16
# bits 5-6-5 frames, read back from the screen as they are. Colour is on, so a
# red-blue swap shows; the key then ends the run with its code.
#   saver_frames_test.sh BUILD_DIR SAVER VELMORA_RENDER
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../lib.sh"
render=$3
[[ -x $render ]] || { echo "no native velmora-render at '$render' (configure with -DVELMORA_NATIVE_BUILD)" >&2; exit 1; }
e2e_init "$1" saver-frames
SAVER_EXE=$2

# depth | registry settings | velmora-render's options | clock | frames | key and status
rows=(
  "24|Zoom=60 onColor=1|--zoom 60 --color 1|1700000000|90|a 65"
  "16|Zoom=80 onColor=1 on3D=0 Brightness=200 Quality=60|--color 1 --lighting 0 --brightness 200 --quality 60|1234567890|45|Escape 27"
)
for row in "${rows[@]}"; do
  IFS='|' read -r depth stored options clock frames key <<<"$row"
  bits=$((depth == 16 ? 16 : 32))
  start_xvfb "1024x768x$depth" && fresh_prefix && xdotool mousemove 500 400
  for setting in $stored; do saver_set "${setting%=*}" "${setting#*=}"; done
  zoom=$(sed -n 's/.*Zoom=\([0-9]*\).*/\1/p' <<<"$stored")
  # shellcheck disable=SC2086
  "$render" --quiet --mode "1024x768x$bits" $options --clock "$clock" --frames "$frames" \
    --first-frame $((frames - 1)) --raw "$E2E_RUN_DIR/raw$depth" || e2e_fail "velmora-render failed"
  raw=$(printf '%s/raw%s/frame-%06d.raw' "$E2E_RUN_DIR" "$depth" $((frames - 1)))

  saver_start /s "/clock:$clock" "/frames:$frames"
  screen_is_frame() {
    xwd -silent -root >"$E2E_RUN_DIR/screen.xwd" 2>/dev/null &&
      python3 "$here/../x11/screen_check.py" "$E2E_RUN_DIR/screen.xwd" equals-colour "$raw" "$zoom" >"$E2E_RUN_DIR/check.txt"
  }
  poll_until 60 screen_is_frame || e2e_fail "depth $depth: the screen is not frame $((frames - 1)): $(cat "$E2E_RUN_DIR/check.txt")"
  e2e_log "depth $depth: $(cat "$E2E_RUN_DIR/check.txt")"
  read -r name status <<<"$key"
  press_and_time "$name" "$status"
  WINEPREFIX=$E2E_PREFIX wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
done
e2e_log "saver frames test passed"
