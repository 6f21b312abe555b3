# shellcheck shell=bash
# Helpers of the configuration dialog's end-to-end tests, on top of lib.sh and
# the saver's helpers (saver_common.sh).
#   dialog_setup BUILD_DIR NAME SAVER DRIVER   # Russian locale, screen, prefix
#   open_dialog [ARGS...]                      # Velmora.scr ARGS (default /c); DIALOG_PID
#   drv COMMAND...                             # the dialog driver; output in UTF-8
#   expect_eq ACTUAL EXPECTED WHAT
#   store_settings NAME=VALUE...               # REG_SZ values in the settings key
#   stored_settings                            # "NAME=VALUE" lines, nine names in order
#   expect_stored "NAME=VALUE ..."             # the nine stored values, all REG_SZ
#   finish_dialog                              # waits for Velmora.scr to end
source "$(dirname "${BASH_SOURCE[0]}")/saver_common.sh"

SETTING_NAMES=(Zoom Quality LifeTimeOneFig Brightness CountNotReplay IntensityDeformation Res on3D onColor)
DRIVER_EXE=""
DIALOG_PID=""

dialog_setup() {
  e2e_init "$1" "$2"
  SAVER_EXE=$3
  DRIVER_EXE=$4
  [[ -f $SAVER_EXE ]] || e2e_fail "$SAVER_EXE is not built"
  [[ -f $DRIVER_EXE ]] || e2e_fail "$DRIVER_EXE is not built"
  e2e_use_russian_locale
  start_xvfb
  fresh_prefix
}

# open_dialog [ARGS...]: starts Velmora.scr with ARGS (/c when none is given;
# --none for an empty argument string) and waits until its dialog is open.
open_dialog() {
  local args=("$@")
  (($# > 0)) || args=(/c)
  [[ ${args[0]} == --none ]] && args=()
  start_wine "$SAVER_EXE" "${args[@]}"
  DIALOG_PID=$E2E_WINE_PID
  drv --timeout 60 title >/dev/null || e2e_fail "the settings dialog did not open for '${args[*]}'"
}

# drv COMMAND...: runs the driver; its texts come in code page 1251 and are
# printed in UTF-8. Fails the test when the driver fails.
drv() {
  local out status=0
  out=$(e2e_wine "$DRIVER_EXE" "$@" 2>>"$E2E_RUN_DIR/driver.log" | iconv -f CP1251 -t UTF-8) || status=$?
  ((status == 0)) || e2e_fail "dialog_driver $* failed (see driver.log)"
  printf '%s\n' "$out"
}

expect_eq() {
  [[ $1 == "$2" ]] || e2e_fail "$3: got '$1', expected '$2'"
}

# finish_dialog: Velmora.scr ends once its dialog has closed.
finish_dialog() {
  wait_exit "$DIALOG_PID" 30 || e2e_fail "Velmora.scr still runs after its dialog closed"
}

store_settings() {
  local pair
  for pair in "$@"; do
    wine_reg_add "$SAVER_KEY" "${pair%%=*}" REG_SZ "${pair#*=}" || e2e_fail "cannot store $pair"
  done
}

# stored_settings: the nine values as "NAME=VALUE" (or "NAME missing"), each
# followed by its type when it is not REG_SZ, read with one `wine reg query`.
stored_settings() {
  local out name line found
  out=$(e2e_wine reg query "$SAVER_KEY" 2>/dev/null | tr -d '\r') || out=""
  for name in "${SETTING_NAMES[@]}"; do
    found="$name missing"
    while IFS= read -r line; do
      if [[ $line =~ ^\ +${name}\ +(REG_[A-Z_]+)\ +(.*)$ ]]; then
        found="$name=${BASH_REMATCH[2]}"
        [[ ${BASH_REMATCH[1]} == REG_SZ ]] || found+=" (${BASH_REMATCH[1]})"
      fi
    done <<<"$out"
    echo "$found"
  done
}

# expect_stored "Zoom=80 Quality=40 ...": all nine, in the order of SETTING_NAMES.
expect_stored() {
  local got
  got=$(stored_settings | paste -sd' ')
  expect_eq "$got" "$1" "stored settings"
}

# The six value texts in the order Quality, Zoom, LifeTimeOneFig, Brightness,
# IntensityDeformation, CountNotReplay, on one line.
shown_values() {
  drv text 1018 text 1022 text 1023 text 1035 text 1032 text 1036 | paste -sd' '
}
