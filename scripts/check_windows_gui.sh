#!/usr/bin/env bash
# Smoke check of the Windows package, unzipped into a folder with a Cyrillic
# name, under wine against vkt53-emu, which wine sees as COM1.
#
# First vkt53-cli.exe, as the package's README.txt shows it, its output
# redirected into files (UTF-8): "identify" of a device that asks for table 6
# to be restored, "read -o" into CONFIG under a Cyrillic name, "show" of that
# file. Then the device restarts without the file's unit 9, still asking for
# table 6, and vkt53.exe runs on a bare X server, driven by keys the way an
# engineer would: set up the link, connect, restore table 6 from that file
# through the table status window, look at the identification, open
# "Параметры конфигурации", change the port of unit 1 and write it, save
# the configuration report as PDF, "Выход". Last, "identify" once
# more. It is judged by what the device saw and holds
# (the emulator's log and state), by the settings file written at exit, and
# by the texts the windows show, read back from screenshots, so that text
# drawn invisibly or in a font without Cyrillic fails it.
#
#   scripts/check_windows_gui.sh [package.zip]   (default: the newest in dist/)
# Screenshots, their texts and the logs stay in build-wine-gui/.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
check_started=$SECONDS

zip=${1:-$(ls -t dist/vkt53-*-windows-x64.zip 2>/dev/null | head -n1)}
[ -f "$zip" ] || { echo "check_windows_gui: no package; run scripts/build-windows.sh" >&2; exit 2; }
zip=$(realpath "$zip")

bash scripts/setup.sh windows-check
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build vkt53-emu >/dev/null

work="$repo/build-wine-gui"
shots="$work/shots"
rm -rf "$work/run" "$shots"
mkdir -p "$work/run" "$shots"
export WINEPREFIX="$work/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="     # no Mono or Gecko installer windows

passed=0
failed=0
judge() {  # judge <what> <command...>: one line of the verdict
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok    $what"
  else failed=$((failed + 1)); echo "FAIL  $what"; fi
}

started=()
finished=false
cleanup() {
  local pid
  $finished || echo "windows package check: stopped early, $passed passed, $((failed + 1)) failed"
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true           # this check's own prefix only
}
trap cleanup EXIT

# Waits up to <seconds> for <command> to succeed; fails loudly otherwise.
wait_for() {
  local what=$1 seconds=$2; shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ $SECONDS -ge $deadline ]; then echo "check_windows_gui: gave up waiting for $what" >&2; return 1; fi
    sleep 0.2
  done
}

# --- the bare X server, on a display number it picks itself ---
exec 3> "$work/run/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp > "$work/run/xvfb.log" 2>&1 &
started+=($!)
wait_for "the X server" 10 test -s "$work/run/display"
export DISPLAY=":$(head -n1 "$work/run/display")"

# --- the wine prefix: created once, with Tahoma (wine's own windows and the
# toolkit's default font take it; without it Cyrillic falls back to a font
# that leaves digits in edit fields invisible) ---
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "check_windows_gui: creating the wine prefix"
  wineboot -i > "$work/run/wineboot.log" 2>&1
  wineserver -w
fi
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# --- the device: non-default identification, modem command, speed and
# units, so that what the windows and the terminal tool show can only have
# come from it. Unit 1 on port A at 9600 bit/s; unit 9, on port C at 19200
# bit/s, only in the configuration file read from it ---
link="$work/run/ttyVKT53"
state="$work/run/device-state.txt"
device_state() {
  cat <<'EOF'
hardware = 7
table0.4 = 18 0B 1C 0E 2D 07
modem = ATDT4957
table6.1 = 2B
EOF
}
emulator=""
start_emulator() {  # start_emulator <log name> <options...>
  local log=$1; shift
  build/bin/vkt53-emu --link "$link" --state "$state" --speed 9600 --log "$@" \
    > "$work/run/$log.out" 2> "$work/run/$log.log" &
  emulator=$!
  started+=("$emulator")
  wait_for "the emulator's terminal" 10 test -e "$link"
}
# Stopped by SIGTERM, the emulator writes its state file and removes the link.
stop_emulator() {
  kill "$emulator"
  wait "$emulator" || true
}

{ device_state; echo "table6.9 = 6F"; } > "$state"
start_emulator emulator-cli --corrupt 6
# The port map is read when wine starts its devices: set it, then restart.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$link" /f > /dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w

# --- the package, in a folder an engineer might choose ---
folder="$work/run/Проверка vkt53"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
program_folder=$(dirname "$(find "$folder" -name vkt53.exe | head -n1)")
config_file="Подстанция №1 ёж.cnf"

