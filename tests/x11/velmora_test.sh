#!/usr/bin/env bash
# End-to-end tests of the X11 saver on private Xvfb screens.
#   velmora_test.sh CASE BUILD_DIR VELMORA VELMORA_RENDER
# CASE: pixels | windows | ending | locker | idle | package
set -uo pipefail
case_name=$1 build=$2 velmora=$3 render=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../lib.sh"
unset WAYLAND_DISPLAY  # velmora's own windows are X11 ones here, even run from a Wayland session
e2e_init "$build" "linux-$case_name"
run=$E2E_RUN_DIR
T=1700000000

# start_velmora ARGS...: in the background, output in the run folder; sets VP.
start_velmora() {
  "$velmora" "$@" >"$run/velmora.log" 2>&1 &
  VP=$!
  E2E_PIDS+=("$VP")
}

# dump_matches WINDOW ARGS...: the window's dump passes screen_check.py ARGS.
dump_matches() {
  local window=$1
  shift
  xwd -silent $window >"$run/dump.xwd" 2>/dev/null && python3 "$here/screen_check.py" "$run/dump.xwd" "$@" >"$run/check.txt"
}

# no_segment_of PID: no shared-memory segment made by PID is left.
no_segment_of() { ! ipcs -m -p | awk -v pid="$1" '$3 == pid { found = 1 } END { exit !found }'; }

# ends_with PID STATUS SECONDS NAME: PID ends within SECONDS with STATUS, leaving no segment.
ends_with() {
  if ! wait_exit "$1" "$3"; then
    fail "$4: still running after $3 s"
  elif [[ $E2E_STATUS != "$2" ]]; then
    fail "$4: status $E2E_STATUS, not $2 ($(tail -n 1 "$run/velmora.log"))"
  fi
  no_segment_of "$1" || fail "$4: left a shared-memory segment"
}

# ended_within PID MS: PID ends within MS milliseconds (it must not wait for the
# frames that wait in the server), polled every 5 ms.
ended_within() {
  local deadline=$(($(e2e_now_ms) + $2))
  until e2e_pid_gone "$1"; do
    (($(e2e_now_ms) < deadline)) || return 1
    sleep 0.005
  done
}

case_pixels() {
  # name | velmora options (also velmora-render's, with --frame-rate as --fps) | frames [| VELMORA_NO_SYNC]
  # Sparse frames go as points, dense ones (quality 150, a small area) as an image.
  # The colour rows' tints make red and blue differ, so a swap of the two shows.
  # VELMORA_NO_SYNC=1: velmora acts as though the server had no SYNC extension (each frame sent when due).
  local rows=(
    "defaults, as points||40"
    "defaults, as points, no server clock||40|1"
    "colour, zoom 50, shared image|--color 1 --zoom 50|75"
    "colour, quality 150, plain image|--color 1 --quality 150 --no-shm|30"
    "colour, figure and tint switch at 30 fps, as points|--color 1 --lifetime 100 --frame-rate 30 --quality 20|130"
    "colour, figure and tint switch at 30 fps, no server clock|--color 1 --lifetime 100 --frame-rate 30 --quality 20|130|1"
    "unlit, odd settings|--lighting 0 --brightness 90 --intensity 9 --no-repeat 0|20"
  )
  local depth bits row name options frames no_sync
  for depth in 24 16; do
    bits=$((depth == 24 ? 32 : 16))
    start_xvfb "642x481x$depth"
    for row in "${rows[@]}"; do
      IFS='|' read -r name options frames no_sync <<<"$row"
      name="depth $depth, $name"
      local zoom=80 fps=60
      [[ $options =~ --zoom\ ([0-9]+) ]] && zoom=${BASH_REMATCH[1]}
      [[ $options =~ --frame-rate\ ([0-9]+) ]] && fps=${BASH_REMATCH[1]}
      local render_options=${options/--frame-rate/--fps}
      render_options=${render_options/--no-shm/}
      rm -rf "$run/raw"
      # shellcheck disable=SC2086
      "$render" --quiet --mode "642x481x$bits" --clock $T --frames "$frames" --first-frame $((frames - 1)) \
        --raw "$run/raw" $render_options || fail "$name: velmora-render failed"
      # shellcheck disable=SC2086
      VELMORA_NO_SYNC=$no_sync start_velmora --root --clock $T --frames "$frames" $options
      local raw
      raw=$(printf '%s/raw/frame-%06d.raw' "$run" $((frames - 1)))
      local check=equals
      [[ $options == *"--color 1"* ]] && check=equals-colour
      poll_until 30 dump_matches -root $check "$raw" "$zoom" || fail "$name: the screen is not frame $((frames - 1)): $(cat "$run/check.txt")"
      kill -TERM "$VP"
      ends_with "$VP" 0 5 "$name"
    done
    stop_xvfb
  done
}

