#!/usr/bin/env bash
# The Windows side on a line, here: builds the core, the check program and the
# benchmark for Windows with MinGW-w64, starts vkt53-emu on a pseudo-terminal,
# maps COM1 and COM12 to it for wine, and runs the check program under wine
# through the project's own Win32 layer, once for each kind of device
# (working, silent, bad checksum, short answer, device error) and once from
# program folders with Cyrillic and accented names; runs vkt53-cli.exe
# (identify, ports, read -o and show with Cyrillic file names, its output
# into a file and into a console), and identify and read over rfc2217:// to a
# ser2net in front of the emulator, by URL and by a COM number INI/comports
# maps. Ends with the benchmark's
# figures and "N passed, M failed"; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/check_steps.sh
root=$(pwd)

bash scripts/setup.sh windows

linux_build=${VKT53_BUILD_DIR:-build}
windows_build=${VKT53_WINDOWS_BUILD_DIR:-build-windows}
werror=${VKT53_WERROR:-OFF}  # ON in CI: warnings are errors
cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVKT53_WERROR="$werror" >/dev/null
ninja -C "$linux_build" vkt53-emu
cmake -S . -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVKT53_CORE_ONLY=ON -DVKT53_WERROR="$werror" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
ninja -C "$windows_build" windows_check rts_hold_bench vkt53-cli

emulator="$root/$linux_build/bin/vkt53-emu"
check="$root/$windows_build/bin/windows_check.exe"
bench="$root/$windows_build/bin/rts_hold_bench.exe"
cli="$root/$windows_build/bin/vkt53-cli.exe"

# A wine of the check's own: its prefix, no Mono or Gecko downloads, quiet.
export WINEPREFIX="$root/$windows_build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating the prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
fi

