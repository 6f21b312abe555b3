# shellcheck shell=bash
# End-to-end test library: Windows programs under Wine on a private X screen.
#
# A test sources this file and then, typically:
#   e2e_init BUILD_DIR NAME         # run folder, cleanup at exit
#   e2e_use_russian_locale          # optional: Wine's ANSI code page 1251
#   start_xvfb                      # its own 1024x768x24 screen, DISPLAY set
#   fresh_prefix                    # its own copy of the build's template prefix
#   start_wine PROGRAM ARGS...      # in the background; E2E_WINE_PID
#   wait_for_window TITLE 30        # E2E_WINDOW
#   wait_exit "$E2E_WINE_PID" 5     # E2E_STATUS
# Every wait polls with a time limit. e2e_cleanup, run at exit, ends each process
# the test started by its id, ends the prefix's wineserver and removes the copy.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_BUILD_DIR=""
E2E_RUN_DIR=""
E2E_PREFIX=""
E2E_LOCALE=C.UTF-8
E2E_PIDS=()
E2E_XVFB_PID=""
E2E_DISPLAY=""
E2E_WINE_PID=""
E2E_WINDOW=""
E2E_STATUS=""

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }
e2e_fail() {
  printf 'e2e: FAIL: %s\n' "$*" >&2
  exit 1
}

# ---- waiting ----------------------------------------------------------------

e2e_now_ms() {
  local t=${EPOCHREALTIME/[.,]/}
  echo $((t / 1000))
}

# poll_until SECONDS COMMAND [ARGS...]: runs COMMAND every 50 ms until it
# succeeds (status 0) or SECONDS (may be fractional) have passed (status 1).
poll_until() {
  local limit_ms
  limit_ms=$(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }')
  shift
  local deadline=$(($(e2e_now_ms) + limit_ms))
  while true; do
    if "$@"; then return 0; fi
    (($(e2e_now_ms) >= deadline)) && return 1
    sleep 0.05
  done
}

