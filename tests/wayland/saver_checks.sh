# shellcheck shell=bash
# Checks the Wayland tests share under any compositor (source tests/lib.sh first);
# they use the caller's run (folder), render (velmora-render) and T (fixed clock).

# ends_with PID STATUS SECONDS NAME: PID ends within SECONDS with STATUS.
ends_with() {
  if ! wait_exit "$1" "$3"; then
    fail "$4: still running after $3 s"
  elif [[ $E2E_STATUS != "$2" ]]; then
    fail "$4: status $E2E_STATUS, not $2 ($(tail -n 1 "$run/velmora.log"))"
  fi
}
still_runs() { ! poll_until "$1" e2e_pid_gone "$2" || fail "$3: ended although it should run on"; }

# expect_frame W H FRAMES [OPTIONS...]: velmora-render's last frame for that
# screen, as RGB in $run/expected-WxH.rgb.
expect_frame() {
  local width=$1 height=$2 frames=$3
  shift 3
  rm -rf "$run/render"
  "$render" --quiet --mode "${width}x${height}x32" --clock $T --frames "$frames" --first-frame $((frames - 1)) \
    --png "$run/render" "$@" && convert "$(printf '%s/render/frame-%06d.png' "$run" $((frames - 1)))" \
    rgb:"$run/expected-${width}x$height.rgb"
}

# The clients first, then the compositor (COMPOSITOR_STOP names its stop
# function); then the run folder as usual. For trap ... EXIT.
compositor_cleanup() {
  local status=$? i
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do e2e_end_pid "${E2E_PIDS[i]}"; done
  E2E_PIDS=()
  "$COMPOSITOR_STOP"
  (exit "$status")
  e2e_cleanup
}
