#!/usr/bin/env bash
# Builds everything and runs every test: the core's, the emulator's and the
# windows' (on Qt's offscreen platform). Installs what is missing first.
# VKT53_WERROR=ON in the environment makes warnings errors (as in CI).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
build=${VKT53_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVKT53_WERROR="${VKT53_WERROR:-OFF}" >/dev/null
ninja -C "$build"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
