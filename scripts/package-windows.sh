#!/usr/bin/env bash
# Builds the Windows packages: a portable folder in a zip file, and an installer of the same
# files made with NSIS (scripts/windows/make-installer.sh):
#   bash scripts/package-windows.sh [OUTPUT_FOLDER]
# writes Quarvel-<version>-windows-x64.zip and Quarvel-<version>-setup.exe (into the Windows
# build folder unless told) and prints their paths, the zip's first. Installs what is missing
# and builds Qt for Windows the first time (about 20 minutes, then cached).
#
# Environment: QUARVEL_WINDOWS_BUILD_DIR (default build-windows).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUARVEL_WINDOWS_BUILD_DIR:-$root/build-windows}"
output_dir="${1:-$build}"
triple=x86_64-w64-mingw32

bash "$root/scripts/deps.sh" >&2
bash "$root/scripts/windows/configure.sh" "$build"
cmake --build "$build" --target quarvel quarvel-cli -j "$(nproc 2>/dev/null || echo 2)" >&2

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version="$(cache_value CMAKE_PROJECT_VERSION)"
qt_prefix="$(cd "$(cache_value Qt6_DIR)/../../.." && pwd)"
dxflib_prefix="$(cache_value DXFLIB_ROOT)"
name="Quarvel-$version-windows-x64"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
package="$scratch/$name"
mkdir -p "$package"/{platforms,styles,imageformats,translations,licenses}

cp "$build/src/app/Quarvel.exe" "$build/src/cli/quarvel-cli.exe" "$package/"
# The window's platform, and the one "Quarvel.exe --profile" draws on without a window.
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$qt_prefix/plugins/platforms/qoffscreen.dll" \
    "$package/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$package/styles/"
cp "$qt_prefix"/plugins/imageformats/*.dll "$package/imageformats/"
# Qt's own dialogs and buttons in Chinese; the catalogues are the same on every system.
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$package/translations/"

# Every DLL the programs and plugins load, found where the build found them; the ones not
# found there come with Windows.
dll_dirs=("$qt_prefix/bin" /usr/lib/gcc/$triple/*-posix /usr/$triple/lib)
add_dependencies() { # file...
    local file dll dir
    for file in "$@"; do
        while read -r dll; do
            [ -e "$package/$dll" ] && continue
            for dir in "${dll_dirs[@]}"; do
                if [ -f "$dir/$dll" ]; then
                    cp "$dir/$dll" "$package/"
                    add_dependencies "$package/$dll"
                    break
                fi
            done
        done < <("$triple-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
    done
}
add_dependencies "$package"/*.exe "$package"/*/*.dll
"$triple-strip" --strip-unneeded "$package"/*.exe "$package"/*.dll "$package"/*/*.dll

# The window must not open a console, the command line must have one.
subsystem() { "$triple-objdump" -p "$1" | sed -n 's/^Subsystem\s*//p'; }
if ! subsystem "$package/Quarvel.exe" | grep -q 'Windows GUI' ||
    ! subsystem "$package/quarvel-cli.exe" | grep -q 'Windows CUI'; then
    echo "Quarvel.exe must be a GUI program and quarvel-cli.exe a console program" >&2
    exit 1
fi

# What the LGPL and the runtime libraries' licences ask for: their licence texts, and for Qt
# the source package, its version and the changes made to it.
qt_doc="$qt_prefix/share/doc/qt6-base-mingw"
mkdir -p "$package/licenses/quarvel" "$package/licenses/qt6-base" "$package/licenses/gcc-runtime" \
    "$package/licenses/mingw-w64-winpthreads" "$package/licenses/qt6-translations" \
    "$package/licenses/dxflib"
