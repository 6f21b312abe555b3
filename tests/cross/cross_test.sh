#!/usr/bin/env bash
# The programs of a cross tree (arm64, armhf) under the emulator against the
# native (x86-64) ones.
#   cross_test.sh CASE BUILD_DIR NATIVE_BUILD_DIR DEB_ARCH RPM_ARCH OBJDUMP VELMORA_RENDER VELMORA EMULATOR...
# CASE: frames32 | frames16 | figures | files | screen | package | code
set -uo pipefail
case_name=$1 build=$2 native=$3 arch=$4 rpm_arch=$5 objdump=$6 render=$7 velmora=$8
shift 8
emulator=("$@")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../lib.sh"
e2e_init "$build" "$arch-$case_name"
run=$E2E_RUN_DIR
native_render=$native/renderer/velmora-render
compared=0

if [[ $case_name != code && ! -x $native_render ]]; then
  e2e_fail "no native velmora-render in '$native' (configure with -DVELMORA_NATIVE_BUILD=the native Release tree, built)"
fi

# same_output NAME ARGS...: both renderers write the same files, byte for byte. In
# ARGS, OUT stands for each one's own output folder.
same_output() {
  local name=$1 side
  shift
  [[ " $* " == *" --clock "* || " $* " == *" --figure "* ]] || { fail "$name: a run needs --clock to repeat"; return; }
  rm -rf "$run/x86" "$run/$arch"
  for side in x86 "$arch"; do
    mkdir -p "$run/$side"
    local command=("$native_render")
    [[ $side == "$arch" ]] && command=("${emulator[@]}" "$render")
    "${command[@]}" --quiet "${@//OUT/$run/$side}" 2>"$run/$side.err" || {
      fail "$name: the $side velmora-render failed: $(head -n 1 "$run/$side.err")"
      return
    }
  done
  local count
  count=$(find "$run/x86" -type f | grep -c .)
  ((count > 0)) || { fail "$name: no files written"; return; }
  if diff -rq "$run/x86" "$run/$arch" >"$run/diff.txt"; then
    compared=$((compared + count))
  else
    fail "$name: $(head -n 1 "$run/diff.txt")"
  fi
}

case_frames() {
  local bits=$1
  # name | screen | options
  local rows=(
    "defaults, odd size|333x201|--clock 1700000000 --frames 120"
    "colour, zoom 50|640x480|--color 1 --zoom 50 --clock 1234567890 --frames 90"
    "unlit colour, tall|97x411|--color 1 --lighting 0 --clock 1 --frames 90"
    "figure switches and blends at 30 fps|320x240|--lifetime 25 --fps 30 --color 1 --clock 1700000000 --frames 400"
    "a switch every frame, nothing kept from repeating, strong deformation|301x167|--lifetime 1 --no-repeat 0 --intensity 9 --fps 7 --clock 999999999 --frames 300"
    "dense|200x150|--quality 150 --clock 1700000003 --frames 60"
    "odd settings taken as given|255x255|--brightness -7 --quality 3 --zoom 10 --intensity 0 --no-repeat 25 --lifetime 0 --clock 42 --frames 80"
    "brightness past a byte, zoom past 100, negative counts|300x200|--brightness 1000 --zoom 150 --lifetime -3 --quality -5 --clock 7 --frames 40"
    "a new second every frame, far clock|211x113|--fps 1 --clock 4611686018427387903 --color 1 --frames 60"
    "later frames|400x300|--color 1 --frames 700 --first-frame 650 --clock 1600000000"
    "one pixel|1x1|--clock 3 --frames 30"
    "tiny, zoom 100|3x2|--zoom 100 --color 1 --clock 1700000000 --frames 30"
    "small, zoom 100|17x9|--zoom 100 --color 1 --lifetime 5 --clock 1700000000 --frames 60"
  )
  local row name screen options
  for row in "${rows[@]}"; do
    IFS='|' read -r name screen options <<<"$row"
    # shellcheck disable=SC2086
    same_output "$bits bits, $name" --mode "${screen}x$bits" $options --raw OUT
  done
}

