# shellcheck shell=bash
# End-to-end test library: programs on private X screens (start_xvfb), Windows
# programs under Wine in private prefixes (fresh_prefix). Every wait polls with a time limit;
# at exit e2e_cleanup ends each process the test started by its id.
E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$E2E_ROOT/tests/windows/wine.sh"
E2E_BUILD_DIR="" E2E_RUN_DIR="" E2E_PREFIX="" E2E_LOCALE=C.UTF-8 E2E_PIDS=() E2E_XVFB_PID=""
E2E_WINE_PID="" E2E_WINDOW="" E2E_STATUS="" E2E_WINE=""
SAVER_KEY='HKCU\Software\Quorvane Software\Velmora Screen Saver'
SAVER_EXE="" SAVER_PID="" PROBE_EXE="" PROBE_PID="" PROBE_LOG="" SHOT="" SHOT_COUNT=0 EXIT_MS=""
PROBE_COLOUR=200,40,120  # the probe's 64 x 64 square at the top left

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }
e2e_fail() { printf 'e2e: FAIL: %s\n' "$*" >&2; exit 1; }
# fail MESSAGE: a failed check that lets the case go on; failures counts them.
failures=0
fail() { e2e_log "FAIL: $*"; failures=$((failures + 1)); }
e2e_now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }

