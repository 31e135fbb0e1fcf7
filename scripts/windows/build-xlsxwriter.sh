#!/usr/bin/env bash
# Builds libxlsxwriter for 64-bit Windows as a static library from Debian's own source
# package (the version of the host's libxlsxwriter-dev) with its bundled minizip and
# Debian's zlib for mingw (libz-mingw-w64-dev), so that the Windows programs need no DLL for
# it. Cached outside the clone like GoogleTest, keyed by the source, zlib and compiler
# versions and the flags. Prints the install prefix as the last line of standard output.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/windows/cache.sh"
source "$root/scripts/windows/deb-source.sh"

source_version="$(dpkg-query -W -f='${source:Version}' libxlsxwriter-dev)"
flags=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DUSE_SYSTEM_MINIZIP=OFF
    -DUSE_NO_MD5=OFF
    -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
    -DZLIB_USE_STATIC_LIBS=ON
)
key="$({
    echo "libxlsxwriter $source_version"
    dpkg-query -W -f='${Package} ${Version}\n' libz-mingw-w64-dev g++-mingw-w64-x86-64-posix \
        mingw-w64-x86-64-dev
    printf '%s\n' "${flags[@]}"
} | sha256sum | cut -c1-16)"
build() { # work stage
    quarvel_fetch_source libxlsxwriter "$source_version" "$1" || return 1
    if ! {
        cmake -S "$1/src" -B "$1/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_INSTALL_PREFIX="$prefix" "${flags[@]}" &&
            cmake --build "$1/build" -j "${QUARVEL_JOBS:-$(nproc)}" &&
            DESTDIR="$1/stage" cmake --install "$1/build"
    } >"$1/build.log" 2>&1; then
        tail -n 40 "$1/build.log" >&2
        return 1
    fi
    # The BSD licence asks that a binary distribution carry the notice; the package takes it.
    mkdir -p "$2/share/doc/libxlsxwriter-mingw"
    cp "$1/src/License.txt" "$1/src/debian/copyright" "$2/share/doc/libxlsxwriter-mingw/"
}
prefix="$(quarvel_cache_dir)/xlsxwriter-mingw-${source_version//[^A-Za-z0-9.]/_}-$key"
quarvel_build_once "$prefix" xlsxwriter-mingw build
