#!/usr/bin/env bash
# CPU cost of one second of animation on an Xvfb screen, the X server's share
# included: velmora (and a second velmora build beside it, for a side-by-side
# comparison) and Debian's ifs hack, each at its defaults, at 60 frames a second.
#   bench/x11_cpu.sh [-s SECONDS] [-r ROUNDS] [-z "WxH ..."] [-f] [-n] VELMORA [OTHER_VELMORA]
# Each round runs every program at every size once, on a fresh screen of that size
# at depth 24; the programs' order turns by one each round. CPU time is utime +
# stime from /proc/PID/stat of the program and of the server, both started here
# and read by their ids, over SECONDS after a settling time. The summary gives the
# median over the rounds and the median of the ratios taken within each round
# (programs measured minutes apart see different neighbours on a shared machine).
# -f also checks that each velmora keeps its frame rate: the time --frames N takes.
# -n leaves ifs out (two velmora builds only).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=20 rounds=4 sizes="1920x1080 3840x2160" check_rate=0 with_ifs=1
while getopts s:r:z:fn option; do
  case $option in
    s) seconds=$OPTARG ;;
    r) rounds=$OPTARG ;;
    z) sizes=$OPTARG ;;
    f) check_rate=1 ;;
    n) with_ifs=0 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
((rounds >= 1 && seconds >= 1)) 2>/dev/null || { echo "bad -r or -s" >&2; exit 2; }
ifs=/usr/libexec/xscreensaver/ifs
names=(velmora) programs=("${1:-$root/build/native-release/linux/velmora}")
[[ -n ${2:-} ]] && names+=(other) programs+=("$2")
((with_ifs)) && names+=(ifs) programs+=("$ifs")
for p in "${programs[@]}"; do [[ -x $p ]] || { echo "no program $p (ifs: xscreensaver-data-extra)" >&2; exit 1; }; done
source "$root/tests/lib.sh"
hz=$(getconf CLK_TCK)
settle=3
pid=""
results=$(mktemp)
trap '[[ -n $pid ]] && e2e_end_pid "$pid"; stop_xvfb; rm -f "$results"' EXIT

