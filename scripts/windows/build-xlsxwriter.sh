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
cache_dir="$(quarvel_cache_dir)"
prefix="$cache_dir/xlsxwriter-mingw-${source_version//[^A-Za-z0-9.]/_}-$key"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

exec 9>"$cache_dir/xlsxwriter-mingw.lock"
flock 9
if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$prefix"
    work="$(mktemp -d "$cache_dir/.xlsxwriter-mingw-build.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    quarvel_fetch_source libxlsxwriter "$source_version" "$work"
    if ! {
        cmake -S "$work/src" -B "$work/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_INSTALL_PREFIX="$prefix" "${flags[@]}" &&
            cmake --build "$work/build" -j "${QUARVEL_JOBS:-$(nproc)}" &&
            DESTDIR="$work/stage" cmake --install "$work/build"
    } >"$work/build.log" 2>&1; then
        tail -n 40 "$work/build.log" >&2
        exit 1
    fi
    # The BSD licence asks that a binary distribution carry the notice; the package takes it.
    doc="$work/stage$prefix/share/doc/libxlsxwriter-mingw"
    mkdir -p "$doc"
    cp "$work/src/License.txt" "$doc/License.txt"
    cp "$work/src/debian/copyright" "$doc/copyright"
    touch "$work/stage$prefix/.complete"
    mv "$work/stage$prefix" "$prefix"
fi
echo "$prefix"
