#!/usr/bin/env bash
# Starts the built Velmora.scr under Wine, the loader of its word size.
#   start-saver.sh [--seconds N] [--headless] [--settings] [BUILD_DIR]
# BUILD_DIR is the Windows tree: build/windows64 (the default, 64-bit, runs on
# every x86-64 kernel) or build/windows (32-bit).
# With a display that answers (DISPLAY), the saver runs on it until a key press,
# a mouse movement or a loss of focus ends it. Without one (or with --headless)
# it runs on a private Xvfb screen of 1024 x 768 for N seconds (default 5); a
# screenshot is taken every second into a folder that is named at the end, then
# a key press ends it. --settings opens the settings dialog instead (/c); on the
# private screen its picture is taken and the dialog is closed.
# The Wine prefix BUILD_DIR/saver-prefix keeps the settings between runs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

seconds=5
headless=0
switch=/s
build_dir=build/windows64
while (($#)); do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --headless) headless=1; shift ;;
    --settings) switch=/c; shift ;;
    -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
    *) build_dir=$1; shift ;;
  esac
done
[[ $seconds =~ ^[0-9]+$ ]] || { echo "start-saver: --seconds wants a whole number" >&2; exit 2; }

source "$root/tests/lib.sh"
E2E_BUILD_DIR=$(cd "$build_dir" && pwd)
saver=$E2E_BUILD_DIR/windows/Velmora.scr
[[ -f $saver ]] || { echo "start-saver: $saver is not built" >&2; exit 1; }

# The prefix: a copy of the end-to-end template (DirectDraw through GDI,
# unmanaged windows), made again when Wine changes.
template=$(e2e_template_prefix)
prefix=$E2E_BUILD_DIR/saver-prefix
if [[ ! -f $prefix/.velmora-ready || $(<"$prefix/.velmora-ready") != "$(<"$template/.velmora-ready")" ]]; then
  echo "start-saver: making the Wine prefix $prefix"
  copy_prefix "$template" "$prefix"
fi
E2E_PREFIX=$prefix
E2E_LOCALE=ru_RU.UTF-8
locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8' || E2E_LOCALE=C.UTF-8

saver_pid=""
finish() {
  local status=$?
  [[ -n $saver_pid ]] && e2e_end_pid "$saver_pid"
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
  exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

# ---- on the user's display ---------------------------------------------------
if ((!headless)) && [[ -n ${DISPLAY:-} ]] && e2e_display_answers "$DISPLAY"; then
  echo "start-saver: Velmora.scr $switch on display $DISPLAY; a key press or a mouse movement ends it"
  status=0
  e2e_wine "$saver" "$switch" || status=$?
  echo "start-saver: the saver ended with status $status"
  exit 0
fi

# ---- on a private screen ------------------------------------------------------
shots=$E2E_BUILD_DIR/saver-screens/$(date +%Y%m%d-%H%M%S)
mkdir -p "$shots"
E2E_RUN_DIR=$shots
start_xvfb 1024x768x24
xdotool mousemove 512 384
e2e_wine "$saver" "$switch" </dev/null >"$shots/wine.log" 2>&1 &
saver_pid=$!

# screen_lit: more than a few hundred pixels of the screen are not black.
screen_lit() {
  screenshot "$shots/.look.png" &&
    (($(convert "$shots/.look.png" -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:) > 500))
}
if [[ $switch == /c ]]; then
  dialog_up() { e2e_window_found "    Velmora Screen Saver.*" && screen_lit; }
  poll_until 60 dialog_up || echo "start-saver: the dialog did not appear" >&2
  screenshot "$shots/dialog.png"
  xdotool key Escape
else
  poll_until 60 screen_lit || echo "start-saver: nothing was drawn within 60 s" >&2
  for ((i = 1; i <= seconds; i++)); do
    screenshot "$(printf '%s/screen-%02d.png' "$shots" "$i")"
    ((i < seconds)) && sleep 1  # one picture a second
  done
  xdotool key Escape
fi
if wait_exit "$saver_pid" 30; then
  saver_pid=""
  echo "start-saver: the saver ended with status $E2E_STATUS"
else
  echo "start-saver: the saver did not end; stopping it" >&2
fi
rm -f "$shots/xvfb.log" "$shots/.look.png"
echo "start-saver: screenshots in $shots"
ls "$shots"
