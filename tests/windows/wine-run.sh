#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest and passes its exit status on.
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a Wine prefix inside the build tree, made on first use by the loader
# of the program's word size (wine.sh).
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2
  exit 2
fi
prefix=$1
shift
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/wine.sh"
loader=$(wine_loader_for "$1")

"$here/wine-prefix.sh" "$prefix" "$loader"

export WINEPREFIX=$prefix
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEDEBUG=${WINEDEBUG:--all}
exec "$loader" "$@"
