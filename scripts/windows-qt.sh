# Where the cross-built Qt for Windows is kept between runs; sourced by the
# scripts that build or check the Windows package, and by CI.
#   VKT53_QT_WINDOWS  the folder (default ~/.cache/vkt53/qt6-windows)
qt_prefix=${VKT53_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/vkt53/qt6-windows}
qt_done="$qt_prefix/.vkt53-qt-complete"   # written once Qt is installed whole