work=$(mktemp -d)
link="$work/ttyVKT53"
emulator_pid=""
ser2net_pid=""
stop_ser2net() {
  stop_process "$ser2net_pid"
  ser2net_pid=""
}
stop_emulator() {
  stop_process "$emulator_pid"
  emulator_pid=""
}
cleanup() {
  stop_ser2net
  stop_emulator
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_emulator() {
  stop_emulator
  "$emulator" --link "$link" --speed 115200 "$@" >"$work/emulator.out" 2>"$work/emulator.err" &
  emulator_pid=$!
  for _ in $(seq 100); do [ -e "$link" ] && return 0; sleep 0.05; done
  echo "the emulator did not start:"; cat "$work/emulator.err"; exit 1
}


# exited_saying <status> <expected status> <line pattern> <output>
exited_saying() { [ "$1" -eq "$2" ] && grep -q "$3" <<<"$4"; }

# Runs the check program; counts its own "N passed, M failed" line, and a
# run that ends without one (a crash) as one failure.
run_check() {
  local out
  out=$(wine "$@" 2>&1) || true
  echo "$out" | sed 's/^/  /'
  local summary
  summary=$(echo "$out" | grep -E '^[0-9]+ passed, [0-9]+ failed' | tail -n 1 || true)
  if [ -z "$summary" ]; then
    echo "  FAIL the check program ended without its count"
    failed=$((failed + 1))
    return
  fi
  passed=$((passed + $(echo "$summary" | cut -d' ' -f1)))
  failed=$((failed + $(echo "$summary" | cut -d' ' -f3)))
}

# The ports are mapped once the link exists; wine reads the map when its
# server starts. Later emulators come up under the same link.
start_emulator
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$link" /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$link" /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true

echo "== a working device on COM1 and on COM12"
run_check "$check" device 1
run_check "$check" device 12

echo "== vkt53-cli on COM1"
cli_out=$(wine "$cli" identify --port COM1 --speed 115200 2>&1) && cli_status=0 || cli_status=$?
echo "$cli_out" | sed 's/^/  /'
if [ "$cli_status" -eq 0 ] && echo "$cli_out" | grep -q "^Код типа контроллера: 8"; then
  echo "  ok   vkt53-cli identify"
  passed=$((passed + 1))
else
  echo "  FAIL vkt53-cli identify ended with $cli_status"
  failed=$((failed + 1))
fi

# Whether something listens on 127.0.0.1:<port>; a port nothing listens on.
listening() {
  awk -v local="0100007F:$(printf %04X "$1")" '$2 == local && $4 == "0A" { found = 1 }
    END { exit !found }' /proc/net/tcp
}
free_tcp_port() {
  local port
  for _ in $(seq 100); do
    port=$((20000 + RANDOM % 30000))
    listening "$port" || { echo "$port"; return 0; }
  done
  echo "no free TCP port on 127.0.0.1" >&2
  return 1
}

echo "== vkt53-cli over rfc2217:// to a ser2net in front of the emulator"
ser2net_port=$(free_tcp_port)
printf 'connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%s\n  connector: serialdev,%s,115200n81,local\n' \
  "$ser2net_port" "$link" >"$work/ser2net.yaml"
# In the foreground, without UUCP lock files (/var/lock is root's).
"$(command -v ser2net || echo /usr/sbin/ser2net)" -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" \
  >"$work/ser2net.out" 2>&1 &
ser2net_pid=$!
for _ in $(seq 100); do listening "$ser2net_port" && break; sleep 0.05; done
url="rfc2217://127.0.0.1:$ser2net_port"
net_out=$(wine "$cli" identify --port "$url" --speed 115200 2>&1) && net_status=0 || net_status=$?
echo "$net_out" | sed 's/^/  /'
check "identify --port $url (exit $net_status)" \
  exited_saying "$net_status" 0 "^Код типа контроллера: 8" "$net_out"
net_read=$(cd "$work" && wine "$cli" read --port "$url" --speed 115200 -o net.cnf 2>&1) &&
  net_status=0 || net_status=$?
echo "$net_read" | sed 's/^/  /'
check "read over $url (exit $net_status), 1211 bytes" \
  test "$net_status" -eq 0 -a "$(stat -c %s "$work/net.cnf" 2>/dev/null || echo 0)" = 1211
# A program folder of its own, whose INI/comports maps COM13 to the server.
mkdir -p "$work/netcli/INI"
cp "$cli" "$work/netcli/"
echo "COM13=$url" >"$work/netcli/INI/comports"
net_ports=$(wine "$work/netcli/vkt53-cli.exe" ports 2>&1) || true
echo "$net_ports" | sed 's/^/  /'
check "ports lists COM13 as the server's port" grep -q "^COM13  $url" <<<"$net_ports"
net_out=$(wine "$work/netcli/vkt53-cli.exe" identify --port COM13 --speed 115200 2>&1) &&
  net_status=0 || net_status=$?
check "identify --port COM13 through INI/comports (exit $net_status)" \
  exited_saying "$net_status" 0 "^Код типа контроллера: 8" "$net_out"
stop_ser2net

echo "== vkt53-cli: the ports above COM8, a Cyrillic file name, Russian in a file and in a console"
ports_out=$(wine "$cli" ports 2>&1) || true
echo "$ports_out" | sed 's/^/  /'
check "ports lists COM12 after COM8" grep -q "^COM12  " <<<"$ports_out"
engineer="$work/Инженер"
mkdir -p "$engineer"
read_out=$(cd "$engineer" && wine "$cli" read --port COM1 --speed 115200 -o "Подстанция 1.cnf" 2>&1) &&
  read_status=0 || read_status=$?
echo "$read_out" | sed 's/^/  /'
check "read -o \"Подстанция 1.cnf\" (exit $read_status)" exited_saying "$read_status" 0 \
  "^Параметры конфигурации сохранены в файле Подстанция 1.cnf" "$read_out"
check "the file is there under its name, 1211 bytes" \
  test "$(stat -c %s "$engineer/Подстанция 1.cnf" 2>/dev/null || echo 0)" = 1211
# Redirected to a file the text is UTF-8 bytes; in a console (wine makes one
# for a program on a terminal) it is written as UTF-16 and must read the same.
# (Standard error goes to a file too: a wine server started here keeps it,
# and answers a hang-up of the emulator's terminal with a dump of its objects.)
(cd "$engineer" && wine "$cli" show "Подстанция 1.cnf" >show.txt 2>show.err) && show_status=0 ||
  show_status=$?
sed 's/^/  /' "$engineer/show.txt" | head -n 3
check "show into a file (exit $show_status): Russian in UTF-8" \
  exited_saying "$show_status" 0 "^Параметры связи" "$(cat "$engineer/show.txt")"
(cd "$engineer" && LC_ALL=C.UTF-8 script -qec "wine '$cli' show 'Подстанция 1.cnf'" /dev/null) \
  >"$engineer/console.txt" 2>&1 || true
check "show in a console: Russian as written" grep -aq "Параметры" "$engineer/console.txt"
missing_out=$(cd "$engineer" && wine "$cli" show "Нет такого.cnf" 2>&1) && missing_status=0 ||
  missing_status=$?
check "a missing file with a Cyrillic name (exit $missing_status)" \
  exited_saying "$missing_status" 4 "^Ошибка открытия файла" "$missing_out"

echo "== what the connection dialog shows beside the ports"
run_check "$check" ports

for fault in "no-answer --fault-drop all" "bad-checksum --fault-bad-crc all" \
             "short-answer --fault-short all" "device-error --fault-error 24:7"; do
  set -- $fault
  name=$1
  shift
  echo "== $name"
  start_emulator "$@"
  run_check "$check" "$name"
done

# The program folder and its files, from folders with non-Latin names; the
# files must appear under those very names on this side too.
for folder in "vkt53 Тест" "vkt53 é"; do
  echo "== program folder C:\\$folder"
  place="$WINEPREFIX/drive_c/$folder"
  rm -rf "$place"
  mkdir -p "$place"
  cp "$check" "$place/"
  run_check "$place/windows_check.exe" files "$folder"
  for file in "INI/vkt53.ini:21" "CONFIG/станция ё.cnf:1211"; do
    name=${file%:*}
    size=${file##*:}
    if [ "$(stat -c %s "$place/$name" 2>/dev/null || echo 0)" = "$size" ]; then
      echo "  ok   $name is there, $size bytes"
      passed=$((passed + 1))
    else
      echo "  FAIL $name is not there with $size bytes"
      failed=$((failed + 1))
    fi
  done
done

echo "== RTS hold and processor time under wine (a Windows PC measures real Windows)"
start_emulator --no-wire-delay
wine "$bench" 300 1 2>&1 | sed 's/^/  /' || true

echo "windows check: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
