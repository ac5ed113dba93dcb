#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running vkt53 need,
# only those that are missing, so that a fresh machine needs nothing by hand.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config python3
  qt6-base-dev libgl-dev            # Qt 6 Widgets and its GL headers
  qt6-translations-l10n             # the toolkit's own texts (file dialogs) in Russian
  libgtest-dev                      # GoogleTest for the core tests
  xvfb xauth                        # running the tool without a display (scripts/run.sh)
  fonts-dejavu-core                 # a font with Cyrillic glyphs
  g++-mingw-w64-x86-64-posix        # CI compiles the core for Windows too
)

# "windows": also what the Windows check needs (wine runs the Win32 layer).
if [ "${1:-}" = "windows" ]; then
  packages+=(wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
