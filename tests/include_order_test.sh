#!/usr/bin/env bash
# Includes run one way, in every source file of the project: the core's parts in
# the order ifs <- render <- settings <- run and no platform header in the core;
# front ends include the core (and what sits below them), never each other.
cd "$(dirname "$0")/.." || exit 1

# Folder: the folders its files may include from; the most specific folder wins.
declare -A allowed=(
  [core/ifs]="core/ifs"
  [core/render]="core/ifs core/render"
  [core/settings]="core/ifs core/render core/settings"
  [core/run]="core"
  [windows/rules]="core windows/rules"
  [windows]="core windows"
  [cli]="core cli"
  [x11]="core cli x11"
  [wayland]="core cli wayland"
  [web]="core web"
  [renderer]="core cli renderer"
  [linux]="core cli x11 wayland linux"
  [bench]="core"
  [tests/core]="core tests/core"
  [tests/windows]="core windows tests"
  [tests/renderer]="core tests/core"
  [tests/cli]="core cli linux renderer"
  [tests/fuzz]="core cli linux renderer tests"
  [tests/wayland]="core cli wayland tests"
  [tests/x11]="core cli x11 tests"
  [tests/web]="core web"
)
# The run itself is the core's: drivers draw through core/run/frames.h.
core_only='core/run/(saver_run|frames_state)\.h'
# Folders whose files may include no platform header.
portable="core windows/rules"
platform='^#include <(windows\.h|ddraw\.h|shellapi\.h|X11/|wayland-|xkbcommon/|emscripten|sys/|unistd\.h|poll\.h|signal\.h|fcntl\.h)'

folder_of() {  # the most specific folder of the table that holds the file
  local dir=${1%/*}
  while [[ -n $dir && -z ${allowed[$dir]+set} ]]; do
    [[ $dir == */* ]] && dir=${dir%/*} || dir=""
  done
  echo "$dir"
}

bad=0
while read -r file; do
  folder=$(folder_of "$file")
  [[ -n $folder ]] || { echo "$file: not in a folder the include rules know"; bad=1; continue; }
  while read -r included; do
    [[ $included == */* ]] || continue  # beside the file itself
    ok=0
    for root in ${allowed[$folder]}; do [[ $included == "$root"/* ]] && ok=1; done
    ((ok)) || { echo "$file includes $included"; bad=1; }
    if [[ $included =~ ^$core_only$ && $folder != core* && $folder != tests* && $folder != bench ]]; then
      echo "$file includes $included: drivers go through core/run/frames.h"; bad=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  for root in $portable; do
    if [[ $folder == "$root" || $folder == "$root"/* ]] && grep -nE "$platform" "$file"; then
      echo "$file: platform header in a portable folder"; bad=1
    fi
  done
done < <(git ls-files '*.h' '*.cpp' '*.c' '*.rc')
exit $bad
