#!/usr/bin/env bash
# The installer under Wine, silent both ways, from two states before: another
# screen saver chosen and screen savers off, and no screen saver ever chosen.
# The installation puts Velmora.scr into the system folder of the installer's
# word size (a 64-bit installer's saver is 64-bit too), makes it the
# current user's screen saver and registers the uninstaller; the saver runs from
# there; the uninstallation gives back the state before.
#   installer_test.sh BUILD_DIR SETUP_EXE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
e2e_init "$1" installer
setup=$2
start_xvfb
fresh_prefix
desktop='HKCU\Control Panel\Desktop'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora Screen Saver'

reg_value() {  # KEY NAME: the value's data, or "missing"
  [[ $(e2e_wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') =~ REG_[A-Z_]+\ +([^$'\n']*) ]] && echo "${BASH_REMATCH[1]}" || echo missing
}
desktop_state() { echo "$(reg_value "$desktop" SCRNSAVE.EXE)|$(reg_value "$desktop" ScreenSaveActive)"; }

# The system folder of the installer's word size: for 32 bits, syswow64 in a 64-bit prefix.
folder=system32 SAVER_EXE='C:\windows\system32\Velmora.scr'
if ! pe_is_64_bit "$setup" && [[ -d $E2E_PREFIX/drive_c/windows/syswow64 ]]; then
  folder=syswow64 SAVER_EXE='C:\windows\SysWOW64\Velmora.scr'
fi
installed=$E2E_PREFIX/drive_c/windows/$folder/Velmora.scr

for before in 'C:\windows\system32\other.scr|0' 'missing|missing'; do
  for name in SCRNSAVE.EXE ScreenSaveActive; do wine_reg_delete "$desktop" "$name" || true; done
  [[ ${before%|*} == missing ]] || wine_reg_add "$desktop" SCRNSAVE.EXE REG_SZ "${before%|*}"
  [[ ${before#*|} == missing ]] || wine_reg_add "$desktop" ScreenSaveActive REG_SZ "${before#*|}"
  [[ $(desktop_state) == "$before" ]] || e2e_fail "the screen saver is $(desktop_state) before, not $before"

  e2e_wine "$(wine_path "$setup")" /S || e2e_fail "the silent installation failed"
  cmp -s "$installed" "$(dirname "$setup")/windows/Velmora.scr" || e2e_fail "Velmora.scr is not in $folder"
  [[ $(desktop_state) == "$SAVER_EXE|1" ]] || e2e_fail "the screen saver is $(desktop_state) after the installation"
  quiet=$(reg_value "$uninstall" QuietUninstallString)
  [[ $quiet == *'Uninstall.exe" /S' ]] || e2e_fail "no quiet uninstaller registered: $quiet"

  # The saver runs from its new place, as the system starts it.
  saver_start /s
  wait_drawing 60 || e2e_fail "the installed saver draws nothing (see $SHOT)"
  xdotool key a
  saver_ends_within 10 || e2e_fail "the installed saver still runs after a key"

  uninstaller=${quiet%\"*}
  e2e_wine "${uninstaller#\"}" /S || e2e_fail "the silent uninstallation failed"
  # The uninstaller goes on in a copy of itself: poll for its end.
  e2e_uninstalled() { [[ ! -e $installed && $(reg_value "$uninstall" DisplayName) == missing ]]; }
  poll_until 60 e2e_uninstalled || e2e_fail "Velmora.scr or its uninstall entry is still there"
  poll_until 10 eval '[[ $(desktop_state) == "$before" ]]' || e2e_fail "the screen saver is $(desktop_state), not $before again"
  e2e_log "installed and uninstalled from $before"
done
e2e_log "installer test passed"