window_of_pid() { xdotool search --all --pid "$1" --name '^Velmora$' 2>/dev/null | head -n 1; }
# logo_window TITLE: in decimal, the drawing window of the xlogo titled TITLE (its top level's child).
logo_window() {
  local top child
  top=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $top ]] &&
    child=$(xwininfo -children -id "$top" | awk '$1 ~ /^0x/ { print $1; exit }') && [[ -n $child ]] &&
    printf '%d' "$child"
}

case_windows() {
  start_xvfb 800x600x24
  local rows=("hexadecimal id|hex" "decimal id|dec" "XSCREENSAVER_WINDOW|env")
  local row name how host window title
  for row in "${rows[@]}"; do
    IFS='|' read -r name how <<<"$row"
    # Another program's window, black (its logo black on black): what is lit in it, velmora drew.
    title="velmora host ${run##*.} $how"
    xlogo -geometry 400x300 -bg black -fg black -title "$title" >"$run/host.log" 2>&1 &
    host=$!
    E2E_PIDS+=("$host")
    window=""
    poll_until 20 eval 'window=$(logo_window "$title"); [[ -n $window ]]' || fail "$name: no host window"
    ! dump_matches "-id $window" lit-inside 80 || fail "$name: the host window is lit before velmora starts"
    case $how in
      hex) start_velmora --window-id "$(printf '0x%x' "$window")" ;;
      dec) start_velmora -window-id "$window" ;;
      env) XSCREENSAVER_WINDOW=$(printf '0x%x' "$window") start_velmora -root ;;
    esac
    poll_until 20 dump_matches "-id $window" lit-inside 80 || fail "$name: not drawn into the window: $(cat "$run/check.txt")"
    xdotool windowsize "$window" 600 200
    poll_until 20 eval '[[ $(xwininfo -id $window) == *"Width: 600"* ]] && dump_matches "-id $window" lit-inside 80' ||
      fail "$name: the figure area did not follow a resize: $(cat "$run/check.txt")"
    e2e_end_pid "$host"  # its window goes with it
    ends_with "$VP" 1 5 "$name, window destroyed"
    grep -q 'window was destroyed\|window is gone' "$run/velmora.log" || fail "$name: no message for the lost window"
  done
  # The root window follows the screen's size, which RandR changes (Xvfb can shrink it).
  start_velmora --root
  poll_until 20 dump_matches -root lit-inside 80 || fail "root window: nothing drawn"
  xrandr --fb 640x400 >/dev/null 2>&1  # Xvfb resizes, then refuses the output's own mode
  poll_until 20 eval '[[ $(xdpyinfo) == *"dimensions:    640x400 "* ]] && dump_matches -root lit-inside 80' ||
    fail "root window: the figure area did not follow the screen to 640x400: $(cat "$run/check.txt")"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "root window after a RandR resize"
}

