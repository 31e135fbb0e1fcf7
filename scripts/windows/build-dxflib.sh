#!/usr/bin/env bash
# Builds dxflib for 64-bit Windows as a static library from Debian's own source package (the
# version of the host's libdxflib-dev, with Debian's patches), so that the Windows programs
# write DXF with the same library as the Linux ones and need no DLL for it. Cached outside
# the clone like GoogleTest, keyed by the source and compiler versions and the flags. Prints
# the install prefix (include/dxflib, lib/libdxflib.a) as the last line of standard output.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/windows/cache.sh"
source "$root/scripts/windows/deb-source.sh"

source_version="$(dpkg-query -W -f='${source:Version}' libdxflib-dev)"
compiler=x86_64-w64-mingw32-g++-posix
archiver=x86_64-w64-mingw32-ar
flags=(-O2 -std=gnu++17 -DNDEBUG)
key="$({
    echo "dxflib $source_version"
    dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    printf '%s\n' "${flags[@]}"
} | sha256sum | cut -c1-16)"
build() { # work stage
    quarvel_fetch_source dxflib "$source_version" "$1" || return 1
    mkdir -p "$2/include/dxflib" "$2/lib" "$1/objects"
    # Two sources and no configuration: the library's own build system (qmake or
    # autotools) would add nothing for a static library.
    if ! {
        "$compiler" "${flags[@]}" -c "$1/src/src/dl_dxf.cpp" -o "$1/objects/dl_dxf.o" &&
            "$compiler" "${flags[@]}" -c "$1/src/src/dl_writer_ascii.cpp" \
                -o "$1/objects/dl_writer_ascii.o" &&
            "$archiver" rcs "$2/lib/libdxflib.a" "$1"/objects/*.o
    } >"$1/build.log" 2>&1; then
        tail -n 40 "$1/build.log" >&2
        return 1
    fi
    cp "$1"/src/src/*.h "$2/include/dxflib/"
    # GPL version 2 or later: the package carries the licence and the copyright notice.
    mkdir -p "$2/share/doc/dxflib-mingw"
    cp "$1/src/gpl-2.0greater.txt" "$1/src/debian/copyright" "$2/share/doc/dxflib-mingw/"
}
prefix="$(quarvel_cache_dir)/dxflib-mingw-${source_version//[^A-Za-z0-9.]/_}-$key"
quarvel_build_once "$prefix" dxflib-mingw build
