# shellcheck shell=bash
# What the Wayland benchmarks share: the CPU of velmora and of its server over a
# stretch of animation. Needs pid (velmora's), hz, seconds and results set, and
# cpu_ticks and e2e_now_ms from tests/lib.sh.
# measure_cpu LABEL NAME SERVER_PID: "NAME velmora S LABEL S together S" in CPU s per s.
measure_cpu() {
  local label=$1 name=$2 server=$3 a0 b0 t0 a1 b1 t1
  sleep 3  # past start-up
  a0=$(cpu_ticks "$pid") b0=$(cpu_ticks "$server") t0=$(e2e_now_ms)
  sleep "$seconds"
  a1=$(cpu_ticks "$pid") b1=$(cpu_ticks "$server") t1=$(e2e_now_ms)
  awk -v n="$name" -v l="$label" -v a=$((a1 - a0)) -v b=$((b1 - b0)) -v ms=$((t1 - t0)) -v hz="$hz" 'BEGIN {
    s = ms / 1000; printf "%-8s velmora %.4f  %s %.4f  together %.4f\n", n, a / hz / s, l, b / hz / s, (a + b) / hz / s }' |
    tee -a "$results"
}
