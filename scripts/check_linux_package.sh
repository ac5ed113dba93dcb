#!/usr/bin/env bash
# The .deb as an engineer meets it: built (scripts/package-linux.sh),
# extracted with dpkg-deb -x into a scratch root whose program folder usr/bin
# is made read-only, and run from there by an ordinary user (as root, the
# user nobody: root writes past a folder's mode bits) against the package's
# own emulator. INI and CONFIG must land in that user's ~/vkt53 and nothing
# beside the program. Ends with "N passed, M failed"; exits non-zero on any
# failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/check_steps.sh

deb=$(bash scripts/package-linux.sh | tail -n 1)
echo "== $deb"

work=$(mktemp -d)
chmod 755 "$work"
root="$work/root"
home="$work/home"
folder="$home/vkt53"
link="$home/ttyVKT53"
emulator_pid=""
gui_pid=""
cleanup() {
  stop_process "$emulator_pid"
  stop_process "$gui_pid"
  rm -rf "$work"
}
trap cleanup EXIT


mkdir -p "$home"
as_user=(env HOME="$home")
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${as_user[@]}")
fi
# A program of the user's, started in the home; with & the pid is the program's own.
as_the_user() { cd "$home" && exec "${as_user[@]}" "$@"; }
run() { (as_the_user "$@"); }

dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
chmod a-w "$bin"

echo "== what the package holds"
for file in usr/bin/vkt53 usr/bin/vkt53-cli usr/bin/vkt53-emu usr/share/applications/vkt53.desktop \
            usr/share/icons/hicolor/256x256/apps/vkt53.png usr/share/doc/vkt53/README.md; do
  check "$file" test -s "$root/$file"
done
check "the desktop entry starts /usr/bin/vkt53" \
  grep -qx 'Exec="/usr/bin/vkt53"' "$root/usr/share/applications/vkt53.desktop"
check "the desktop entry shows the theme's icon vkt53" \
  grep -qx 'Icon=vkt53' "$root/usr/share/applications/vkt53.desktop"
depends=$(dpkg-deb -f "$deb" Depends)
echo "  Depends: $depends"
check "it depends on the Qt Widgets runtime" grep -q 'libqt6widgets6' <<<"$depends"
cannot_write_program_folder() { ! run touch "$bin/probe" 2>/dev/null; }
check "the user cannot write the program folder" cannot_write_program_folder

echo "== the tool, started from the package, makes its folders in ~/vkt53"
QT_QPA_PLATFORM=offscreen as_the_user "$bin/vkt53" >"$work/gui.out" 2>&1 &
gui_pid=$!
for _ in $(seq 200); do
  [ -d "$folder/INI" ] && [ -d "$folder/CONFIG" ] && break
  kill -0 "$gui_pid" 2>/dev/null || break
  sleep 0.1
done
check "INI and CONFIG in ~/vkt53" test -d "$folder/INI" -a -d "$folder/CONFIG"
stop_process "$gui_pid"
gui_pid=""

start_emulator() {
  stop_process "$emulator_pid"
  as_the_user "$bin/vkt53-emu" --link "$link" --speed 115200 "$@" >"$work/emulator.out" 2>&1 &
  emulator_pid=$!
  for _ in $(seq 100); do [ -e "$link" ] && return 0; sleep 0.05; done
  echo "the emulator did not start:"; cat "$work/emulator.out"; exit 1
}

echo "== vkt53-cli from the package"
help=$(run "$bin/vkt53-cli" --help)
check "--help names ~/vkt53" test "$(tail -n 1 <<<"$help")" = "Папка настроек и конфигураций: $folder"
# COM1 is the emulator only through the port map in ~/vkt53/INI.
check "a port map in ~/vkt53/INI" run sh -c "echo 'COM1=$link' > '$folder/INI/comports'"
run sh -c "echo 'modem = ATDT1' > state.txt"
start_emulator --state "$home/state.txt"
check "identify on COM1 of ~/vkt53/INI/comports" run "$bin/vkt53-cli" identify --port COM1 --speed 115200
check "read -o planned.cnf" run "$bin/vkt53-cli" read --port COM1 --speed 115200 -o planned.cnf
start_emulator  # a factory-fresh device: the planned modem string differs
check "write planned.cnf" run "$bin/vkt53-cli" write --port COM1 --speed 115200 planned.cnf
shopt -s nullglob
backups=("$folder"/CONFIG/backup/*.cnf)
check "its backup in ~/vkt53/CONFIG/backup" test "${#backups[@]}" -eq 1
extra=$(ls -A "$bin" | grep -vxE 'vkt53|vkt53-cli|vkt53-emu' || true)
check "nothing beside the program${extra:+ (found: $extra)}" test -z "$extra"

echo "linux package check: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
