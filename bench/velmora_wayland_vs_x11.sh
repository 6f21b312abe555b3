#!/usr/bin/env bash
# CPU cost of one second of animation on Wayland beside X11, side by side:
# velmora --fullscreen on a headless sway (pixman renderer) against velmora --root
# on Xvfb, both 1920x1080, display server included (user + system time from
# /proc/PID/stat of the processes started here). Rounds alternate between the two.
#   bench/velmora_wayland_vs_x11.sh [VELMORA] [SECONDS] [ROUNDS] [WxH]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
velmora=${1:-$root/build/native-release/linux/velmora}
seconds=${2:-15}
rounds=${3:-3}
size=${4:-1920x1080}
source "$root/tests/lib.sh"
source "$root/tests/wayland/sway.sh"
source "$root/bench/measure.sh"
[[ -x $velmora ]] || { echo "needs $velmora (a build with Wayland)" >&2; exit 1; }
hz=$(getconf CLK_TCK)
pid=""
results=$(mktemp)
trap '[[ -n $pid ]] && e2e_end_pid "$pid"; stop_sway; stop_xvfb; rm -f "$results"' EXIT


measure() { measure_cpu server "$@"; }

wayland_round() {
  start_sway "$size" "$velmora"
  "${SWAY_CLIENT[@]}" "$SWAY_DIR/bin/velmora" --fullscreen >/dev/null 2>&1 &
  pid=$!
  measure wayland "$SWAY_PID"
  e2e_end_pid "$pid" && pid=""
  stop_sway
}

x11_round() {
  start_xvfb "${size}x24" 2>/dev/null
  "$velmora" --root >/dev/null 2>&1 &
  pid=$!
  measure x11 "$E2E_XVFB_PID"
  e2e_end_pid "$pid" && pid=""
  stop_xvfb
}

lscpu | grep -E 'Model name|^CPU\(s\)|L1d|L2|L3'
grep -m 1 'cache size' /proc/cpuinfo  # where lscpu knows no caches (virtual machines)
echo "$size, $seconds s a round, $rounds rounds each"
for ((round = 1; round <= rounds; ++round)); do
  wayland_round
  x11_round
done
awk '{ sum[$1] += $7; n[$1]++ } END {
  w = sum["wayland"] / n["wayland"]; x = sum["x11"] / n["x11"]
  printf "mean together: wayland %.4f  x11 %.4f  wayland / x11 = %.2f\n", w, x, w / x }' "$results"
