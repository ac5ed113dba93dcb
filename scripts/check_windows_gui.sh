#!/usr/bin/env bash
# Smoke check of the Windows package: vkt53.exe, unzipped into a folder with
# a Cyrillic name, runs under wine on a bare X server against vkt53-emu,
# which wine sees as COM1. Keys drive it the way an engineer would: set up
# the link, connect, look at the identification, open "Параметры
# конфигурации" and go back, "Выход". It is judged by what the device saw
# (the emulator's log), by the settings file written at exit, and by the
# texts the windows show, read back from screenshots, so that text drawn
# invisibly or in a font without Cyrillic fails it.
#
#   scripts/check_windows_gui.sh [package.zip]   (default: the newest in dist/)
# Screenshots, their texts and the logs stay in build-wine-gui/.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

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

# --- the device: non-default identification, modem command and speed, so
# that what the windows show can only have come from it ---
cat > "$work/run/device-state.txt" <<'EOF'
hardware = 7
table0.4 = 18 0B 1C 0E 2D 07
modem = ATDT4957
EOF
link="$work/run/ttyVKT53"
build/bin/vkt53-emu --link "$link" --state "$work/run/device-state.txt" --speed 9600 --log \
  > "$work/run/emulator.out" 2> "$work/run/emulator.log" &
started+=($!)
wait_for "the emulator's terminal" 10 test -e "$link"
# The port map is read when wine starts its devices: set it, then restart.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$link" /f > /dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w

# --- the package, in a folder an engineer might choose ---
folder="$work/run/Проверка vkt53"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
program_folder=$(dirname "$(find "$folder" -name vkt53.exe | head -n1)")
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
}

connection="Параметры связи с КОРДИНом"
identification="Параметры идентификации контроллера"
configuration="Параметры конфигурации КОРДИНа"
main="Программа обслуживания устройства параллельного доступа КОРДИН (vkt53-sx)"

# 1. The connection dialog: 9600 bit/s (the device's speed), following-bytes
#    wait 4321 ms, RTS pause 15 ms; focus left on a button so that no caret
#    or selection covers the values.
wait_for "the connection dialog" 60 window_shown "$connection"
point_at "$connection"
keys Tab; type_text 9600
keys Tab Tab Tab; type_text 4321
keys Tab Tab; type_text 15
keys Tab
sleep 0.5                                    # the last key's repaint
shoot 1-connection
read_window "$connection" 1-connection
judge_shows 1-connection "connection dialog" "Порт подключения" "Скорость обмена" "COM1" 9600 4321 15

# 2. "Связаться" (Enter from the RTS field): the device is identified.
keys shift+Tab Return
wait_for "the connection dialog to close" 20 window_gone "$connection"
wait_for "the identification read" 30 grep -q 'read table 0 fields 0..16 -> answered' "$work/run/emulator.log"

# 3. "Параметры" > "Параметры идентификации".
menu_command "$identification" Down Return
sleep 0.5
shoot 2-identification
read_window "$identification" 2-identification
judge_shows 2-identification "identification window" "Код типа контроллера" "3 (Чтение и запись)" \
  "28.11.24" "14:45:07" "Разрушенных таблиц нет"
keys Escape
wait_for "the identification window to close" 10 window_gone "$identification"

# 4. "Параметры" > "Параметры конфигурации": tables 3, 5, 6 and 1 read, the
#    editor shows them; Esc goes back to the main window.
menu_command "$configuration" Down Down Return
sleep 0.5
shoot 3-configuration
read_window "$configuration" 3-configuration
judge_shows 3-configuration "configuration editor" "Скорость обмена с ВУ" 9600 ATDT4957 "Строка инициализации"
keys Escape
wait_for "the editor to close" 10 window_gone "$configuration"
sleep 0.5
shoot 4-main
read_window "$main" 4-main
judge_shows 4-main "main window" "Файлы конфигурации" "Выход" "COM1" "9600 бит/с"

# 5. "Выход", the last item of the menu bar: the program ends and saves.
keys Escape alt Left Return
exited() { ! kill -0 "$program" 2>/dev/null; }
judge "the program ends on \"Выход\"" wait_for "the program to end" 20 exited

# --- what the device saw: the identification, then tables 3, 5, 6, 1 ---
requests=$(sed -n 's/.*request [0-9]*: function 29, address 0: read table \([0-9]*\) .*-> answered/\1/p' \
  "$work/run/emulator.log" | uniq | tr '\n' ' ')
echo "      the device answered reads of tables: $requests"
judge "the device was identified, at connection and for the window" \
  test "$(grep -c 'read table 0 fields 0..16 -> answered' "$work/run/emulator.log")" -ge 2
judge "the configuration was read: tables 3, 5, 6 and 1 in turn" \
  grep -q '^0 3 5 6 1 $' <<< "$requests"

# --- the settings file beside the program: what was set in the dialog ---
ini="$program_folder/INI/vkt53.ini"
expected="00 00 01 80 25 00 00 00 01 e1 10 00 00 02 00 00 00 0f 00 00 00"
actual=$( [ -f "$ini" ] && od -An -tx1 -v "$ini" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//' )
echo "      INI/vkt53.ini: ${actual:-missing}"
judge "the settings file holds COM1, 9600 bit/s, 4321 ms, 15 ms" test "$actual" = "$expected"
judge "the CONFIG folder is beside the program" test -d "$program_folder/CONFIG"

echo "screenshots and their texts: $shots"
finished=true
echo "windows package check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
