#!/usr/bin/env bash
# Fails if a Windows program imports a DLL of the toolchain (libwinpthread,
# libstdc++, libgcc_s, ...) instead of having it linked in statically.
#   check-imports.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
status=0
for program in "$@"; do
  imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
  if [[ -z $imports ]]; then
    echo "$program: no imports found" >&2
    status=1
  elif grep -i '^lib' <<<"$imports" >&2; then
    echo "$program imports the toolchain DLLs above" >&2
    status=1
  else
    echo "$program imports only: $(tr '\n' ' ' <<<"$imports")"
  fi
done
exit "$status"
