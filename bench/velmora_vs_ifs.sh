#!/usr/bin/env bash
# CPU cost of one second of animation: velmora at its defaults beside Debian's
# ifs hack at its defaults, each on its own fresh Xvfb screen of 1920x1080x24,
# the X server's CPU included (user + system time from /proc/PID/stat).
#   bench/velmora_vs_ifs.sh [VELMORA] [SECONDS]
# Also times velmora --frames over the same span to show it keeps 60 frames a second.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
velmora=${1:-$root/build/native-release/linux/velmora}
seconds=${2:-20}
ifs=/usr/libexec/xscreensaver/ifs
source "$root/tests/lib.sh"
[[ -x $velmora && -x $ifs ]] || { echo "needs $velmora and $ifs (xscreensaver-data-extra)" >&2; exit 1; }
hz=$(getconf CLK_TCK)
pid=""
trap '[[ -n $pid ]] && e2e_end_pid "$pid"; stop_xvfb' EXIT

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# measure NAME COMMAND...: prints the CPU seconds per second of hack, X server and both.
measure() {
  local name=$1
  shift
  start_xvfb 1920x1080x24 2>/dev/null
  "$@" >/dev/null 2>&1 &
  pid=$!
  sleep 3  # past start-up
  local hack0 x0 t0 hack1 x1 t1
  hack0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$E2E_XVFB_PID") t0=$(e2e_now_ms)
  sleep "$seconds"
  hack1=$(cpu_ticks "$pid") x1=$(cpu_ticks "$E2E_XVFB_PID") t1=$(e2e_now_ms)
  e2e_end_pid "$pid"
  pid=""
  stop_xvfb
  awk -v n="$name" -v h=$((hack1 - hack0)) -v x=$((x1 - x0)) -v ms=$((t1 - t0)) -v hz="$hz" 'BEGIN {
    s = ms / 1000; printf "%-8s hack %.3f  X server %.3f  together %.3f CPU s per s\n", n, h / hz / s, x / hz / s, (h + x) / hz / s }'
}

# Frames per second: velmora --frames N stops using the processor after frame N.
frame_rate() {
  local frames=$((seconds * 60))
  start_xvfb 1920x1080x24 2>/dev/null
  "$velmora" --root --frames "$frames" >/dev/null 2>&1 &
  pid=$!
  local started last=-1 changed now ticks
  started=$(e2e_now_ms) changed=$started
  while true; do
    sleep 0.05
    now=$(e2e_now_ms) ticks=$(cpu_ticks "$pid")
    if [[ $ticks != "$last" ]]; then last=$ticks changed=$now; fi
    ((now - changed > 1500)) && break
  done
  echo "velmora drew $frames frames in $(((changed - started))) ms (start-up included): $(awk -v f=$frames -v ms=$((changed - started)) 'BEGIN { printf "%.1f", f * 1000 / ms }') frames a second"
  e2e_end_pid "$pid"
  pid=""
  stop_xvfb
}

lscpu | grep -E 'Model name|L1d|L2|L3'
velmora_line=$(measure velmora "$velmora" --root)
ifs_line=$(measure ifs "$ifs" --root)
echo "$velmora_line"
echo "$ifs_line"
awk -v a="${velmora_line##*together }" -v b="${ifs_line##*together }" 'BEGIN { printf "velmora / ifs = %.2f\n", a / b }'
frame_rate
