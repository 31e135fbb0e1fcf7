#!/usr/bin/env bash
# Makes the installer Quarvel-<version>-setup.exe from the folder of the portable package:
#   make-installer.sh PACKAGE_FOLDER VERSION OUTPUT_EXE
# with NSIS (makensis, Debian's nsis) and scripts/windows/quarvel.nsi. The installer installs
# exactly the package's files and its uninstaller removes exactly those. Prints the path.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
package="$(cd "$1" && pwd)"
version="$2"
output="$3"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

nsis_path() { # a file or folder of the package as NSIS names it under $INSTDIR
    local relative="${1#"$package"}"
    echo "\$INSTDIR${relative//\//\\}"
}

# Each folder is made before its files are put in, and removed after them, deepest first.
{
    echo '!macro QUARVEL_INSTALL_FILES'
    while IFS= read -r folder; do
        echo "    SetOutPath \"$(nsis_path "$folder")\""
        while IFS= read -r file; do
            echo "    File \"$file\""
        done < <(find "$folder" -maxdepth 1 -type f | LC_ALL=C sort)
    done < <(find "$package" -type d | LC_ALL=C sort)
    echo '!macroend'
    echo '!macro QUARVEL_REMOVE_FILES'
    while IFS= read -r file; do
        echo "    Delete \"$(nsis_path "$file")\""
    done < <(find "$package" -type f | LC_ALL=C sort)
    while IFS= read -r folder; do
        echo "    RMDir \"$(nsis_path "$folder")\""
    done < <(find "$package" -mindepth 1 -type d | LC_ALL=C sort -r)
    echo '!macroend'
} >"$scratch/files.nsh"

# The licence page: Quarvel's licence, the third-party notices the package carries, then the
# GPL itself; with a byte order mark and CR LF, as NSIS reads a text file in any language. The
# page wraps long lines itself.
crlf() { sed 's/\r$//; s/$/\r/' "$@"; }
{
    printf '\xEF\xBB\xBF'
    crlf <<TEXT
Quarvel $version
Copyright (C) Quarvel contributors

Quarvel 是自由软件：你可以按照自由软件基金会发布的 GNU 通用公共许可证第 3 版，或（由你选择）任何更高的版本，再发布和/或修改它。发布 Quarvel 是希望它有用，但不提供任何担保，甚至不默示适销性或适合某一特定用途的担保。许可证全文（英文）在下面，安装后也在 licenses\\quarvel\\LICENSE.txt。

Quarvel is free software: you can redistribute it and/or modify it under the terms of the GNU General Public License as published by the Free Software Foundation, either version 3 of the License, or (at your option) any later version. Quarvel is distributed in the hope that it will be useful, but WITHOUT ANY WARRANTY; without even the implied warranty of MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE. See the GNU General Public License below.

========================================================================

TEXT
    crlf "$package/licenses/README.txt"
    printf '\r\n========================================================================\r\n\r\n'
    crlf "$root/LICENSE"
} >"$scratch/licence.txt"

mkdir -p "$(dirname "$output")"
output="$(cd "$(dirname "$output")" && pwd)/$(basename "$output")"
if ! makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$scratch/files.nsh" \
    -DLICENSE="$scratch/licence.txt" -DICON="$root/res/quarvel.ico" -DOUTFILE="$output" \
    "$root/scripts/windows/quarvel.nsi" >"$scratch/makensis.log" 2>&1; then
    cat "$scratch/makensis.log" >&2
    exit 1
fi
echo "$output"
