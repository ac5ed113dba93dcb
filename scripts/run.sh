#!/usr/bin/env bash
# Builds the tool and starts it against the built-in device: vkt53-emu on a
# pseudo-terminal that INI/comports maps to COM1. Installs what is missing.
# Extra arguments go to the emulator (for example --speed 9600 --corrupt 6).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${VKT53_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" vkt53 vkt53-emu

bin="$(pwd)/$build/bin"
mkdir -p "$bin/INI"
link="$bin/ttyVKT53"
"$bin/vkt53-emu" --link "$link" --state "$bin/emulator-state.txt" "$@" > "$bin/emulator.out" &
emulator=$!
trap 'kill $emulator 2>/dev/null; wait $emulator 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.1; done

# COM1 is the emulator; every other line of the port map is kept.
map="$bin/INI/comports"
{ [ -f "$map" ] && grep -v '^COM1=' "$map" || true; echo "COM1=$link"; } > "$map.new"
mv "$map.new" "$map"
echo "emulator on $(head -n1 "$bin/emulator.out") as COM1"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: starting under xvfb-run"
  xvfb-run -a -s "-screen 0 1600x1000x24" "$bin/vkt53"
else
  "$bin/vkt53"
fi