case_frames32() { case_frames 32; }
case_frames16() { case_frames 16; }

case_figures() {
  local tints=(1,1,1 -1,0,1 0,1,-1 1,-1,0 -1,-1,-1 0,0,1 1,0,0) figure
  for figure in {0..20}; do
    same_output "figure $figure" --figure "$figure" --tint "${tints[figure % 7]}" --lighting $((figure / 2 % 2)) \
      --mode "$((203 + figure))x$((151 + 2 * figure))x$((figure % 2 ? 16 : 32))" --raw OUT
  done
}

case_files() {
  same_output "PNG and GIF, 16 bits, colour" --mode 160x120x16 --color 1 --lifetime 10 --clock 1700000000 --frames 30 \
    --png OUT/png --gif OUT/run.gif
  same_output "PNG and GIF, 32 bits, odd size" --mode 161x97x32 --clock 5 --fps 12 --frames 25 --first-frame 5 \
    --gif-delay 7 --png OUT/png --gif OUT/run.gif
}

# dump_matches HOW RAW ZOOM: the root window holds exactly RAW's words in the figure
# area (HOW: equals, or equals-colour where a swap of red and blue would show).
dump_matches() {
  xwd -silent -root >"$run/dump.xwd" 2>/dev/null &&
    python3 "$here/../x11/screen_check.py" "$run/dump.xwd" "$@" >"$run/check.txt"
}

# The cross-built velmora, an X client under the emulator, on a screen of this machine's
# X server: its last frame equals the native velmora-render's.
case_screen() {
  local T=1700000000
  # name | velmora options (also velmora-render's, with --frame-rate as --fps) | frames
  # At this size frames of a few hundred points go as points, denser ones as an image.
  local rows=(
    "defaults, shared image||40"
    "quality 150, zoom 50, plain image|--quality 150 --zoom 50 --no-shm|20"
    "colour, figure switches, quality 3, as points|--color 1 --lifetime 20 --frame-rate 120 --quality 3|100"
  )
  local depth bits row name options frames screen=402x301
  for depth in 24 16; do
    bits=$((depth == 24 ? 32 : 16))
    start_xvfb "${screen}x$depth"
    for row in "${rows[@]}"; do
      IFS='|' read -r name options frames <<<"$row"
      name="depth $depth, $name"
      local zoom=80 how=equals
      [[ $options =~ --zoom\ ([0-9]+) ]] && zoom=${BASH_REMATCH[1]}
      [[ $options == *"--color 1"* ]] && how=equals-colour
      local render_options=${options/--frame-rate/--fps}
      render_options=${render_options/--no-shm/}
      rm -rf "$run/raw"
      # shellcheck disable=SC2086
      "$native_render" --quiet --mode "${screen}x$bits" --clock $T --frames "$frames" --first-frame $((frames - 1)) \
        --raw "$run/raw" $render_options || fail "$name: velmora-render failed"
      # shellcheck disable=SC2086
      "${emulator[@]}" "$velmora" --root --clock $T --frames "$frames" $options >"$run/velmora.log" 2>&1 &
      local vp=$!
      E2E_PIDS+=("$vp")
      local raw
      raw=$(printf '%s/raw/frame-%06d.raw' "$run" $((frames - 1)))
      if poll_until 60 dump_matches "$how" "$raw" "$zoom"; then
        compared=$((compared + 1))
      else
        fail "$name: the screen is not frame $((frames - 1)): $(cat "$run/check.txt")"
      fi
      kill -TERM "$vp"
      wait_exit "$vp" 10 && [[ $E2E_STATUS == 0 ]] || fail "$name: velmora did not end with status 0 on SIGTERM"
      ! ipcs -m -p | awk -v pid="$vp" '$3 == pid { found = 1 } END { exit !found }' || fail "$name: left a shared-memory segment"
    done
    stop_xvfb
  done
}

# package_of CONFIG NAME GENERATOR: makes the package of a tree's CPack
# configuration in a folder of its own and prints its path.
package_of() {
  local out=$run/package-$2
  mkdir -p "$out" && (cd "$out" && cpack -G "$3" --config "$1/CPackConfig.cmake" >"cpack-$3.log" 2>&1) &&
    ls "$out"/velmora[_-]*."${3,,}"
}