# --- vkt53-cli.exe from the program folder, as README.txt shows it. Its
# output goes into a file, where the Russian must be UTF-8; standard error
# goes into a file too (a wine server started here would keep a terminal) ---
cli() {  # cli <output name> <arguments...>: sets cli_status
  local name=$1; shift
  cli_status=0
  (cd "$program_folder" && exec wine vkt53-cli.exe "$@" > "$work/run/$name.txt" 2> "$work/run/$name.err") ||
    cli_status=$?
  sed 's/^/      /' "$work/run/$name.txt"
}
says() { tr -d '\r' < "$work/run/$1.txt" | grep -qxF -- "$2"; }  # says <output name> <whole line>
judge_says() {
  local name=$1 what=$2 line
  shift 2
  for line in "$@"; do judge "$what says \"$line\"" says "$name" "$line"; done
}

cli identify identify --port COM1 --speed 9600
judge "vkt53-cli identify ends with 0" test "$cli_status" = 0
judge_says identify "identify" "Код типа контроллера: 8" "Версия аппаратного обеспечения: 7" \
  "Версия программного обеспечения: 3 (Чтение и запись)" "Дата создания ПО: 28.11.24  14:45:07" \
  "Наличие разрушенных таблиц: Разрушена таблица 6"

cli read read --port COM1 --speed 9600 -o "CONFIG\\$config_file"
judge "vkt53-cli read -o \"CONFIG\\$config_file\" ends with 0" test "$cli_status" = 0
judge_says read "read" "Параметры конфигурации сохранены в файле $config_file"
judge "the file is in CONFIG under its name, 1211 bytes" \
  test "$(stat -c %s "$program_folder/CONFIG/$config_file" 2>/dev/null || echo 0)" = 1211

cli show show "CONFIG\\$config_file"
judge "vkt53-cli show ends with 0" test "$cli_status" = 0
judge_says show "show" "Параметры связи" "  Скорость обмена с ВУ: 9600 бит/с" \
  "Строка инициализации модема: \"ATDT4957\"" "  Адрес 1: порт A, 9600 бит/с" "  Адрес 9: порт C, 19200 бит/с"

# The device again, without unit 9 and still asking for table 6.
stop_emulator
device_state > "$state"
start_emulator emulator --corrupt 6

(cd "$program_folder" && exec wine vkt53.exe > "$work/run/vkt53.log" 2>&1) &
program=$!
started+=($program)

# --- reading what the screen shows ---
window_of() {  # the X window of the window with this caption, matched whole
  local pattern
  pattern=$(printf '%s' "$1" | sed 's/[][().^$*+?{}|\\]/\\&/g')
  xdotool search --name "^$pattern\$" 2>/dev/null | head -n1
}
window_shown() { [ -n "$(window_of "$1")" ]; }
window_gone() { [ -z "$(window_of "$1")" ]; }

shoot() { import -window root "$shots/$1.png"; }

# Crops the window from the screenshot and reads it with OCR in a few
# enlargements and page layouts; what any reading finds counts.
read_window() {
  local title=$1 shot=$2 window WINDOW X Y WIDTH HEIGHT SCREEN scale layout
  window=$(window_of "$title")
  eval "$(xdotool getwindowgeometry --shell "$window")"
  convert "$shots/$shot.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$shot-window.png"
  : > "$shots/$shot.txt"
  for scale in 300 400; do
    convert "$shots/$shot-window.png" -colorspace Gray -resize "$scale%" "$work/run/ocr.png"
    for layout in 11 6; do
      tesseract "$work/run/ocr.png" - -l rus+eng --psm "$layout" 2>/dev/null >> "$shots/$shot.txt"
    done
  done
}

# shows <shot> <text>: the text appears in the window's readings (blanks
# do not count: OCR joins and splits them at will).
shows() { tr -d ' \t\n' < "$shots/$1.txt" | grep -qF -- "$(echo "$2" | tr -d ' ')"; }

judge_shows() {
  local shot=$1 what=$2 text
  shift 2
  for text in "$@"; do judge "$what shows \"$text\"" shows "$shot" "$text"; done
}

# A window's screenshot and its texts, once the last key's repaint is done.
look_at() {  # look_at <title> <shot>
  sleep 0.5
  shoot "$2"
  read_window "$1" "$2"
}

# Keys go to the window under the pointer (there is no window manager to
# give the focus), so the pointer rests on the window first, off its controls.
point_at() {
  local window WINDOW X Y WIDTH HEIGHT SCREEN
  window=$(window_of "$1")
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH - 4)) $((Y + 4))
  xdotool windowfocus "$window" 2>/dev/null || true
}
keys() { xdotool key --delay 120 "$@"; }
type_text() { xdotool type --delay 120 "$1"; }

