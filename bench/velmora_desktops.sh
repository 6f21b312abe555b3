#!/usr/bin/env bash
# CPU cost of the Wayland saver on GNOME and KDE beside sway, side by side:
# velmora --fullscreen under headless gnome-shell, kwin and sway at one size,
# compositor included (user + system time from /proc/PID/stat), in alternating
# rounds; then velmora --idle while it waits, on sway.
#   bench/velmora_desktops.sh [BUILD_DIR] [SECONDS] [ROUNDS] [WxH]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/native-release}
seconds=${2:-10}
rounds=${3:-2}
size=${4:-1920x1080}
velmora=$build/linux/velmora
source "$root/tests/lib.sh"
source "$root/tests/wayland/sway.sh"
source "$root/bench/measure.sh"
source "$root/tests/wayland/desktop.sh"
hz=$(getconf CLK_TCK)
pid=""
results=$(mktemp)
trap '[[ -n $pid ]] && e2e_end_pid "$pid"; stop_sway; stop_desktop; rm -f "$results"' EXIT
ticks() { cpu_ticks "$1"; }
measure() { measure_cpu compositor "$@"; }

sway_round() {
  start_sway "$size" "$velmora"
  "${SWAY_CLIENT[@]}" "$SWAY_DIR/bin/velmora" --fullscreen >/dev/null 2>&1 &
  pid=$!
  measure sway "$SWAY_PID"
  e2e_end_pid "$pid" && pid=""
  stop_sway
}

desktop_round() {  # desktop_round gnome|kde
  start_desktop "$1" "$size" "$build/tests/wayland/velmora_desktop_bus" "$build/tests/wayland/velmora_virtual_pointer"
  "${DESKTOP_CLIENT[@]}" "$velmora" --fullscreen >/dev/null 2>&1 &
  pid=$!
  measure "$1" "$DESKTOP_PID"
  e2e_end_pid "$pid" && pid=""
  stop_desktop
}

lscpu | grep -E 'Model name|^CPU\(s\)'
echo "$size, $seconds s a round, $rounds rounds each"
for ((round = 1; round <= rounds; ++round)); do
  sway_round
  desktop_round gnome
  desktop_round kde
done
awk '{ sum[$1] += $7; n[$1]++ } END {
  s = sum["sway"] / n["sway"]; g = sum["gnome"] / n["gnome"]; k = sum["kde"] / n["kde"]
  printf "mean together: sway %.4f  gnome %.4f (%.2fx)  kde %.4f (%.2fx)\n", s, g, g / s, k, k / s }' "$results"

# Waiting for idleness: no input comes, nothing is shown.
start_sway "$size" "$velmora"
"${SWAY_CLIENT[@]}" "$SWAY_DIR/bin/velmora" --idle 3600 >/dev/null 2>&1 &
pid=$!
sleep 2
a0=$(ticks "$pid") t0=$(e2e_now_ms)
sleep $((seconds * 3))
a1=$(ticks "$pid") t1=$(e2e_now_ms)
awk -v a=$((a1 - a0)) -v ms=$((t1 - t0)) -v hz="$hz" 'BEGIN {
  printf "--idle waiting: %d ticks in %.1f s: at most %.6f CPU s/s\n", a, ms / 1000, (a + 1) / hz / (ms / 1000) }'
