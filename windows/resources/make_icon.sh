#!/usr/bin/env bash
# Rebuilds windows/resources/velmora.ico from the figure table with the native compiler.
#   windows/resources/make_icon.sh [FIGURE]      (default: the figure the icon shows)
#   windows/resources/make_icon.sh --check       (fails when the committed icon is stale)
set -euo pipefail
cd "$(dirname "$0")/../.."

figure=${ICON_FIGURE:-5}
check=0
case ${1:-} in
  --check) check=1 ;;
  "") ;;
  *) figure=$1 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
${CXX:-g++} -std=c++20 -O1 -ffp-contract=off -I. -o "$work/make_icon" windows/resources/make_icon.cpp \
  core/ifs/random_source.cpp core/ifs/figures.cpp core/ifs/chaos.cpp core/render/plot.cpp
"$work/make_icon" "$work/velmora.ico" "$figure"

if (( check )); then
  cmp -s "$work/velmora.ico" windows/resources/velmora.ico || { echo "resources/velmora.ico is stale: run $0" >&2; exit 1; }
else
  cp "$work/velmora.ico" windows/resources/velmora.ico
  echo "wrote windows/resources/velmora.ico (figure $figure)"
fi
