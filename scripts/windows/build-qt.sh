#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (shared mingw-w64 DLLs) from Debian's qt6-base source package,
# the same version as the host Qt whose moc, rcc and uic it uses, with only what the window
# needs. The result is cached outside the clone, keyed by the source version, the compiler
# and a hash of the configure flags and patches, so a machine builds it once (about 20
# minutes on 2 cores). Prints the install prefix as the last line of standard output.
#
# Environment: QUARVEL_CACHE_DIR (default /var/cache/quarvel, or ~/.cache/quarvel when that
# is not writable), QUARVEL_JOBS (default: the number of cores).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
patch_dir="$root/scripts/windows/qt-patches"

log() { echo "build-qt: $*" >&2; }

# The host Qt's version is the one to build: its tools must match the target libraries.
qt_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
compiler_versions="$(dpkg-query -W -f='${Package} ${Version}\n' \
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)"

# Only what Quarvel's window and its Qt tests use; everything bundled so that the DLLs
# depend on nothing but Windows and the mingw runtime.
qt_flags=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_testlib=ON
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
    -DFEATURE_icu=OFF -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
)

key_source() {
    echo "qt6-base $qt_version"
    echo "$compiler_versions"
    printf '%s\n' "${qt_flags[@]}"
    cat "$patch_dir"/*.patch
}
key="$(key_source | sha256sum | cut -c1-16)"

source "$root/scripts/windows/cache.sh"
source "$root/scripts/windows/deb-source.sh"
cache_dir="$(quarvel_cache_dir)"
prefix="$cache_dir/qt6-mingw-${qt_version//[^A-Za-z0-9.]/_}-$key"

# Qt's own translations are not part of qtbase; Debian's catalogue serves every system, and
# Qt looks for it in the prefix. Added to a finished prefix too, so no rebuild is needed.
add_translations() {
    local folder="$prefix/translations"
    if [ ! -f "$folder/qtbase_zh_CN.qm" ]; then
        mkdir -p "$folder"
        cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$folder/.qtbase_zh_CN.qm.part"
        mv "$folder/.qtbase_zh_CN.qm.part" "$folder/qtbase_zh_CN.qm"
    fi
}

if [ -f "$prefix/.complete" ]; then
    add_translations
    echo "$prefix"
    exit 0
fi

# One build at a time per cache; a second caller waits and then finds the result.
exec 9>"$cache_dir/qt6-mingw.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
    add_translations
    echo "$prefix"
    exit 0
fi
rm -rf "$prefix" # an incomplete leftover from outside this script

# Everything happens in a temporary folder beside the cache entry and is moved into place
# only when complete, so an interrupted run leaves nothing that looks finished.
work="$(mktemp -d "$cache_dir/.qt6-mingw-build.XXXXXX")"
trap 'rm -rf "$work"' EXIT
started=$SECONDS

quarvel_fetch_source qt6-base "$qt_version" "$work"
for patch_file in "$patch_dir"/*.patch; do
    patch -p1 --forward --quiet -d "$work/src" <"$patch_file"
done

log "configuring qt6-base $qt_version for x86_64-w64-mingw32 into $prefix"
if ! cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${qt_flags[@]}" >"$work/configure.log" 2>&1; then
    tail -n 60 "$work/configure.log" >&2
    exit 1
fi

log "building (about 20 minutes on 2 cores; log: $work/build.log)"
if ! cmake --build "$work/build" -j "${QUARVEL_JOBS:-$(nproc)}" >"$work/build.log" 2>&1; then
    grep -B2 -A20 -m5 'FAILED\|error:' "$work/build.log" >&2 || tail -n 60 "$work/build.log" >&2
    exit 1
fi
DESTDIR="$work/stage" cmake --install "$work/build" --strip >"$work/install.log" 2>&1

# What the LGPL asks of a binary distribution: the licences, which source and which changes.
doc="$work/stage$prefix/share/doc/qt6-base-mingw"
mkdir -p "$doc/patches"
cp -r "$work/src/LICENSES" "$doc/"
cp "$work/src/debian/copyright" "$doc/copyright"
cp "$patch_dir"/*.patch "$doc/patches/"
cat >"$doc/SOURCE" <<EOF
Built from Debian's source package qt6-base $qt_version (Debian 12 "bookworm", main;
'apt-get source qt6-base=$qt_version'), which includes Debian's own patches, with the
patches in patches/ applied on top, by Quarvel's scripts/windows/build-qt.sh.
Compiler: $(echo "$compiler_versions" | tr '\n' ';' | sed 's/;$//; s/;/, /')
Configure flags: ${qt_flags[*]}
EOF

touch "$work/stage$prefix/.complete"
mv "$work/stage$prefix" "$prefix"
add_translations
log "done in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
echo "$prefix"
