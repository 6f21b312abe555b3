# shellcheck shell=bash
# Which Wine runs a Windows program: the one rule of every script that starts Wine.
# VELMORA_WINE, when set, names the loader for every program. Otherwise a 64-bit
# program runs under Wine's 64-bit loader and a 32-bit one under the 32-bit
# loader. Debian's `wine` command takes the 32-bit loader whenever 32-bit Wine is
# installed, even for a 64-bit program, and a kernel without 32-bit emulation
# cannot start that loader at all.
#   wine_loader_for PROGRAM    prints the loader's path
wine_loader_for() {
  if [[ -n ${VELMORA_WINE:-} ]]; then
    echo "$VELMORA_WINE"
  elif pe_is_64_bit "$1"; then
    echo /usr/lib/wine/wine64
  else
    echo /usr/lib/wine/wine
  fi
}

# pe_is_64_bit PROGRAM: its PE header names the x86-64 machine (0x8664; x86 is 0x14c).
pe_is_64_bit() {
  local header machine
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null) && machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null) &&
    [[ ${machine// /} == 8664 ]]
}

# Whether this kernel starts 32-bit x86 programs (a kernel booted with
# ia32_emulation=off, or built without it, does not).
wine_runs_32_bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
