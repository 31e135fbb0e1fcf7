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
cache_dir="$(quarvel_cache_dir)"
prefix="$cache_dir/dxflib-mingw-${source_version//[^A-Za-z0-9.]/_}-$key"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

exec 9>"$cache_dir/dxflib-mingw.lock"
flock 9
if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$prefix"
    work="$(mktemp -d "$cache_dir/.dxflib-mingw-build.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    quarvel_fetch_source dxflib "$source_version" "$work"
    stage="$work/stage$prefix"
    mkdir -p "$stage/include/dxflib" "$stage/lib" "$work/objects"
    # Two sources and no configuration: the library's own build system (qmake or
    # autotools) would add nothing for a static library.
    if ! {
        for source in dl_dxf dl_writer_ascii; do
            "$compiler" "${flags[@]}" -c "$work/src/src/$source.cpp" -o "$work/objects/$source.o" ||
                exit 1
        done
        "$archiver" rcs "$stage/lib/libdxflib.a" "$work"/objects/*.o
    } >"$work/build.log" 2>&1; then
        tail -n 40 "$work/build.log" >&2
        exit 1
    fi
    cp "$work"/src/src/*.h "$stage/include/dxflib/"
    # GPL version 2 or later: the package carries the licence and the copyright notice.
    doc="$stage/share/doc/dxflib-mingw"
    mkdir -p "$doc"
    cp "$work/src/gpl-2.0greater.txt" "$doc/gpl-2.0greater.txt"
    cp "$work/src/debian/copyright" "$doc/copyright"
    touch "$stage/.complete"
    mv "$stage" "$prefix"
fi
echo "$prefix"
