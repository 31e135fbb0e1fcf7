#!/usr/bin/env bash
# Runs a Windows program under wine64: wine-run.sh PROGRAM [ARGUMENTS...]
# Without arguments it only makes the Wine prefix.
#
# The cross toolchain file copies this script into the build folder and makes it the
# CMAKE_CROSSCOMPILING_EMULATOR, so ctest and gtest_discover_tests run the Windows test
# programs through it. The Wine prefix lives beside it (never ~/.wine) and is made on first
# use. QT_* variables are passed on as WINEQT_*, which Wine hands to the program without the
# prefix; QUARVEL_WINEPATH and the file wine-path (one folder a line, written by the build)
# add folders to search for DLLs. QUARVEL_WINEPREFIX chooses another prefix (made on first use
# too), such as a fresh one to install into.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_dir=/usr/lib/wine

export WINEPREFIX="${QUARVEL_WINEPREFIX:-$here/wine-prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine takes the program's code pages from the locale: under C, Chinese arguments arrive
# garbled.
export LC_ALL=C.UTF-8
# No Mono or Gecko installer: the programs need neither, and there is no network.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

for name in $(compgen -e); do
    case "$name" in
    QT_*) export "WINE$name=${!name}" ;;
    esac
done
windows_path() { # Unix path -> the same file through Wine's Z: drive
    local unix_path="$1"
    echo "Z:${unix_path//\//\\}"
}

# Qt Test logs to the debugger, not to stderr, when the program has no console.
export WINEQT_FORCE_STDERR_LOGGING="${WINEQT_FORCE_STDERR_LOGGING:-1}"
# The offscreen platform on Windows reads fonts from a folder instead of asking the system;
# the CJK font has the Latin letters too. A package (QUARVEL_WINE_BARE=1) is left to find
# fonts on its own, as on a user's machine.
if [ -z "${QUARVEL_WINE_BARE:-}" ]; then
    export WINEQT_QPA_FONTDIR="${WINEQT_QPA_FONTDIR:-$(windows_path /usr/share/fonts/truetype/wqy)}"
fi

# The mingw runtime (libstdc++, libgcc, winpthread) and whatever the build adds; none of
# them with QUARVEL_WINE_BARE=1, which shows whether a package brings all it needs.
dll_dirs=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
if [ -n "${QUARVEL_WINE_BARE:-}" ]; then
    dll_dirs=()
elif [ -f "$here/wine-path" ]; then
    while IFS= read -r dir; do
        [ -n "$dir" ] && dll_dirs+=("$dir")
    done <"$here/wine-path"
fi
wine_path=""
for dir in ${dll_dirs[@]+"${dll_dirs[@]}"}; do
    wine_path+="$(windows_path "$dir");"
done
export WINEPATH="${QUARVEL_WINEPATH:+$QUARVEL_WINEPATH;}$wine_path"

make_prefix() {
    # Several tests may start at once: one makes the prefix, the others wait for it.
    exec 8>"$WINEPREFIX.lock"
    flock 8
    if [ ! -f "$WINEPREFIX/.quarvel-ready" ]; then
        rm -rf "$WINEPREFIX"
        "$wine_dir/wine64" wineboot --init >/dev/null 2>&1
        "$wine_dir/wineserver" -w
        # Latin text in Wine's own dialogs and in the classic style's metrics.
        cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        # Wine's own menus (the system menu) in Chinese: fall back from Tahoma to the CJK
        # font that fontconfig offers.
        "$wine_dir/wine64" reg add \
            'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
        # Chinese dialogs (the installer's) ask for SimSun by either name, which Wine lacks.
        for name in SimSun 宋体; do
            "$wine_dir/wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
                /v "$name" /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
        done
        "$wine_dir/wineserver" -w
        touch "$WINEPREFIX/.quarvel-ready"
    fi
    flock -u 8
    exec 8>&-
}

if [ ! -f "$WINEPREFIX/.quarvel-ready" ]; then
    make_prefix
fi
if [ $# -eq 0 ]; then
    exit 0 # only make the prefix, before a build whose test discovery runs programs
fi
exec "$wine_dir/wine64" "$@"
