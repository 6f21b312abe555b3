# shellcheck shell=bash
# Helpers of the settings dialog's tests: drv runs the dialog driver.
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"

SETTING_NAMES=(Zoom Quality LifeTimeOneFig Brightness CountNotReplay IntensityDeformation Res on3D onColor)
NOTHING_STORED="Zoom missing Quality missing LifeTimeOneFig missing Brightness missing CountNotReplay missing IntensityDeformation missing Res missing on3D missing onColor missing"
DEFAULTS_STORED="Zoom=80 Quality=40 LifeTimeOneFig=300 Brightness=250 CountNotReplay=5 IntensityDeformation=5 Res=0 on3D=1 onColor=0"
TITLE="    Velmora Screen Saver v.1.4 - Настройки"
DRIVER_EXE="" DIALOG_PID=""

dialog_setup() {
  e2e_init "$1" "$2"
  SAVER_EXE=$3 DRIVER_EXE=$4
  e2e_use_locale ru_RU.UTF-8 && start_xvfb && fresh_prefix
}

open_dialog() {  # Velmora.scr ARGS (default /c; --none for no argument); DIALOG_PID
  local args=("${@:-/c}")
  [[ ${args[0]} == --none ]] && args=()
  start_wine "$SAVER_EXE" "${args[@]}"
  DIALOG_PID=$E2E_WINE_PID
  drv --timeout 60 title >/dev/null || e2e_fail "the settings dialog did not open for '${args[*]}'"
}

drv() {
  e2e_wine "$DRIVER_EXE" "$@" 2>>"$E2E_RUN_DIR/driver.log" || e2e_fail "dialog_driver $* failed (see driver.log)"
}

expect_eq() { [[ $1 == "$2" ]] || e2e_fail "$3: got '$1', expected '$2'"; }

close_with() {  # ok, cancel, close or escape; Velmora.scr ends
  expect_eq "$(drv "$1")" closed "$1" && wait_exit "$DIALOG_PID" 30 || e2e_fail "Velmora.scr still runs after its dialog closed"
}

store_settings() { local pair; for pair in "$@"; do saver_set "${pair%%=*}" "${pair#*=}"; done; }

expect_stored() {  # the nine values as "NAME=VALUE" (or "NAME missing"), with the type when not REG_SZ
  local out name found got=()
  out=$(e2e_wine reg query "$SAVER_KEY" 2>/dev/null | tr -d '\r') || out=""
  for name in "${SETTING_NAMES[@]}"; do
    found="$name missing"
    [[ $out =~ $'\n'\ +${name}\ +(REG_[A-Z_]+)\ +([^$'\n']*) ]] && found="$name=${BASH_REMATCH[2]}" &&
      [[ ${BASH_REMATCH[1]} != REG_SZ ]] && found+=" (${BASH_REMATCH[1]})"
    got+=("$found")
  done
  expect_eq "${got[*]}" "$1" "stored settings"
}

# The six value texts: Quality, Zoom, LifeTimeOneFig, Brightness, IntensityDeformation, CountNotReplay.
shown_values() { drv text 1018 text 1022 text 1023 text 1035 text 1032 text 1036 | paste -sd' '; }

# Every Russian text of the open dialog with default settings, read back through
# the Unicode calls: title, captions, mode list and the warning of a mode not offered.
expect_russian_texts() {
  expect_eq "$(drv title)" "$TITLE" "title"
  expect_eq "$(drv captions | paste -sd'|')" "1031 Текущий видеорежим|1034 Цвет|1033 Освещение|1 OK|2 Cancel|\
1029 www.quorvane.example|-1 Качество (10-300):|-1 Коэффициент уменьшения картинки (10-100%):|\
-1 Число деформаций одной фигуры (100-800):|-1 Интенсивность деформации фигуры (1 - 10):|1018 40|1022 80|\
1023 300|1032 5|-1 Видеорежим:|-1 Яркость (10 - 250):|1035 250|-1 Фрактальная заставка Velmora, версия 1.4|\
1026 info@quorvane.example|-1 Спасибо всем за тестирование и советы!|-1 Не повторять последние|1036 5|-1 фигур (ы)" "captions"
  expect_eq "$(drv items 1031)" "Текущий видеорежим|320 x 240 x 32|640 x 480 x 32|800 x 600 x 32|1024 x 768 x 32|320 x 240 x 16|640 x 480 x 16|800 x 600 x 16|1024 x 768 x 16" "mode list"
  expect_eq "$(drv select 1031 5 msgbox msgbox-ok cursel 1031 | paste -sd'|')" \
    "msgbox|$WARNING|0" "the warning for 320 x 240 x 16"
}
WARNING="Внимание!|Данный видеорежим не поддерживается Вашей системой|1|icon 0"
