# shellcheck shell=bash
# A headless gnome-shell or kwin for the desktop tests (source tests/lib.sh
# first), as root (both accept it), on a private runtime folder, session bus and
# system bus (gnome-shell reaches logind there; a session bus daemon serves).
# DESKTOP_CLIENT runs a program in the session; the test bus tool and, on kwin,
# the key tool run as coprocesses.
DESKTOP="" DESKTOP_PID="" DESKTOP_DIR="" DESKTOP_CLIENT=() DESKTOP_HELPERS=()

# start_desktop gnome|kde WxH BUS_TOOL KEY_TOOL [SCALE]: kwin's output of WxH
# logical pixels takes SCALE (1.5: 1.5 times as many real pixels each way).
start_desktop() {
  DESKTOP=$1
  local width=${2%x*} height=${2#*x} kind
  DESKTOP_DIR=$(mktemp -d /tmp/velmora-desktop.XXXXXX)
  mkdir -p "$DESKTOP_DIR/runtime" "$DESKTOP_DIR/home/.config/glib-2.0/settings" && chmod 700 "$DESKTOP_DIR/runtime"
  # No banners (as root gnome-shell announces a privileged user over full-screen windows), no animations.
  printf '%s\n' '[org/gnome/desktop/notifications]' 'show-banners=false' '[org/gnome/desktop/interface]' \
    'enable-animations=false' >"$DESKTOP_DIR/home/.config/glib-2.0/settings/keyfile"
  for kind in session system; do
    dbus-daemon --session --nofork --address="unix:path=$DESKTOP_DIR/$kind-bus" >/dev/null 2>&1 &
    DESKTOP_HELPERS+=($!)
  done
  poll_until 10 test -S "$DESKTOP_DIR/system-bus" -a -S "$DESKTOP_DIR/session-bus" || e2e_fail "no private buses"
  DESKTOP_CLIENT=(env -i PATH=/usr/bin:/bin HOME="$DESKTOP_DIR/home" XDG_RUNTIME_DIR="$DESKTOP_DIR/runtime"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$DESKTOP_DIR/session-bus" GSETTINGS_BACKEND=keyfile
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$DESKTOP_DIR/system-bus" WAYLAND_DISPLAY=velmora-desktop)
  if [[ $DESKTOP == gnome ]]; then
    "${DESKTOP_CLIENT[@]}" MUTTER_DEBUG_RESET_IDLETIME=1 gnome-shell --wayland --headless --no-x11 \
      --virtual-monitor "$2" --wayland-display velmora-desktop </dev/null >"$DESKTOP_DIR/desktop.log" 2>&1 &
  else  # a plain copy: a container may refuse the file capability of /usr/bin/kwin_wayland; it needs its name
    cp /usr/bin/kwin_wayland "$DESKTOP_DIR/kwin_wayland"
    "${DESKTOP_CLIENT[@]}" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
      "$DESKTOP_DIR/kwin_wayland" --virtual --width "$width" --height "$height" --scale "${5:-1}" --socket velmora-desktop \
      --no-lockscreen </dev/null >"$DESKTOP_DIR/desktop.log" 2>&1 &
  fi
  DESKTOP_PID=$!
  coproc DESKTOP_BUS { exec "${DESKTOP_CLIENT[@]}" "$3" 2>>"$DESKTOP_DIR/bus.log"; }
  DESKTOP_HELPERS+=("$DESKTOP_BUS_PID")
  if [[ $DESKTOP == gnome ]]; then
    poll_until 60 grep -q "GNOME Shell started" "$DESKTOP_DIR/desktop.log" ||
      e2e_fail "gnome-shell did not start: $(tail -n 3 "$DESKTOP_DIR/desktop.log")"
    # As root it opens in the Overview, and may open it again after the first close.
    poll_until 30 desktop_overview_stays_closed || e2e_fail "the Overview stays open"
  else
    poll_until 60 desktop_do kwin-shot "$DESKTOP_DIR/shot" 2>/dev/null ||  # once it can take screenshots
      e2e_fail "kwin did not start: $(tail -n 3 "$DESKTOP_DIR/desktop.log")"
    coproc DESKTOP_KEYS { exec "${DESKTOP_CLIENT[@]}" "$4" 2>>"$DESKTOP_DIR/keys.log"; }
    DESKTOP_HELPERS+=("$DESKTOP_KEYS_PID")
  fi
}
desktop_overview_stays_closed() { desktop_do overview && sleep 0.5 && desktop_do overview; }

# desktop_do COMMAND: one line to the bus tool; true when it answers "done".
desktop_do() {
  local reply=""
  echo "$*" >&"${DESKTOP_BUS[1]}" && read -r -t 20 reply <&"${DESKTOP_BUS[0]}" && [[ $reply == done ]] ||
    { e2e_log "desktop bus: $*: $reply"; return 1; }
}

# desktop_key CODE: an evdev key, through RemoteDesktop on GNOME, fake input on kwin.
desktop_key() {
  [[ $DESKTOP == gnome ]] && { desktop_do key "$1"; return; }
  local reply=""
  echo "key $1" >&"${DESKTOP_KEYS[1]}" && read -r -t 10 reply <&"${DESKTOP_KEYS[0]}" && [[ $reply == done ]]
}

# desktop_grab W H FILE: the screen of W x H real pixels, as RGB.
desktop_grab() {
  local shot=$DESKTOP_DIR/shot
  rm -f "$shot"
  if [[ $DESKTOP == gnome ]]; then
    desktop_do shot "$shot.png" && convert "$shot.png" -alpha off rgb:"$3" 2>/dev/null
  else
    desktop_do kwin-shot "$shot" && convert -size "$1x$2" -depth 8 bgra:"$shot" -alpha off rgb:"$3" 2>/dev/null
  fi
}

stop_desktop() {
  local pid
  [[ -n $DESKTOP_PID ]] && e2e_end_pid "$DESKTOP_PID"
  for pid in "${DESKTOP_HELPERS[@]}"; do e2e_end_pid "$pid"; done
  [[ -n $DESKTOP_DIR ]] && rm -rf "$DESKTOP_DIR"
  DESKTOP_PID="" DESKTOP_DIR="" DESKTOP_HELPERS=()
}
