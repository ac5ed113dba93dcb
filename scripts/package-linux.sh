#!/usr/bin/env bash
# Makes the .deb for Linux engineers, dist/vkt53_<version>_amd64.deb, with
# CPack from the build folder (VKT53_BUILD_DIR, default build): vkt53,
# vkt53-cli and vkt53-emu in /usr/bin, the desktop entry and its icon, the
# README. Its dependencies are the Qt and C++ runtime packages of the
# distribution it is built on, as dpkg-shlibdeps finds them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh linux-package

build=${VKT53_BUILD_DIR:-build}
werror=${VKT53_WERROR:-OFF}  # ON in CI: warnings are errors
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVKT53_WERROR="$werror" >/dev/null
ninja -C "$build" vkt53 vkt53-cli vkt53-emu

rm -f "$build"/package/vkt53_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
mkdir -p dist
deb=$(ls "$build"/package/vkt53_*_amd64.deb)
cp "$deb" dist/
echo "dist/$(basename "$deb")"