# Nanoseconds on the processor, updated at every switch: shows when a program stops drawing.
run_ns() { local s; s=$(<"/proc/$1/schedstat") && echo "${s%% *}"; }
cpu_ticks() { local s; s=$(<"/proc/$1/stat") && s=${s##*) } && awk '{ print $12 + $13 }' <<<"$s"; }

# measure ROUND SIZE NAME PROGRAM: one line "ROUND SIZE NAME hack server" in CPU seconds per second.
measure() {
  start_xvfb "$2x24"
  "$4" --root >/dev/null 2>&1 &
  pid=$!
  sleep "$settle"  # past start-up
  local p0 x0 t0 p1 x1 t1
  p0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$E2E_XVFB_PID") t0=$(e2e_now_ms)
  sleep "$seconds"
  p1=$(cpu_ticks "$pid") x1=$(cpu_ticks "$E2E_XVFB_PID") t1=$(e2e_now_ms)
  e2e_end_pid "$pid"
  pid=""
  stop_xvfb
  awk -v r="$1" -v z="$2" -v n="$3" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v ms=$((t1 - t0)) -v hz="$hz" \
    'BEGIN { s = ms / 1000; printf "%s %s %s %.4f %.4f\n", r, z, n, p / hz / s, x / hz / s }'
}

# frame_rate SIZE NAME PROGRAM: velmora --frames N stops using the processor after frame N.
frame_rate() {
  local frames=$((seconds * 60)) started last=-1 changed now ticks
  start_xvfb "$1x24"
  "$3" --root --frames "$frames" >/dev/null 2>&1 &
  pid=$!
  started=$(e2e_now_ms) changed=$started
  while sleep 0.05; do
    now=$(e2e_now_ms) ticks=$(run_ns "$pid")
    [[ $ticks != "$last" ]] && last=$ticks changed=$now
    ((now - changed > 1000)) && break
  done
  e2e_end_pid "$pid"
  pid=""
  stop_xvfb
  awk -v z="$1" -v n="$2" -v f=$frames -v ms=$((changed - started)) \
    'BEGIN { printf "%-9s %-8s %d frames in %d ms, start-up included: %.1f a second\n", z, n, f, ms, f * 1000 / ms }'
}

caches=$(lscpu | sed -n 's/^\(L[123][di]*\) cache: *\(.*\)/\1 \2/p' | paste -sd, | sed 's/,/, /g')
[[ -n $caches ]] || caches="cache $(sed -n 's/^cache size\s*: //p' /proc/cpuinfo | head -n 1) per processor (no cache levels reported)"
echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1) (family $(sed -n 's/^cpu family\s*: //p' /proc/cpuinfo | head -n 1)," \
  "model $(sed -n 's/^model\s*: //p' /proc/cpuinfo | head -n 1)), $(nproc) processors, $caches"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds of $seconds s per program and size"
for ((i = 0; i < ${#names[@]}; ++i)); do echo "${names[i]}: ${programs[i]}"; done
echo "round size      program  program-s/s server-s/s"
for ((round = 1; round <= rounds; ++round)); do
  for size in $sizes; do
    for ((k = 0; k < ${#names[@]}; ++k)); do
      i=$(((k + round) % ${#names[@]}))
      line=$(measure "$round" "$size" "${names[i]}" "${programs[i]}")
      echo "$line" >>"$results"
      awk '{ printf "%-5s %-9s %-8s %.4f      %.4f\n", $1, $2, $3, $4, $5 }' <<<"$line"
    done
  done
done

echo
echo "Medians over $rounds rounds, CPU seconds per second of animation (min-max of together):"
echo "size      program  program  server   together (min-max)"
awk -v programs="${names[*]}" '
  function median(list,   n, v, i, j, t) {
    n = split(list, v, " ")
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  {
    key = $2 " " $3; p[key] = p[key] " " $4; x[key] = x[key] " " $5; t[key] = t[key] " " ($4 + $5)
    if (!(key in lo) || $4 + $5 < lo[key]) lo[key] = $4 + $5
    if (!(key in hi) || $4 + $5 > hi[key]) hi[key] = $4 + $5
    both[$1 " " key] = $4 + $5; if (!($2 in seen)) { seen[$2] = 1; order[++sizes] = $2 }
    if ($1 > rounds) rounds = $1
  }
  END {
    progs = split(programs, prog, " ")
    for (s = 1; s <= sizes; ++s) for (q = 1; q <= progs; ++q) {
      key = order[s] " " prog[q]
      printf "%-9s %-8s %.4f   %.4f   %.4f   (%.4f-%.4f)\n", order[s], prog[q], median(p[key]), median(x[key]), median(t[key]), lo[key], hi[key]
    }
    print "\nRatios of program + server, median of the ratios within each round (min-max):"
    for (s = 1; s <= sizes; ++s) for (a = 1; a <= progs; ++a) for (b = a + 1; b <= progs; ++b) {
      list = ""; rlo = 1e9; rhi = 0
      for (r = 1; r <= rounds; ++r) {
        u = both[r " " order[s] " " prog[a]]; v = both[r " " order[s] " " prog[b]]
        if (v > 0) { q2 = u / v; list = list " " q2; if (q2 < rlo) rlo = q2; if (q2 > rhi) rhi = q2 }
      }
      if (list != "") printf "%-9s %s / %s = %.3f (%.3f-%.3f)\n", order[s], prog[a], prog[b], median(list), rlo, rhi
    }
  }' "$results"

if ((check_rate)); then
  echo
  for size in $sizes; do
    for ((i = 0; i < ${#names[@]}; ++i)); do
      [[ ${names[i]} == ifs ]] || frame_rate "$size" "${names[i]}" "${programs[i]}"
    done
  done
fi