sed 's/$/\r/' "$root/LICENSE" >"$package/licenses/quarvel/LICENSE.txt"
cp -r "$qt_doc"/. "$package/licenses/qt6-base/"
cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$package/licenses/gcc-runtime/"
cp /usr/share/common-licenses/GPL-3 "$package/licenses/gcc-runtime/GPL-3"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$package/licenses/mingw-w64-winpthreads/"
cp /usr/share/doc/qt6-translations-l10n/copyright "$package/licenses/qt6-translations/"
cp -r "$dxflib_prefix/share/doc/dxflib-mingw"/. "$package/licenses/dxflib/"
mkdir -p "$package/licenses/libxlsxwriter" "$package/licenses/zlib"
cp -r "$(cache_value QUARVEL_XLSXWRITER_PREFIX)/share/doc/libxlsxwriter-mingw"/. \
    "$package/licenses/libxlsxwriter/"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$package/licenses/zlib/"
cat >"$package/licenses/README.txt" <<EOF
Quarvel $version for Windows (x64) is free software under the GNU General Public License,
version 3 or (at your option) any later version: see quarvel/LICENSE.txt. It includes these
libraries:

- dxflib $(dpkg-query -W -f='${Version}' libdxflib-dev) (in Quarvel.exe, for the cross-section sheets as DXF) under
  the GNU GPL version 2 or later, built from Debian's source package ('apt-get source
  dxflib'): see dxflib/.
- Qt $(dpkg-query -W -f='${Version}' qt6-base-dev) (Qt6Core, Qt6Gui, Qt6Widgets and the plugins in
  platforms/, styles/ and imageformats/) under the GNU LGPL version 3: see qt6-base/, whose
  SOURCE names the Debian source package, its version and the patches (in qt6-base/patches)
  it was built with. The same source is available from Debian ('apt-get source qt6-base').
  Qt's bundled third-party code (FreeType, HarfBuzz, libpng, libjpeg, PCRE2, zlib and
  others) is listed with its licence in qt6-base/copyright.
- The GCC runtime (libstdc++-6.dll, libgcc_s_seh-1.dll) under the GPL version 3 with the
  GCC Runtime Library Exception: see gcc-runtime/ (Debian's gcc-mingw-w64 $(dpkg-query -W -f='${Version}' gcc-mingw-w64-x86-64-posix-runtime)).
- winpthreads (libwinpthread-1.dll) of the mingw-w64 project under an MIT-style licence:
  see mingw-w64-winpthreads/ (Debian's mingw-w64 $(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)).
- Qt's Chinese translation (translations/qtbase_zh_CN.qm): see qt6-translations/.
- libxlsxwriter $(dpkg-query -W -f='${source:Version}' libxlsxwriter-dev) with its bundled minizip, which write the Excel
  workbooks, under a BSD licence (minizip under the zlib licence): see libxlsxwriter/; and
  zlib (Debian's libz-mingw-w64 $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)) under the zlib licence: see zlib/.
  Both are linked into Quarvel.exe and quarvel-cli.exe.
EOF

# Chinese for the user, with a byte order mark and CR LF so that every Notepad reads it.
{
    printf '\xEF\xBB\xBF'
    sed 's/$/\r/' <<EOF
Quarvel $version（Windows 64 位）

Quarvel.exe       打开断面数据文件，显示并导出表格（也可把文件拖到窗口上）
quarvel-cli.exe   命令行批量导出：quarvel-cli --help 显示全部选项

免安装版（zip）解压到任意文件夹即可使用。安装版（setup.exe）只为当前用户安装到
%LOCALAPPDATA%\\Programs\\Quarvel，可在“设置 > 应用”中卸载。
设置保存在程序旁的 Quarvel.ini 中；该文件夹不可写时，保存在 %APPDATA%\\Quarvel\\Quarvel.ini。
覆盖安装和卸载都保留 Quarvel.ini，卸载时勾选“删除设置”才删除它。
Quarvel 按 GNU 通用公共许可证第 3 版或更高版本发布；所含第三方库及其许可证见 licenses 文件夹。
EOF
} >"$package/README.txt"

mkdir -p "$output_dir"
zip_path="$(cd "$output_dir" && pwd)/$name.zip"
(cd "$scratch" && zip -q -r -9 -X "$name.zip" "$name")
mv "$scratch/$name.zip" "$zip_path"
echo "$zip_path"
bash "$root/scripts/windows/make-installer.sh" "$package" "$version" \
    "$(dirname "$zip_path")/Quarvel-$version-setup.exe"
