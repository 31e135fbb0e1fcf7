#!/usr/bin/env bash
# Configures a Windows cross build of Quarvel (warnings as errors, no benchmarks):
#   configure.sh BUILD_DIR [--no-gui] [CMAKE_ARGUMENTS...]
# Qt for Windows, dxflib, GoogleTest and libxlsxwriter come from the machine's cache and are
# built first when missing (Qt takes about 20 minutes once). --no-gui leaves out the window,
# Qt and dxflib.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$1"
shift
gui=ON
if [ "${1:-}" = "--no-gui" ]; then
    gui=OFF
    shift
fi

mingw_toolchain="$root/cmake/mingw-w64-x86_64.cmake"
toolchain_args=(-DCMAKE_TOOLCHAIN_FILE="$mingw_toolchain")
toolchain="$mingw_toolchain"
if [ "$gui" = ON ]; then
    qt_prefix="$(bash "$root/scripts/windows/build-qt.sh" | tail -n 1)"
    toolchain="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake"
    toolchain_args=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$mingw_toolchain")
    # The sheets' DXF, linked statically.
    dxflib_prefix="$(bash "$root/scripts/windows/build-dxflib.sh" | tail -n 1)"
    toolchain_args+=(-DDXFLIB_ROOT="$dxflib_prefix")
fi
gtest_prefix="$(bash "$root/scripts/windows/build-googletest.sh" | tail -n 1)"
xlsxwriter_prefix="$(bash "$root/scripts/windows/build-xlsxwriter.sh" | tail -n 1)"

# CMake keeps the toolchain file of the first run: a Windows build folder made with another
# one (another Qt build, or none) starts afresh. Any other build folder is left alone.
cached_toolchain="$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)"
if [ -f "$build/CMakeCache.txt" ] && [ "$cached_toolchain" != "$toolchain" ]; then
    if ! grep -qE '(mingw-w64-x86_64|qt6-mingw-.*qt\.toolchain)\.cmake$' <<<"$cached_toolchain"; then
        echo "$build is not a Windows build folder; choose another" >&2
        exit 1
    fi
    rm -rf "$build"
fi
cmake -S "$root" -B "$build" -G Ninja "${toolchain_args[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_WERROR=ON \
    -DQUARVEL_BUILD_GUI="$gui" -DQUARVEL_BUILD_BENCH=OFF \
    -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
    -DQUARVEL_XLSXWRITER_PREFIX="$xlsxwriter_prefix" "$@" >/dev/null
