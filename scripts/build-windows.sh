#!/usr/bin/env bash
# Makes the Windows package dist/vkt53-<version>-windows-x64.zip on this
# Debian machine: Qt Core, Gui and Widgets cross-built once with MinGW-w64
# from Debian's own source of the installed Qt, then the program built
# against them and packed with the DLLs and plugins it loads, and vkt53-cli
# (no Qt, its runtime inside it) beside it.
#
#   VKT53_QT_WINDOWS  where the cross-built Qt is kept between runs
#                     (default ~/.cache/vkt53/qt6-windows)
#   VKT53_JOBS        parallel build jobs (default 2)
#   --qt-only         build (or check) the cached Qt and stop
# The program is built in build-windows-package/; the package lands in dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

source scripts/windows-qt.sh
qt_work="$qt_prefix-work"          # Debian source and Qt's build folder
jobs=${VKT53_JOBS:-2}
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# apt-get source needs a deb-src entry; Debian's images ship only binaries.
enable_debian_sources() {
  if grep -Eqs '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
    return
  fi
  echo "build-windows: enabling Debian source packages"
  local sources=/etc/apt/sources.list.d/debian.sources
  if [ -f "$sources" ]; then
    sed 's/^Types:.*/Types: deb-src/' "$sources" | as_root tee /etc/apt/sources.list.d/vkt53-debian-src.sources >/dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | as_root tee /etc/apt/sources.list.d/vkt53-debian-src.list >/dev/null
  fi
  as_root apt-get update -qq
}

# The source of exactly the Qt that is installed, whose host tools (moc,
# rcc, uic) the cross-build uses.
fetch_qt_source() {
  local version
  version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
  qt_source=$(ls -d "$qt_work"/qt6-base-*/ 2>/dev/null | head -n1 || true)
  [ -n "$qt_source" ] && [ -f "$qt_work/.source-$version" ] && return
  enable_debian_sources
  rm -rf "$qt_work/src"
  mkdir -p "$qt_work/src"
  (cd "$qt_work/src" && apt-get source -qq "qt6-base=$version")
  qt_source=$(ls -d "$qt_work"/src/qt6-base-*/ | head -n1)
  touch "$qt_work/.source-$version"
}

# Only what the program uses; the bundled libraries, so that nothing but
# the MinGW runtime has to come from outside. DirectWrite 3 with freetype
# off does not build with this MinGW; Debian's source leaves out the Wintab
# header (its licence), so there are no tablet events. OpenGL is off in
# every form: with dynamic OpenGL left on (a reconfigure keeps it) the
# Windows platform plugin does not build.
configure_qt() {
  cmake -S "$qt_source" -B "$qt_work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
    -DQT_QMAKE_DEVICE_OPTIONS=CROSS_COMPILE=x86_64-w64-mingw32- \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON -DFEATURE_png=ON \
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_icu=OFF \
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF -DFEATURE_jpeg=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_testlib=OFF \
    -DFEATURE_tabletevent=OFF
}

build_qt() {
  if [ -f "$qt_done" ]; then
    echo "build-windows: Qt for Windows from the cache $qt_prefix"
    return
  fi
  mkdir -p "$qt_work"
  # Two builds into one cache would spoil each other.
  exec 9>"$qt_work/.lock"
  flock 9
  [ -f "$qt_done" ] && return
  local started=$SECONDS
  fetch_qt_source
  configure_qt
  nice -n 10 ninja -C "$qt_work/build" -j"$jobs"
  cmake --install "$qt_work/build" >/dev/null
  touch "$qt_done"
  echo "build-windows: Qt for Windows built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s into $qt_prefix"
}

# The program against that Qt, with the checkout's own toolchain file (the
# cache may have been built from another checkout). It shares the C++
# runtime DLLs with Qt, so that one runtime serves the whole process.
# VKT53_WERROR=ON (CI) makes warnings errors; ccache, when there, keeps
# unchanged files from being compiled again.
build_program() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  "$qt_prefix/bin/qt-cmake" -S "$repo" -B "$program_build" -G Ninja \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_EXE_LINKER_FLAGS= \
    -DVKT53_WERROR="${VKT53_WERROR:-OFF}" "${launcher[@]}" \
    -DVKT53_BUILD_TESTS=OFF >/dev/null
  ninja -C "$program_build" -j"$jobs" vkt53 vkt53-cli
}

# Windows looks for a program's DLLs beside it: each DLL the executable or
# a plugin imports that comes from Qt or the MinGW runtime is copied into
# the package's root, and so are theirs in turn.
runtime_dll_path() {
  local name=$1 candidate
  for candidate in "$qt_prefix/bin/$name" "$("$mingw-g++-posix" -print-file-name="$name")"; do
    if [ -f "$candidate" ]; then echo "$candidate"; return; fi
  done
  return 0                              # not ours: Windows has it
}

copy_imported_dlls() {
  local pe=$1 name path
  for name in $("$mingw-objdump" -p "$pe" | sed -n 's/^\s*DLL Name: //p'); do
    [ -f "$package/$name" ] && continue
    path=$(runtime_dll_path "$name")
    [ -n "$path" ] || continue
    cp "$path" "$package/$name"
    copy_imported_dlls "$package/$name"
  done
}

make_package() {
  # CONFIG is there from the start, so that vkt53-cli can save into it
  # before the program has first run, as README.txt shows.
  rm -rf "$package" && mkdir -p "$package/platforms" "$package/styles" "$package/translations" "$package/CONFIG"
  cp "$program_build/bin/vkt53.exe" "$program_build/bin/vkt53-cli.exe" "$package/"
  cp "$qt_prefix/plugins/platforms/qwindows.dll" "$package/platforms/"
  # The native look of buttons, lists and edit fields on Windows 10 and 11.
  cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$package/styles/"
  cp /usr/share/qt6/translations/qtbase_ru.qm "$package/translations/"
  local pe
  for pe in "$package"/*.exe "$package"/platforms/*.dll "$package"/styles/*.dll; do
    copy_imported_dlls "$pe"
  done
  find "$package" -name '*.exe' -o -name '*.dll' | xargs "$mingw-strip" --strip-unneeded
  # The engineer's note, in Windows line ends with a byte order mark so
  # that every Notepad shows it as UTF-8.
  { printf '\xef\xbb\xbf'; sed "s/@VERSION@/$version/; s/\$/\r/" "$repo/packaging/windows/README.txt"; } > "$package/README.txt"

  mkdir -p "$repo/dist"
  rm -f "$zip"
  (cd "$(dirname "$package")" && zip -q -r -9 -X "$zip" "$(basename "$package")")
}

bash scripts/setup.sh windows-build
build_qt
[ "${1:-}" = "--qt-only" ] && exit 0

mingw=x86_64-w64-mingw32
program_build="$repo/build-windows-package"
build_program
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$program_build/CMakeCache.txt")
package="$program_build/package/vkt53-$version-windows-x64"
zip="$repo/dist/vkt53-$version-windows-x64.zip"
make_package
echo "build-windows: $zip ($(du -k "$zip" | cut -f1) KB; unpacked $(du -sk "$package" | cut -f1) KB)"