# Waits for a window by its caption and puts the pointer on it.
await_window() {  # await_window <title> <seconds>
  wait_for "\"$1\"" "$2" window_shown "$1" && point_at "$1"
}

# Opens a menu command: Alt puts the menu bar in key mode at "Параметры".
# Sent again until the window it opens is there, since the menu appears
# only once the start-up sequence has ended.
menu_command() {
  local window=$1; shift
  local deadline=$((SECONDS + 60))
  until window_shown "$window"; do
    [ $SECONDS -ge $deadline ] && { echo "check_windows_gui: \"$window\" did not open" >&2; return 1; }
    keys Escape Escape alt "$@"
    wait_for "$window" 5 window_shown "$window" 2>/dev/null || true
  done
  point_at "$window"
}

log_count() { grep -c -- "$1" "$work/run/emulator.log" || true; }
log_has_at_least() { [ "$(log_count "$2")" -ge "$1" ]; }  # log_has_at_least <count> <text>

connection="Параметры связи с КОРДИНом"
table_status="Состояние таблиц параметров конфигурации"
open_file="Выбор файла с параметрами конфигурации"
identification="Параметры идентификации контроллера"
configuration="Параметры конфигурации КОРДИНа"
unit="Параметры связи с вычислителем"
main="Программа обслуживания устройства параллельного доступа КОРДИН (vkt53-sx)"
identified='read table 0 fields 0..16 -> answered'

# 1. The connection dialog: 9600 bit/s (the device's speed), following-bytes
#    wait 4321 ms, RTS pause 15 ms; focus left on a button so that no caret
#    or selection covers the values.
await_window "$connection" 60
keys Tab; type_text 9600
keys Tab Tab Tab; type_text 4321
keys Tab Tab; type_text 15
keys Tab
look_at "$connection" 1-connection
judge_shows 1-connection "connection dialog" "Порт подключения" "Скорость обмена" "COM1" 9600 4321 15

# 2. "Связаться" (Enter from the RTS field): the device is identified and
#    reports table 6 corrupted; the table status window offers it ticked.
keys shift+Tab Return
wait_for "the connection dialog to close" 20 window_gone "$connection"
await_window "$table_status" 30
look_at "$table_status" 2-table-status
judge_shows 2-table-status "table status window" "Наименование таблицы" "Табл. 6." "Да" \
  "Записать избранные таблицы"

# 3. "Записать избранные таблицы" (the focus starts on "Выход"). The file
#    dialog opens in CONFIG, which holds only the file of step 0: the list
#    before the name field takes the focus, Space selects the file, which
#    puts its name in the field, Enter opens it. The file editor shows it,
#    unit 9 included, and "Записать в устройство" (two back from the first
#    field) writes table 6; the device is identified again.
keys Tab Tab Return
await_window "$open_file" 20
keys shift+Tab space
look_at "$open_file" 3-open-file
judge_shows 3-open-file "file dialog" "Подстанция"
keys Return
await_window "$configuration" 20
look_at "$configuration" 4-restore-editor
judge_shows 4-restore-editor "file editor before the restore" "Записать в устройство" 19200 ATDT4957
keys shift+Tab shift+Tab space
wait_for "the file editor to close" 10 window_gone "$configuration"
judge "the device is identified again after the restore" \
  wait_for "the identification after the restore" 30 log_has_at_least 2 "$identified"

# 4. "Параметры" > "Параметры идентификации": no table is corrupted now.
menu_command "$identification" Down Return
look_at "$identification" 5-identification
judge_shows 5-identification "identification window" "Код типа контроллера" "3 (Чтение и запись)" \
  "28.11.24" "14:45:07" "Разрушенных таблиц нет"
keys Escape
wait_for "the identification window to close" 10 window_gone "$identification"

# 5. "Параметры" > "Параметры конфигурации": tables 3, 5, 6 and 1 read, the
#    editor shows them with unit 1 selected. "Изменить" (five back from the
#    first field) opens unit 1; its port goes from A to B, "Принять" (two on
#    from the port); "Записать в устройство" (two on from "Изменить").
menu_command "$configuration" Down Down Return
look_at "$configuration" 6-configuration
judge_shows 6-configuration "configuration editor" "Скорость обмена с ВУ" 9600 ATDT4957 \
  "Строка инициализации" 19200
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
await_window "$unit" 10
look_at "$unit" 7-unit
judge_shows 7-unit "unit dialog" "Адрес" "Подключение" "Порт подключения" "Скорость обмена" 9600
keys Tab Down Tab Tab space
wait_for "the unit dialog to close" 10 window_gone "$unit"
point_at "$configuration"
keys Tab Tab space
wait_for "the editor to close" 10 window_gone "$configuration"
judge "the change is written and read back" \
  wait_for "the read-back of table 6" 30 log_has_at_least 2 'read table 6 fields 130..254 -> answered'