# True once PID has ended (a zombie counts as ended).
e2e_pid_gone() {
  local stat
  kill -0 "$1" 2>/dev/null || return 0
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  stat=${stat##*) }
  [[ ${stat%% *} == Z ]]
}

# e2e_end_pid PID: asks PID to end, then forces it; reaps it when it is ours.
e2e_end_pid() {
  local pid=$1
  if ! e2e_pid_gone "$pid"; then
    kill -TERM "$pid" 2>/dev/null || true
    poll_until 5 e2e_pid_gone "$pid" || kill -KILL "$pid" 2>/dev/null || true
    poll_until 5 e2e_pid_gone "$pid" || e2e_log "process $pid did not end"
  fi
  wait "$pid" 2>/dev/null || true
}

# ---- the X screen -----------------------------------------------------------

e2e_display_answers() { xdpyinfo -display "$1" >/dev/null 2>&1; }

# start_xvfb [SCREEN]: starts Xvfb on a free display (SCREEN defaults to
# 1024x768x24, the depth at which Wine reports 32 bits per pixel) and waits
# until it answers. Sets E2E_DISPLAY and E2E_XVFB_PID and exports DISPLAY.
start_xvfb() {
  local screen=${1:-1024x768x24}
  local fd_file log
  fd_file=$(mktemp)
  log=${E2E_RUN_DIR:+$E2E_RUN_DIR/xvfb.log}
  # -displayfd: Xvfb picks a free display itself and writes its number when ready.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
    3>"$fd_file" >"${log:-/dev/null}" 2>&1 </dev/null &
  E2E_XVFB_PID=$!
  if ! poll_until 30 test -s "$fd_file"; then
    rm -f "$fd_file"
    e2e_fail "Xvfb did not start"
  fi
  E2E_DISPLAY=:$(head -n 1 "$fd_file")
  rm -f "$fd_file"
  poll_until 30 e2e_display_answers "$E2E_DISPLAY" || e2e_fail "Xvfb $E2E_DISPLAY does not answer"
  export DISPLAY=$E2E_DISPLAY
  e2e_log "Xvfb on $E2E_DISPLAY (pid $E2E_XVFB_PID, $screen)"
}

stop_xvfb() {
  [[ -n $E2E_XVFB_PID ]] || return 0
  e2e_end_pid "$E2E_XVFB_PID"
  E2E_XVFB_PID=""
}

# screenshot FILE: the whole screen, with the exact pixels, as PNG.
screenshot() {
  import -display "$DISPLAY" -window root "$1"
}

# screen_pixel X Y: prints the pixel's colour as "R,G,B" (0..255 each).
screen_pixel() {
  local text
  text=$(import -display "$DISPLAY" -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null) || return 1
  [[ $text =~ \(([0-9]+),([0-9]+),([0-9]+) ]] || return 1
  echo "${BASH_REMATCH[1]},${BASH_REMATCH[2]},${BASH_REMATCH[3]}"
}

e2e_pixel_is() { [[ $(screen_pixel "$1" "$2") == "$3" ]]; }

# image_colours FILE [GEOMETRY]: one line "COUNT R,G,B" per colour in the image
# (or in the part WxH+X+Y of it), most frequent first.
image_colours() {
  local crop=()
  [[ -n ${2:-} ]] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -depth 8 -format %c histogram:info:- |
    sed -n 's/^ *\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2,\3,\4/p' |
    sort -rn
}

# find_window TITLE: prints the X ids of visible windows with exactly this title.
find_window() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null
}

e2e_window_found() {
  local ids
  ids=$(find_window "$1") || return 1
  [[ -n $ids ]] || return 1
  E2E_WINDOW=${ids%%$'\n'*}
}

# wait_for_window TITLE SECONDS: sets E2E_WINDOW to the first window found.
wait_for_window() {
  poll_until "$2" e2e_window_found "$1"
}

# ---- Wine prefixes ----------------------------------------------------------

# Program images (DLLs, EXEs, NLS tables; over a gigabyte) are never written by
# a run, so copies share them with the source through hard links; every other
# file (registry, ini files, the server's folder name) is copied.
copy_prefix() {
  local src=$1 dest=$2
  rm -rf "$dest"
  if cp -al "$src" "$dest" 2>/dev/null; then
    find "$dest" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.nls' \
      -o -iname '*.drv' -o -iname '*.sys' -o -iname '*.vxd' -o -iname '*.ocx' \
      -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.tlb' -o -iname '*.ds' \
      -o -iname '*.ax' -o -iname '*.com' -o -iname '*.msstyles' \) -print0 |
      while IFS= read -r -d '' file; do
        cp -p "$file" "$file.copy" && mv -f "$file.copy" "$file"
      done
  else
    rm -rf "$dest"
    cp -a "$src" "$dest"
  fi
}

# The template prefix of a build: its base prefix (the one CTest runs programs
# in) plus the settings every end-to-end run wants: DirectDraw through GDI, and
# unmanaged windows, whose destruction then does not wait for a window manager.
e2e_template_prefix() {
  local base=$E2E_BUILD_DIR/wineprefix
  local template=$E2E_BUILD_DIR/e2e/template-prefix
  "$E2E_ROOT/cmake/wine-prefix.sh" "$base" || e2e_fail "cannot make the Wine prefix $base"
  local version
  version=$(<"$base/.velmora-ready")
  if [[ ! -f $template/.velmora-ready || $(<"$template/.velmora-ready") != "$version" ]]; then
    mkdir -p "$(dirname "$template")"
    (
      flock 9
      if [[ ! -f $template/.velmora-ready || $(<"$template/.velmora-ready") != "$version" ]]; then
        e2e_log "making the template prefix $template"
        rm -rf "$template" "$template.new"
        copy_prefix "$base" "$template.new"
        export WINEPREFIX=$template.new WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f >/dev/null &&
          wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null ||
          exit 1
        wineserver -w
        mv "$template.new" "$template"
        echo "$version" >"$template/.velmora-ready"
      fi
    ) 9>"$template.lock" || e2e_fail "cannot make the template prefix $template"
  fi
  echo "$template"
}