# The cross-built package holds the native package's files, built for its
# architecture, and depends on the same packages, as found among that
# architecture's libraries; its RPM holds the same files.
case_package() {
  local cross_deb native_deb
  cross_deb=$(package_of "$build" "$arch" DEB) || { fail "cpack failed in $build"; return; }
  native_deb=$(package_of "$native" native DEB) || { fail "cpack failed in $native"; return; }
  [[ ${cross_deb##*/} == velmora_*_$arch.deb ]] || fail "the package is named ${cross_deb##*/}"
  [[ $(dpkg-deb -f "$cross_deb" Architecture) == "$arch" ]] || fail "Architecture: $(dpkg-deb -f "$cross_deb" Architecture)"
  local listing=() deb
  for deb in "$native_deb" "$cross_deb"; do
    listing+=("$(dpkg-deb -c "$deb" | awk '{ print $1, $NF }')")
  done
  [[ ${listing[0]} == "${listing[1]}" ]] || fail "the files differ: $(diff <(echo "${listing[0]}") <(echo "${listing[1]}") | paste -sd' ')"
  # Package names without versions: an architecture may need other minimal versions.
  local depends=()
  for deb in "$native_deb" "$cross_deb"; do
    depends+=("$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*)//; s/ //g' | sort | paste -sd' ')")
  done
  [[ ${depends[0]} == "${depends[1]}" && ${depends[1]} == *libx11-6* ]] ||
    fail "Depends: '${depends[1]}', natively '${depends[0]}'"
  dpkg-deb -x "$cross_deb" "$run/unpacked"
  local program format
  format=$("$objdump" -f "$render" | grep -o 'file format .*')
  for program in usr/bin/velmora-render usr/libexec/xscreensaver/velmora; do
    "$objdump" -f "$run/unpacked/$program" | grep -qx ".*$format" || fail "$program is not in the $format of $render"
  done
  "${emulator[@]}" "$run/unpacked/usr/bin/velmora-render" --help >/dev/null || fail "the packaged velmora-render does not run"
  local cross_rpm
  cross_rpm=$(package_of "$build" "$arch" RPM) || { fail "cpack -G RPM failed in $build"; return; }
  rpm_like_deb "$cross_rpm" "$cross_deb" "$rpm_arch" "$objdump" "${emulator[@]}"
  compared=$((compared + 1))
}

# GCC fuses a multiplication and an addition into one instruction on ARM unless
# told not to (-ffp-contract=off); the fused one rounds once, and pixels change.
# (32-bit ARM's vmla and vmls round the product first: they are not fused.) And
# 32-bit programs read the calendar clock through glibc's 64-bit time_t calls,
# whose 32-bit ones end in January 2038.
case_code() {
  local program found multiply=fmul fused='fmadd|fmsub|fnmadd|fnmsub|fmla|fmls'
  [[ $arch == armhf ]] && multiply='vmul\.f64' fused='vfma|vfms|vfnma|vfnms'
  for program in "$render" "$velmora"; do
    "$objdump" -d "$program" >"$run/code.txt" || { fail "cannot disassemble $program"; continue; }
    grep -qE "\s$multiply\s" "$run/code.txt" || fail "$program: no $multiply either; is this $arch code?"
    found=$(grep -cE "\s($fused)(\.\S+)?\s" "$run/code.txt")
    ((found == 0)) || fail "$program: $found fused multiply-adds"
    "$objdump" -f "$program" | grep -q 'file format elf32' &&
      found=$("$objdump" -T "$program" | grep -oE '\s(time|clock_gettime|gettimeofday|ppoll|clock_nanosleep)$' | paste -sd,) &&
      [[ -n $found ]] && fail "$program calls glibc's 32-bit time_t functions:$found"
    compared=$((compared + 1))
  done
}

"case_$case_name"
((failures == 0)) || e2e_fail "$failures checks failed"
e2e_log "all checks passed ($compared compared)"