point_at "$main"
look_at "$main" 8-main
judge_shows 8-main "main window" "Файлы конфигурации" "Выход" "COM1" "9600 бит/с"

# 6. "Сервис" > "Отчёт о конфигурации..." (two on from "Файлы  конфигурации"):
#    "Из устройства" has the focus but is no dialog's default button, so
#    Space presses it; the proposed name in CONFIG is saved with Enter, and
#    "Нет" (Esc) to opening it. The PDF holds what was just written.
menu_command "Отчёт о конфигурации" Right Right Right Down Down Return
look_at "Отчёт о конфигурации" 9-report-source
judge_shows 9-report-source "report source window" "Из устройства" "COM1"
keys space
await_window "Сохранение отчёта о конфигурации" 20 || { shoot 9-report-save-missing; false; }
keys Return
await_window "?" 30
keys Escape
wait_for "the question to close" 10 window_gone "?"
report=$(find "$program_folder/CONFIG" -maxdepth 1 -name 'vkt53-sx_COM1_*.pdf' | head -n1)
judge "the report is saved as PDF in CONFIG" test -n "$report"
[ -n "$report" ] && pdftotext -layout "$report" "$work/run/report.txt" 2>/dev/null
# pdftotext may split a word where the font kerns it: compared without blanks.
report_says() { tr -d ' ' < "$work/run/report.txt" 2>/dev/null | grep -qF -- "$(echo "$1" | tr -d ' ')"; }
for text in "Отчёт о конфигурации устройства vkt53-sx" "устройство на порту COM1" \
  "Версия аппаратного обеспечения 7" "Порт B: 1 вычислитель" "Порт C: 1 вычислитель" ATDT4957 "Страница 1 из"; do
  judge "the PDF report says \"$text\"" report_says "$text"
done
point_at "$main"

# 7. "Выход", the last item of the menu bar: the program ends and saves.
keys Escape alt Left Return
exited() { ! kill -0 "$program" 2>/dev/null; }
judge "the program ends on \"Выход\"" wait_for "the program to end" 20 exited

# 8. The terminal tool sees the restored device.
cli identify-after identify --port COM1 --speed 9600
judge_says identify-after "identify after the restore" "Наличие разрушенных таблиц: Разрушенных таблиц нет"
stop_emulator

# --- what the device saw: the reads of tables, and every write ---
requests=$(sed -n 's/.*request [0-9]*: function 29, address 0: read table \([0-9]*\) .*-> answered/\1/p' \
  "$work/run/emulator.log" | uniq | tr '\n' ' ')
writes=$(sed -n 's/.*request [0-9]*: function 29, address 0: write table \([0-9]*\) fields \([0-9.]*\) .*-> written/\1:\2/p' \
  "$work/run/emulator.log" | tr '\n' ' ')
echo "      the device answered reads of tables: $requests"
echo "      the device wrote (table:fields): $writes"
judge "the reads: identification, table 7, table 1; identification twice; tables 3, 5, 6, 1; table 6 back; identification" \
  grep -q '^0 7 1 0 3 5 6 1 6 0 $' <<< "$requests"
judge "the restore wrote table 6 whole, and the editor only unit 1's field" \
  test "$writes" = "6:0..242 6:243..254 6:1..1 "

# --- what the device holds: unit 1 on port B, unit 9 from the file, no
# table asking to be restored ---
held() { grep -qx -- "$1" "$state"; }
judge "the device holds unit 1 on port B (4B) and the file's unit 9 (6F)" \
  held "table6.0 = 00 4B 00 00 00 00 00 00 00 6F 00 00 00 00 00 00"
judge "the device reports no corrupted table" held "table0 = 00 08 07 03 18 0B 1C 0E 2D 07 01 01 00 00 01 02 00"

# --- the settings file beside the program: what was set in the dialog ---
ini="$program_folder/INI/vkt53.ini"
expected="00 00 01 80 25 00 00 00 01 e1 10 00 00 02 00 00 00 0f 00 00 00"
actual=$( [ -f "$ini" ] && od -An -tx1 -v "$ini" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//' )
echo "      INI/vkt53.ini: ${actual:-missing}"
judge "the settings file holds COM1, 9600 bit/s, 4321 ms, 15 ms" test "$actual" = "$expected"
backups=$(find "$program_folder/CONFIG/backup" -name '*_vkt53-sx_hw7_sw3_b241128.cnf' 2>/dev/null | wc -l)
judge "the backup before the write is in CONFIG\\backup" test "$backups" = 1

echo "screenshots and their texts: $shots"
finished=true
echo "windows package check: $passed passed, $failed failed in $((SECONDS - check_started)) s"
[ "$failed" -eq 0 ]