# poll_until SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds (0) or time is up (1).
poll_until() {
  local deadline=$(($(e2e_now_ms) + $(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }')))
  shift
  until "$@"; do
    (($(e2e_now_ms) >= deadline)) && return 1
    sleep 0.05
  done
}

e2e_pid_gone() {  # a zombie counts as ended
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) && stat=${stat##*) } && [[ ${stat%% *} == Z ]] || [[ -z $stat ]]
}

# e2e_descendants PID COMM: the live processes named COMM below PID (zombies left
# out), one a line; how a test finds what a program it started has started.
e2e_descendants() {
  local -A parent=() name=() state=()
  local file stat pid up
  for file in /proc/[0-9]*/stat; do
    { read -r stat <"$file"; } 2>/dev/null || continue
    pid=${stat%% *} name[$pid]=${stat#*(} && name[$pid]=${name[$pid]%)*}
    stat=${stat##*) } && state[$pid]=${stat%% *} && stat=${stat#* } && parent[$pid]=${stat%% *}
  done
  for pid in "${!name[@]}"; do
    [[ ${name[$pid]} == "$2" && ${state[$pid]} != Z ]] || continue
    for ((up = parent[$pid]; up > 1 && up != $1; up = ${parent[$up]:-0})); do :; done
    ((up != $1)) || echo "$pid"
  done
}

e2e_end_pid() {  # asks the process to end, then forces it; reaps it when it is ours
  if ! e2e_pid_gone "$1"; then
    kill -TERM "$1" 2>/dev/null || true
    poll_until 5 e2e_pid_gone "$1" || kill -KILL "$1" 2>/dev/null || true
    poll_until 5 e2e_pid_gone "$1" || e2e_log "process $1 did not end"
  fi
  wait "$1" 2>/dev/null || true
}

wait_exit() {  # wait_exit PID SECONDS: E2E_STATUS is its exit status; 1 if it still runs
  poll_until "$2" e2e_pid_gone "$1" || return 1
  E2E_STATUS=0
  wait "$1" 2>/dev/null || E2E_STATUS=$?
}

e2e_display_answers() { xdpyinfo -display "$1" >/dev/null 2>&1; }

# start_xvfb [SCREEN]: on a free display (default 1024x768x24: 32 bits in Wine).
start_xvfb() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768x24}" -nolisten tcp -noreset 3>"$fd_file" >/dev/null 2>&1 </dev/null &
  E2E_XVFB_PID=$!
  poll_until 30 test -s "$fd_file" || e2e_fail "Xvfb did not start"
  export DISPLAY=:$(head -n 1 "$fd_file")
  rm -f "$fd_file"
  poll_until 30 e2e_display_answers "$DISPLAY" || e2e_fail "Xvfb $DISPLAY does not answer"
}

stop_xvfb() { [[ -z $E2E_XVFB_PID ]] || e2e_end_pid "$E2E_XVFB_PID"; E2E_XVFB_PID=""; }
screenshot() { import -display "$DISPLAY" -window root "$1"; }
e2e_pixel_is() {  # X Y "R,G,B": the screen's pixel now
  [[ $(import -display "$DISPLAY" -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null) =~ \(([0-9]+),([0-9]+),([0-9]+) ]] &&
    [[ ${BASH_REMATCH[1]},${BASH_REMATCH[2]},${BASH_REMATCH[3]} == "$3" ]]
}
find_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
e2e_window_found() { local ids; ids=$(find_window "$1") && [[ -n $ids ]] && E2E_WINDOW=${ids%%$'\n'*}; }
wait_for_window() { poll_until "$2" e2e_window_found "$1"; }

# Program images (over a gigabyte) are never written by a run, so copies share
# them with the source through hard links; every other file is copied.
copy_prefix() {
  rm -rf "$2"
  cp -al "$1" "$2" 2>/dev/null || { rm -rf "$2" && cp -a "$1" "$2"; return; }
  find "$2" -type f ! -iregex '.*\.\(dll\|exe\|nls\|drv\|sys\|vxd\|ocx\|cpl\|acm\|tlb\|ds\|ax\|com\|msstyles\)' \
    -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' _ {} +
}

# The build's template prefix: the base prefix CTest runs programs in, with
# DirectDraw through GDI and unmanaged windows (they close without a window manager).
# The tree's Wine loader is the one of its saver's word size (wine.sh).
e2e_template_prefix() {
  local base=$E2E_BUILD_DIR/wineprefix t=$E2E_BUILD_DIR/e2e/template-prefix
  E2E_WINE=$(wine_loader_for "$E2E_BUILD_DIR/windows/Velmora.scr")
  "$E2E_ROOT/tests/windows/wine-prefix.sh" "$base" "$E2E_WINE" || e2e_fail "cannot make the Wine prefix $base"
  mkdir -p "${t%/*}"
  (
    flock 9
    cmp -s "$base/.velmora-ready" "$t/.velmora-ready" && exit 0
    rm -rf "$t" && copy_prefix "$base" "$t.new"
    export WINEPREFIX=$t.new WINEDEBUG=-all
    "$E2E_WINE" reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f >/dev/null &&
      "$E2E_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null && wineserver -w &&
      mv "$t.new" "$t" && cp "$base/.velmora-ready" "$t/"
  ) 9>"$t.lock" || e2e_fail "cannot make the template prefix $t"
  echo "$t"
}

fresh_prefix() {
  local template
  template=$(e2e_template_prefix) || exit 1
  E2E_PREFIX=$E2E_RUN_DIR/prefix && copy_prefix "$template" "$E2E_PREFIX"
}

e2e_use_locale() {  # LOCALE for Wine programs: ANSI code page 1251 under ru_RU.UTF-8, 1252 under en_US.UTF-8
  locale -a 2>/dev/null | grep -qix "${1%%.*}\.utf-*8" && E2E_LOCALE=$1 || e2e_fail "no $1 locale; run scripts/install-deps.sh"
}

e2e_wine() {  # wine in the test's prefix, in the foreground
  [[ -n $E2E_WINE ]] || E2E_WINE=$(wine_loader_for "$E2E_BUILD_DIR/windows/Velmora.scr")
  WINEPREFIX=$E2E_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=$E2E_LOCALE LC_ALL=$E2E_LOCALE "$E2E_WINE" "$@"
}

start_wine() {  # in the background; E2E_WINE_PID
  e2e_wine "$@" </dev/null >>"$E2E_RUN_DIR/wine.log" 2>&1 &
  E2E_WINE_PID=$! && E2E_PIDS+=("$E2E_WINE_PID")
}

wine_reg_add() { e2e_wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1; }
wine_reg_delete() { e2e_wine reg delete "$1" ${2:+/v "$2"} /f >/dev/null 2>&1; }
wine_path() { printf 'Z:%s' "${1//\//\\}"; }  # the Z: drive is /

# e2e_init BUILD_DIR NAME: the run folder under BUILD_DIR/e2e/runs, kept when the test fails.
e2e_init() {
  E2E_BUILD_DIR=$(cd "$1" && pwd) && mkdir -p "$E2E_BUILD_DIR/e2e/runs"
  E2E_RUN_DIR=$(mktemp -d "$E2E_BUILD_DIR/e2e/runs/$2.XXXXXX")
  trap e2e_cleanup EXIT && trap 'exit 130' INT TERM
}

e2e_cleanup() {
  local status=$? i
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do e2e_end_pid "${E2E_PIDS[i]}"; done
  if [[ -d $E2E_PREFIX ]]; then
    WINEPREFIX=$E2E_PREFIX wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$E2E_PREFIX wineserver -w >/dev/null 2>&1 || true
    rm -rf "$E2E_PREFIX"
  fi
  stop_xvfb
  if ((status == 0)); then rm -rf "$E2E_RUN_DIR"; else e2e_log "kept the logs in $E2E_RUN_DIR"; fi
  exit "$status"
}

saver_setup() {
  e2e_init "$1" "$2"
  SAVER_EXE=$3 PROBE_EXE=${4:-}
  start_xvfb && fresh_prefix && xdotool mousemove 500 400
}
saver_set() { wine_reg_add "$SAVER_KEY" "$1" REG_SZ "$2" || e2e_fail "cannot store $1"; }
# Lighting and colour off: every lit pixel has the brightness as its grey.
saver_plain_look() { saver_set on3D 0 && saver_set onColor 0 && saver_set Brightness 250; }
saver_start() { start_wine "$SAVER_EXE" "$@" && SAVER_PID=$E2E_WINE_PID; }
e2e_saver_gone() { e2e_pid_gone "$SAVER_PID"; }

# start_probe [LAUNCHER ARGS...]: the probe shows its square and logs each display mode.
start_probe() {
  PROBE_LOG=$E2E_RUN_DIR/modes.txt
  start_wine "$@" "$PROBE_EXE" "$(wine_path "$PROBE_LOG")" "$(wine_path "$E2E_RUN_DIR/probe.stop")"
  PROBE_PID=$E2E_WINE_PID
  poll_until 60 test -s "$PROBE_LOG" || e2e_fail "the probe did not start (see wine.log)"
  poll_until 30 e2e_pixel_is 10 10 "$PROBE_COLOUR" || e2e_fail "the probe's square is not on the screen"
}
stop_probe() { touch "$E2E_RUN_DIR/probe.stop" && wait_exit "$PROBE_PID" 30 || e2e_fail "the probe did not end"; }
probe_mode_now() { tail -n 1 "$PROBE_LOG"; }
e2e_mode_is() { [[ $(probe_mode_now) == "$1" ]]; }

# The display is back in the probe's first mode, and its square is on the screen again.
expect_screen_back() {
  poll_until 10 e2e_mode_is "$(head -n 1 "$PROBE_LOG")" || e2e_fail "the display mode is not back: $(paste -sd' ' "$PROBE_LOG")"
  poll_until 10 e2e_pixel_is 10 10 "$PROBE_COLOUR" || e2e_fail "the probe's square did not come back"
}

shot() { SHOT=$E2E_RUN_DIR/shot$((++SHOT_COUNT)).png && screenshot "$SHOT"; }
# lit_outside FILE W H X Y: pixels that are not black outside the rectangle.
lit_outside() {
  convert "$1" -fill black -draw "rectangle $4,$5 $(($4 + $2 - 1)),$(($5 + $3 - 1))" \
    -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:
}
colours() { convert "$1" -depth 8 -format %c histogram:info:- | sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p' | sort; }

# The saver covers the whole screen, the probe's square included, and draws.
e2e_screen_drawn() {
  shot && (($(lit_outside "$SHOT" 64 64 0 0) > 500)) &&
    (($(convert "$SHOT" -crop 64x64+0+0 -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:) < 4096))
}
wait_drawing() { poll_until "$1" e2e_screen_drawn; }

# expect_frames COUNT COLOUR W H X Y: COUNT screenshots lit only inside the area
# W x H at (X, Y) and only in the colour "R,G,B"; the lit pixels reach the area's
# top left corner (a pixel or two in) and fill most of it.
expect_frames() {
  local count=$1 colour=$2 i box
  shift 2
  for ((i = 0; i < count; ++i)); do
    wait_drawing 30 || e2e_fail "nothing is drawn (see $SHOT)"
    (($(lit_outside "$SHOT" "$@") == 0)) || e2e_fail "pixels are lit outside the area $1x$2+$3+$4 (see $SHOT)"
    [[ $(colours "$SHOT" | paste -sd' ') == "0,0,0 $colour" ]] || e2e_fail "colours other than 0,0,0 and $colour (see $SHOT)"
    box=$(convert "$SHOT" -colorspace gray -threshold 0 -format '%@' info:)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] && ((BASH_REMATCH[3] - $3 <= 2 && BASH_REMATCH[4] - $4 <= 2 &&
      BASH_REMATCH[1] * 10 >= $1 * 9 && BASH_REMATCH[2] * 10 >= $2 * 9)) || e2e_fail "the figure fills $box (see $SHOT)"
  done
}

e2e_screen_changed_from() { shot && ! cmp -s <(convert "$1" rgb:-) <(convert "$SHOT" rgb:-); }
screen_keeps_changing() { shot && poll_until "$1" e2e_screen_changed_from "$SHOT"; }

# saver_ends_within SECONDS: E2E_STATUS is the saver's status, EXIT_MS how long it took.
saver_ends_within() {
  local started
  started=$(e2e_now_ms) && wait_exit "$SAVER_PID" "$1" && EXIT_MS=$(($(e2e_now_ms) - started))
}
# press_and_time KEY [STATUS]: the key ends the saver within a second, with STATUS.
press_and_time() {
  xdotool key "$1"
  saver_ends_within 10 || e2e_fail "the saver still runs 10 s after the key $1"
  ((EXIT_MS < 1000)) || e2e_fail "the saver took $EXIT_MS ms to end after the key $1"
  [[ -z ${2:-} || $E2E_STATUS == "$2" ]] || e2e_fail "exit status $E2E_STATUS after the key $1, not $2"
}
saver_still_running_after() {
  ! poll_until "$1" e2e_saver_gone || e2e_fail "the saver ended although it should run on"
}

# rpm_like_deb RPM DEB ARCH OBJDUMP [EMULATOR...]: the RPM, made from the same tree as
# the Debian package, holds the same files with the same modes, link targets and
# contents, the same summary and description, a licence and the architecture ARCH;
# it requires every shared library its programs load, and its velmora-render runs.
rpm_like_deb() {
  local rpm=$1 deb=$2 arch=$3 objdump=$4 side
  shift 4
  [[ ${rpm##*/} =~ ^velmora-[0-9.]+-[0-9]+\.$arch\.rpm$ ]] || fail "the RPM is named ${rpm##*/}"
  [[ $(rpm -qp --qf '%{ARCH}' "$rpm") == "$arch" ]] || fail "the RPM's architecture is $(rpm -qp --qf '%{ARCH}' "$rpm")"
  [[ $(rpm -qp --qf '%{LICENSE}' "$rpm") =~ ^(unknown|)$ ]] && fail "the RPM names no licence"
  local description
  description=$(dpkg-deb -f "$deb" Description)
  [[ $(rpm -qp --qf '%{SUMMARY}' "$rpm") == "${description%%$'\n'*}" ]] || fail "the RPM's summary differs"
  [[ $(rpm -qp --qf '%{DESCRIPTION}' "$rpm") == "$(sed '1d; s/^ //' <<<"$description")" ]] || fail "the RPM's description differs"
  # mode path link-target of each file (no folders), and the files themselves
  local listing=()
  listing+=("$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $1, $6, $8 }' | sort)")
  listing+=("$(rpm -qp --qf '[%{FILEMODES:perms} %{FILENAMES} %{FILELINKTOS}\n]' "$rpm" | awk '$1 !~ /^d/ { print $1, $2, $3 }' | sort)")
  [[ ${listing[0]} == "${listing[1]}" ]] ||
    fail "the RPM's files differ: $(diff <(echo "${listing[0]}") <(echo "${listing[1]}") | grep '^[<>]' | paste -sd' ')"
  for side in deb rpm; do rm -rf "${E2E_RUN_DIR:?}/$side" && mkdir -p "$E2E_RUN_DIR/$side"; done
  dpkg-deb -x "$deb" "$E2E_RUN_DIR/deb"
  rpm2archive - <"$rpm" | tar -xzf - -C "$E2E_RUN_DIR/rpm" || { fail "cannot unpack the RPM"; return; }
  diff -r --no-dereference "$E2E_RUN_DIR/deb" "$E2E_RUN_DIR/rpm" >/dev/null || fail "the RPM's files are not the Debian package's"
  local requires program library
  requires=$(rpm -qpR "$rpm" | sed 's/(.*//' | sort -u)  # libX11.so.6()(64bit), libX11.so.6 on 32 bits
  for program in usr/bin/velmora-render usr/libexec/xscreensaver/velmora; do
    for library in $("$objdump" -p "$E2E_RUN_DIR/rpm/$program" | awk '$1 == "NEEDED" { print $2 }'); do
      grep -qxF "$library" <<<"$requires" || fail "the RPM does not require $library, which $program loads"
    done
  done
  grep -qx 'libX11\.so\.6' <<<"$requires" || fail "the RPM requires no libX11: $(paste -sd' ' <<<"$requires")"
  "$@" "$E2E_RUN_DIR/rpm/usr/bin/velmora-render" --help >/dev/null || fail "the RPM's velmora-render does not run"
}
