#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running vkt53 need,
# only those that are missing, so that a fresh machine needs nothing by hand.
#   setup.sh                  the Linux build, tests and run
#   setup.sh windows          also what scripts/check_windows.sh needs
#   setup.sh windows-build    also what scripts/build-windows.sh needs
#   setup.sh windows-check    also what scripts/check_windows_gui.sh needs
#   setup.sh look             also a window manager and screenshots, to look
#                             at the windows framed under Xvfb
#   setup.sh linux-package    also what scripts/package-linux.sh needs
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config python3
  qt6-base-dev libgl-dev            # Qt 6 Widgets and its GL headers
  qt6-translations-l10n             # the toolkit's own texts (file dialogs) in Russian
  libgtest-dev                      # GoogleTest for the core tests
  nlohmann-json3-dev                # a JSON parser not ours, to read vkt53-cli's --json in its tests
  xvfb xauth                        # running the tool without a display (scripts/run.sh)
  fonts-dejavu-core                 # a font with Cyrillic glyphs
  g++-mingw-w64-x86-64-posix        # CI compiles the core for Windows too
  ser2net                           # a serial device server for the network port tests
  poppler-utils                     # pdftotext, pdfinfo: the tests read the saved PDF report
)
for group in "$@"; do
  case "$group" in
    windows) packages+=(
      wine wine64                   # the Windows check runs the Win32 layer under wine
    ) ;;
    windows-build) packages+=(
      dpkg-dev                      # apt-get source: Debian's Qt source for the cross-build
      zip
    ) ;;
    windows-check) packages+=(
      wine wine64                   # running vkt53.exe
      fonts-wine                    # Tahoma with Cyrillic, which wine's own windows need
      xdotool imagemagick unzip     # driving the windows, screenshots, the package
      tesseract-ocr tesseract-ocr-rus   # reading the texts the windows show
    ) ;;
    look) packages+=(
      openbox                       # frames the windows as a desktop would: buttons, captions
      imagemagick xdotool           # screenshots (import -window root), driving the windows
    ) ;;
    linux-package) packages+=(
      dpkg-dev file                 # CPack finds the .deb's dependencies with dpkg-shlibdeps and file
    ) ;;
    *) echo "setup: unknown group $group" >&2; exit 2 ;;
  esac
done

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
