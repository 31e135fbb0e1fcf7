#!/usr/bin/env bash
# Builds GoogleTest for 64-bit Windows from Debian's own sources in /usr/src/googletest (no
# download), cached outside the clone and keyed by the googletest and compiler versions.
# Prints the install prefix (for GTest_DIR: <prefix>/lib/cmake/GTest) as the last line.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/windows/cache.sh"

key="$(dpkg-query -W -f='${Package} ${Version}\n' googletest g++-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev | sha256sum | cut -c1-16)"
cache_dir="$(quarvel_cache_dir)"
prefix="$cache_dir/googletest-mingw-$key"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

exec 9>"$cache_dir/googletest-mingw.lock"
flock 9
if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$prefix"
    work="$(mktemp -d "$cache_dir/.googletest-mingw-build.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    if ! {
        cmake -S /usr/src/googletest -B "$work/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" &&
            cmake --build "$work/build" -j "${QUARVEL_JOBS:-$(nproc)}" &&
            DESTDIR="$work/stage" cmake --install "$work/build"
    } >"$work/build.log" 2>&1; then
        tail -n 40 "$work/build.log" >&2
        exit 1
    fi
    touch "$work/stage$prefix/.complete"
    mv "$work/stage$prefix" "$prefix"
fi
echo "$prefix"
