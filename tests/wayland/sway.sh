# shellcheck shell=bash
# A headless sway for the Wayland tests and the benchmark (source tests/lib.sh
# first). sway refuses to run as root, so under root it and its clients run as
# the unprivileged user 65534 with a private runtime folder; the programs they
# run are copied where that user may execute them.
SWAY_PID="" SWAY_DIR="" SWAY_SOCKET="" SWAY_AS=() SWAY_CLIENT=()

# start_sway WxH PROGRAM...: a session with one output HEADLESS-1 of that size;
# each PROGRAM is copied to $SWAY_DIR/bin.
start_sway() {
  local mode=$1 program
  shift
  SWAY_DIR=$(mktemp -d /tmp/velmora-sway.XXXXXX) && chmod 755 "$SWAY_DIR"
  mkdir -p "$SWAY_DIR/bin" "$SWAY_DIR/runtime" "$SWAY_DIR/home" && chmod 700 "$SWAY_DIR/runtime"
  for program in "$@"; do cp "$program" "$SWAY_DIR/bin/" && chmod 755 "$SWAY_DIR/bin/${program##*/}"; done
  # No borders, no title bars; an own window floats at the size it asks for.
  printf '%s\n' 'xwayland disable' 'default_border none' 'default_floating_border none' \
    'for_window [app_id="^velmora$"] floating enable' >"$SWAY_DIR/config"
  if (($(id -u) == 0)); then
    chown 65534:65534 "$SWAY_DIR/runtime" "$SWAY_DIR/home"
    SWAY_AS=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  env -i PATH=/usr/bin:/bin HOME="$SWAY_DIR/home" XDG_RUNTIME_DIR="$SWAY_DIR/runtime" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 "${SWAY_AS[@]}" sway -c "$SWAY_DIR/config" \
    </dev/null >"$SWAY_DIR/sway.log" 2>&1 &
  SWAY_PID=$!
  poll_until 30 sway_sockets || e2e_fail "sway did not start: $(tail -n 3 "$SWAY_DIR/sway.log")"
  poll_until 30 swaymsg_quiet -t get_outputs || e2e_fail "sway does not answer"
  swaymsg_quiet output HEADLESS-1 mode "$mode" || e2e_fail "sway cannot set HEADLESS-1 to $mode"
}

# Sets SWAY_CLIENT: the command prefix that runs a program in the session, as the
# compositor's user (it ends in exec, so a program started in the background
# with it has $! as its own process id).
sway_sockets() {
  local socket ipc
  socket=$(compgen -G "$SWAY_DIR/runtime/wayland-[0-9]") && ipc=$(compgen -G "$SWAY_DIR/runtime/sway-ipc.*") || return 1
  SWAY_SOCKET=${socket##*/}
  SWAY_CLIENT=(env -i PATH=/usr/bin:/bin HOME="$SWAY_DIR/home" XDG_RUNTIME_DIR="$SWAY_DIR/runtime"
    WAYLAND_DISPLAY="$SWAY_SOCKET" SWAYSOCK="$ipc" "${SWAY_AS[@]}")
}

stop_sway() {
  [[ -n $SWAY_PID ]] && e2e_end_pid "$SWAY_PID"
  [[ -n $SWAY_DIR ]] && rm -rf "$SWAY_DIR"
  SWAY_PID="" SWAY_DIR=""
}

as_client() { "${SWAY_CLIENT[@]}" "$@"; }  # in the foreground
swaymsg_quiet() { as_client swaymsg "$@" >/dev/null 2>&1; }
