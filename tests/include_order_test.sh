#!/usr/bin/env bash
# The core's includes run one way (ifs <- render <- settings, display <- app) and
# no core file includes a platform header; only *_win32 and *_x11 files may.
cd "$(dirname "$0")/.." || exit 1
declare -A allowed=([ifs]="ifs" [render]="ifs render" [settings]="ifs render settings"
                    [display]="ifs render display" [app]="ifs render settings display app")
bad=0
for dir in "${!allowed[@]}"; do
  for file in "$dir"/*.h "$dir"/*.cpp; do
    [[ -e $file ]] || continue
    [[ $file == *_win32.* || $file == *_x11.* ]] && continue
    while read -r included; do
      [[ " ${allowed[$dir]} " == *" ${included%%/*} "* ]] || { echo "$file includes $included"; bad=1; }
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    if grep -nE '^#include <(windows|ddraw|shellapi|X11/|sys/|unistd)' "$file"; then echo "$file: platform header"; bad=1; fi
  done
done
exit $bad
