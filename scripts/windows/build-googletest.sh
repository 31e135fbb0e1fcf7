#!/usr/bin/env bash
# Builds GoogleTest for 64-bit Windows from Debian's own sources in /usr/src/googletest (no
# download), cached outside the clone and keyed by the googletest and compiler versions.
# Prints the install prefix (for GTest_DIR: <prefix>/lib/cmake/GTest) as the last line.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/windows/cache.sh"

key="$(dpkg-query -W -f='${Package} ${Version}\n' googletest g++-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev | sha256sum | cut -c1-16)"
build() { # work stage
    if ! {
        cmake -S /usr/src/googletest -B "$1/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" &&
            cmake --build "$1/build" -j "${QUARVEL_JOBS:-$(nproc)}" &&
            DESTDIR="$1/stage" cmake --install "$1/build"
    } >"$1/build.log" 2>&1; then
        tail -n 40 "$1/build.log" >&2
        return 1
    fi
}
prefix="$(quarvel_cache_dir)/googletest-mingw-$key"
quarvel_build_once "$prefix" googletest-mingw build
