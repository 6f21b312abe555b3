# shellcheck shell=bash
# A headless gnome-shell for the GNOME tests (source tests/lib.sh first), as
# root, on a private runtime folder, session bus and system bus (it reaches
# logind there; a session bus daemon serves). GNOME_CLIENT runs a program in the
# session; GNOME_BUS is the test bus tool, a coprocess (gnome_do sends it a line).
GNOME_PID="" GNOME_DIR="" GNOME_CLIENT=() GNOME_BUS_PIDS=()

# start_gnome WxH BUS_TOOL
start_gnome() {
  GNOME_DIR=$(mktemp -d /tmp/velmora-gnome.XXXXXX)
  mkdir -p "$GNOME_DIR/runtime" "$GNOME_DIR/home/.config/glib-2.0/settings" && chmod 700 "$GNOME_DIR/runtime"
  # No banners (as root it announces a privileged user over full-screen windows), no animations.
  printf '%s\n' '[org/gnome/desktop/notifications]' 'show-banners=false' '[org/gnome/desktop/interface]' \
    'enable-animations=false' >"$GNOME_DIR/home/.config/glib-2.0/settings/keyfile"
  local bus kind
  for kind in session system; do
    dbus-daemon --session --nofork --address="unix:path=$GNOME_DIR/$kind-bus" >/dev/null 2>&1 &
    GNOME_BUS_PIDS+=($!)
  done
  poll_until 10 test -S "$GNOME_DIR/system-bus" -a -S "$GNOME_DIR/session-bus" || e2e_fail "no private buses"
  GNOME_CLIENT=(env -i PATH=/usr/bin:/bin HOME="$GNOME_DIR/home" XDG_RUNTIME_DIR="$GNOME_DIR/runtime"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$GNOME_DIR/session-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$GNOME_DIR/system-bus"
    GSETTINGS_BACKEND=keyfile WAYLAND_DISPLAY=velmora-gnome)
  "${GNOME_CLIENT[@]}" MUTTER_DEBUG_RESET_IDLETIME=1 gnome-shell --wayland --headless --no-x11 \
    --virtual-monitor "$1" --wayland-display velmora-gnome </dev/null >"$GNOME_DIR/shell.log" 2>&1 &
  GNOME_PID=$!
  coproc GNOME_BUS { exec "${GNOME_CLIENT[@]}" "$2" 2>>"$GNOME_DIR/bus.log"; }
  GNOME_BUS_PIDS+=("$GNOME_BUS_PID")
  poll_until 60 grep -q "GNOME Shell started" "$GNOME_DIR/shell.log" ||
    e2e_fail "gnome-shell did not start: $(tail -n 3 "$GNOME_DIR/shell.log")"
  # As root it opens in the Overview, and may open it again after the first close.
  poll_until 30 gnome_overview_stays_closed || e2e_fail "the Overview stays open"
}
gnome_overview_stays_closed() { gnome_do overview && sleep 0.5 && gnome_do overview; }

# gnome_do COMMAND: one line to the bus tool; true when it answers "done".
GNOME_REPLY=""
gnome_do() {
  local line
  GNOME_REPLY=""
  echo "$*" >&"${GNOME_BUS[1]}" || return 1
  while read -r -t 20 line <&"${GNOME_BUS[0]}"; do
    [[ $line == done ]] && return 0
    [[ $line == failed* ]] && { e2e_log "gnome bus: $*: $line"; return 1; }
    GNOME_REPLY=$line
  done
  return 1
}

# gnome_grab FILE: the screen, as RGB.
gnome_grab() {
  rm -f "$GNOME_DIR/shot.png"
  gnome_do shot "$GNOME_DIR/shot.png" && convert "$GNOME_DIR/shot.png" -alpha off rgb:"$1" 2>/dev/null
}

stop_gnome() {
  local pid
  [[ -n $GNOME_PID ]] && e2e_end_pid "$GNOME_PID"
  for pid in "${GNOME_BUS_PIDS[@]}"; do e2e_end_pid "$pid"; done
  [[ -n $GNOME_DIR ]] && rm -rf "$GNOME_DIR"
  GNOME_PID="" GNOME_DIR="" GNOME_BUS_PIDS=()
}
