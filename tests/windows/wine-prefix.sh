#!/usr/bin/env bash
# Makes sure PREFIX is a ready Wine prefix: made with `wineboot -i` on first use,
# and made again when the installed Wine changes. Several tests may ask at once,
# so the work is done under a lock. Prints nothing when the prefix is ready.
# LOADER is the Wine loader that makes it and runs its programs (wine.sh); a
# prefix made by the 64-bit loader runs 64-bit programs, and 32-bit ones where
# the kernel starts them.
#   wine-prefix.sh PREFIX LOADER
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 PREFIX LOADER" >&2
  exit 2
fi
prefix=$1 loader=$2
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

export WINEPREFIX=$prefix
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEDEBUG=${WINEDEBUG:--all}

stamp=$prefix/.velmora-ready
version="$(basename "$loader") $("$loader" --version)"
[[ -f $stamp && $(<"$stamp") == "$version" ]] && exit 0

exec 9>"$prefix.lock"
flock 9
[[ -f $stamp && $(<"$stamp") == "$version" ]] && exit 0

if [[ -d $prefix ]]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
echo "wine-prefix: making $prefix ($version)" >&2
started=$SECONDS
# The registry reaches the disk when the server ends; wait for that.
"$loader" wineboot -i >/dev/null 2>&1 || true
wineserver -w
if [[ ! -f $prefix/system.reg ]]; then
  echo "wine-prefix: wineboot did not make $prefix" >&2
  exit 1
fi
echo "$version" >"$stamp"
echo "wine-prefix: ready in $((SECONDS - started)) s" >&2