case_ending() {
  start_xvfb 1920x1080x24  # large enough for frames to go as points, several waiting in the server
  # signal | options; the last draws slower than its frame rate, so it never waits
  local signal options row
  for row in "TERM|" "INT|" "HUP|" "TERM|--quality 3000 --frame-rate 1000"; do
    IFS='|' read -r signal options <<<"$row"
    # shellcheck disable=SC2086
    start_velmora --root $options
    poll_until 20 dump_matches -root lit-inside 80 || fail "SIG$signal $options: nothing drawn"
    kill -"$signal" "$VP"
    ended_within "$VP" 60 || fail "SIG$signal $options: still running 60 ms after the signal"
    ends_with "$VP" 0 5 "SIG$signal $options"
  done
  local key window
  for key in q Escape; do
    start_velmora --geometry 320x240
    poll_until 20 eval 'window=$(window_of_pid $VP); [[ -n $window ]]' || fail "no window of its own"
    poll_until 20 dump_matches "-id $window" lit-inside 80 || fail "nothing drawn in its own window"
    xdotool key --window "$window" "$key"
    ends_with "$VP" 0 5 "key $key in its own window"
  done
  # name | environment | arguments | status | message; any argument or value of
  # any length gets one short line (100000 bytes: well within what exec passes)
  local long digits
  long=$(printf '%*s' 100000 '' | tr ' ' a) digits=${long//a/9}
  local rows=(
    "bad number|-|--zoom abc|2|--zoom: 'abc' is not a whole number"
    "out of range|-|--frame-rate 0|2|--frame-rate: 0 is out of range"
    "flag not 0 or 1|-|--color 2|2|--color: 2 is out of range"
    "unknown option|-|--bogus|2|bogus"
    "bad window id|-|--window-id 0xzz|2|'0xzz' is not a window id"
    "two windows|-|--root --window-id 5|2|give one"
    "bad XSCREENSAVER_WINDOW|XSCREENSAVER_WINDOW=junk|-root|2|XSCREENSAVER_WINDOW: 'junk'"
    "no such window|-|--window-id 0x3fffff0|1|there is no window 0x3fffff0"
    "no display|DISPLAY=|--root|1|no X display"
    "display not answering|DISPLAY=:999|--root|1|cannot open the X display :999"
    "long option|-|--$long|2|(100002 bytes), is too long: at most 4095 bytes are taken"
    "long value|-|--quality=$digits|2|--quality: '999999"
    "long XSCREENSAVER_WINDOW|XSCREENSAVER_WINDOW=$long|-root|2|(100000 bytes) is not a window id"
    "long DISPLAY|DISPLAY=$long|--root|1|aaaaaaaa... (100000 bytes)"
  )
  local row name environment arguments status message
  for row in "${rows[@]}"; do
    IFS='|' read -r name environment arguments status message <<<"$row"
    [[ $environment == - ]] && environment=E2E_UNUSED=1
    # shellcheck disable=SC2086
    env "$environment" "$velmora" $arguments >"$run/out.txt" 2>&1
    local got=$?
    [[ $got == "$status" ]] || fail "$name: status $got, not $status"
    grep -qF -- "$message" "$run/out.txt" || fail "$name: message '$(head -c 300 "$run/out.txt")'"
    (($(wc -l <"$run/out.txt") <= 2 && $(wc -c <"$run/out.txt") < 300)) || fail "$name: not one short message"
  done
  start_velmora --root
  poll_until 20 dump_matches -root lit-inside 80 || fail "lost display: nothing drawn"
  stop_xvfb
  ends_with "$VP" 1 5 "lost display"
  grep -q 'lost the connection' "$run/velmora.log" || fail "lost display: no message"
}

case_locker() {
  # Outside the build tree, which the unprivileged user may not reach (/root).
  locker_dir=$(mktemp -d /tmp/velmora-locker.XXXXXX)
  trap 'status=$?; rm -rf "$locker_dir"; (exit $status); e2e_cleanup' EXIT
  chmod 755 "$locker_dir"
  local home=$locker_dir/home bin=$locker_dir/bin
  mkdir -p "$home"
  printf 'mode: one\nselected: 0\nsplash: False\nlock: False\nfade: False\nunfade: False\nprograms: velmora --root\n' \
    >"$home/.xscreensaver"
  chown -R 65534:65534 "$home"
  mkdir -p "$bin" && cp "$velmora" "$bin/velmora" && chmod 755 "$bin" "$bin/velmora"
  start_xvfb 640x480x24
  as_nobody() {
    env HOME="$home" PATH="$bin:/usr/bin:/bin" DISPLAY="$DISPLAY" \
      setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
  }
  as_nobody xscreensaver -no-splash -verbose >"$run/xscreensaver.log" 2>&1 &
  local daemon=$! hack="" window
  E2E_PIDS+=("$daemon")
  poll_until 30 as_nobody xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon does not answer"
  as_nobody xscreensaver-command -activate >/dev/null 2>&1 || fail "-activate failed"
  # This daemon's velmora (its display process starts it); one of an earlier run may linger as a zombie.
  poll_until 30 eval 'hack=$(e2e_descendants $daemon velmora); [[ $hack =~ ^[0-9]+$ ]]' ||
    fail "not one velmora below the daemon $daemon: '$hack'"
  window=$(tr '\0' '\n' <"/proc/$hack/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
  [[ -n $window ]] || fail "no XSCREENSAVER_WINDOW for velmora"
  poll_until 30 dump_matches "-id $window" lit-inside 80 || fail "not drawn on the daemon's window: $(cat "$run/check.txt")"
  as_nobody xscreensaver-command -deactivate >/dev/null 2>&1 || fail "-deactivate failed"
  # (How fast a signal ends velmora is the ending case's to check; here the daemon ends it at all.)
  poll_until 10 e2e_pid_gone "$hack" || fail "velmora still runs 10 s after -deactivate"
}

# --idle on the XScreenSaver extension's idle time: the screen covered exactly
# after two seconds without input, uncovered by a key, covered again; waiting
# costs nothing; SIGTERM ends it.
case_idle() {
  start_xvfb 320x240x24
  "$render" --quiet --mode 320x240x32 --clock $T --frames 20 --first-frame 19 --raw "$run/raw" || fail "velmora-render failed"
  xdotool key a
  local started round ticks
  started=$(e2e_now_ms)
  start_velmora --x11 --idle 2 --clock $T --frames 20
  for round in 1 2; do
    poll_until 20 dump_matches -root equals "$run/raw/frame-000019.raw" 80 || fail "round $round: not covered: $(cat "$run/check.txt")"
    (($(e2e_now_ms) - started >= 1900)) || fail "round $round: covered before two seconds without input"
    xdotool key a
    started=$(e2e_now_ms)
    poll_until 5 eval '! dump_matches -root lit-inside 80' || fail "round $round: still covered after a key"
  done
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle"
  start_velmora --x11 --idle 60
  ticks=$(cpu_ticks "$VP") && sleep 3  # its start-up included
  (($(cpu_ticks "$VP") - ticks <= 1)) || fail "--idle waiting: $(($(cpu_ticks "$VP") - ticks)) ticks of CPU in 3 s"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "--idle while waiting"
}

case_package() {
  local files=(./usr/libexec/xscreensaver/velmora "./usr/bin/velmora -> ../libexec/xscreensaver/velmora" ./usr/bin/velmora-render
    ./usr/share/xscreensaver/config/velmora.xml ./usr/share/man/man6/velmora.6.gz ./usr/share/man/man1/velmora-render.1.gz
    ./usr/lib/systemd/user/velmora.service ./usr/share/applications/velmora.desktop)
  (cd "$run" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) || fail "cpack failed"
  local deb
  deb=$(ls "$run"/velmora_*_amd64.deb 2>/dev/null | head -n 1)
  [[ -n $deb ]] || { fail "no velmora_VERSION_amd64.deb"; return; }
  local file listing
  listing=$(dpkg-deb -c "$deb")
  for file in "${files[@]}"; do
    grep -q " $file\$" <<<"$listing" || fail "the package has no $file"
  done
  for library in libx11-6 libxext6 libwayland-client0 libxkbcommon0 libsystemd0 libdecor-0-0 libdecor-0-plugin-1-cairo; do
    dpkg-deb -f "$deb" Depends | grep -q "$library" || fail "the package does not depend on $library"
  done
  python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); sys.exit(len(r.findall(".//number")) + len(r.findall(".//boolean")) != 8)' \
    "$here/../../x11/velmora.xml" || fail "velmora.xml does not describe the eight settings"
  dpkg-deb -x "$deb" "$run/unpacked"
  velmora=$run/unpacked/usr/bin/velmora
  # The user unit's command takes its options (without a display it ends with 1, not 2).
  local unit_options status
  unit_options=$(sed -n 's/^ExecStart=velmora //p' "$run/unpacked/usr/lib/systemd/user/velmora.service")
  # shellcheck disable=SC2086
  env -i "$velmora" $unit_options >"$run/unit.txt" 2>&1
  status=$?
  [[ $unit_options == *--idle* && $status == 1 ]] || fail "the unit's 'velmora $unit_options': status $status, $(cat "$run/unit.txt")"
  start_xvfb 640x480x24
  start_velmora --root --frames 3
  poll_until 20 dump_matches -root lit-inside 80 || fail "the unpacked velmora draws nothing"
  kill -TERM "$VP"
  ends_with "$VP" 0 5 "unpacked velmora"
  "$run/unpacked/usr/bin/velmora-render" --help >/dev/null || fail "the unpacked velmora-render does not run"
  (cd "$run" && cpack -G RPM --config "$build/CPackConfig.cmake" >cpack-rpm.log 2>&1) || fail "cpack -G RPM failed"
  rpm_like_deb "$(ls "$run"/velmora-*.rpm | head -n 1)" "$deb" x86_64 objdump
}

"case_$case_name"
((failures == 0)) || e2e_fail "$failures checks failed"
e2e_log "all checks passed"