# fresh_prefix: gives the test its own prefix, a copy of the build's template.
fresh_prefix() {
  local template
  template=$(e2e_template_prefix) || exit 1
  E2E_PREFIX=$E2E_RUN_DIR/prefix
  copy_prefix "$template" "$E2E_PREFIX"
}

# e2e_use_locale LOCALE: Wine programs of this test run under LOCALE; under
# ru_RU.UTF-8 their ANSI code page is 1251, under en_US.UTF-8 it is 1252.
e2e_use_locale() {
  locale -a 2>/dev/null | grep -qix "${1%%.*}\.utf-*8" || e2e_fail "the $1 locale is missing; run scripts/install-deps.sh"
  E2E_LOCALE=$1
}

# e2e_wine ARGS...: runs wine in the test's prefix, in the foreground.
e2e_wine() {
  [[ -n $E2E_PREFIX ]] || e2e_fail "no prefix: call fresh_prefix first"
  WINEPREFIX=$E2E_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    LANG=$E2E_LOCALE LC_ALL=$E2E_LOCALE wine "$@"
}

# start_wine PROGRAM [ARGS...]: starts the program in the background; its output
# goes to the run folder. Sets E2E_WINE_PID (the Windows process itself).
start_wine() {
  local log=$E2E_RUN_DIR/wine.log
  e2e_wine "$@" </dev/null >>"$log" 2>&1 &
  E2E_WINE_PID=$!
  E2E_PIDS+=("$E2E_WINE_PID")
}

# wait_exit PID SECONDS: waits for a process started by this shell to end; sets
# E2E_STATUS to its exit status. Fails (status 1) if it is still running.
wait_exit() {
  poll_until "$2" e2e_pid_gone "$1" || return 1
  local status=0
  wait "$1" 2>/dev/null || status=$?
  E2E_STATUS=$status
}

# ---- the registry -----------------------------------------------------------

# wine_reg_add KEY NAME TYPE DATA
wine_reg_add() {
  e2e_wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1
}

# wine_reg_delete KEY [NAME]: the value, or the whole key without NAME.
wine_reg_delete() {
  if [[ $# -ge 2 ]]; then
    e2e_wine reg delete "$1" /v "$2" /f >/dev/null 2>&1
  else
    e2e_wine reg delete "$1" /f >/dev/null 2>&1
  fi
}

# ---- set-up and cleanup ------------------------------------------------------

# e2e_init BUILD_DIR NAME: the test's run folder under BUILD_DIR/e2e/runs, and
# the cleanup at exit. A failed test keeps its logs and screenshots there.
e2e_init() {
  E2E_BUILD_DIR=$(cd "$1" && pwd)
  mkdir -p "$E2E_BUILD_DIR/e2e/runs"
  E2E_RUN_DIR=$(mktemp -d "$E2E_BUILD_DIR/e2e/runs/$2.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
}

e2e_cleanup() {
  local status=$?
  local i
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    e2e_end_pid "${E2E_PIDS[i]}"
  done
  E2E_PIDS=()
  if [[ -n $E2E_PREFIX && -d $E2E_PREFIX ]]; then
    WINEPREFIX=$E2E_PREFIX wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$E2E_PREFIX wineserver -w >/dev/null 2>&1 || true
    rm -rf "$E2E_PREFIX"
  fi
  stop_xvfb
  if [[ -n $E2E_RUN_DIR ]]; then
    if ((status == 0)); then
      rm -rf "$E2E_RUN_DIR"
    else
      e2e_log "kept the logs in $E2E_RUN_DIR"
    fi
  fi
  exit "$status"
}
