#!/usr/bin/env bash
# Compiles the core (device link, configuration data and files, settings
# file) for Windows with MinGW, so that the Win32 serial layer the engineers
# in the field run keeps compiling although it is built and tested on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=x86_64-w64-mingw32-g++-posix
sources=$(ls link/*.cpp config/*.cpp app/settings_file.cpp | grep -v serial_port_posix)
for source in $sources; do
  "$cxx" -std=c++20 -Wall -Wextra -fsyntax-only -I. "$source"
done
echo "windows core: $(echo "$sources" | wc -w) sources compile for Win32"
