#!/usr/bin/env bash
# Checks the installer as a user and an IT department use it, in a fresh Wine prefix: a silent
# install into %LOCALAPPDATA%\Programs\Quarvel with its uninstall entry and Start-menu shortcut;
# the installed window starts with a section open; the installed quarvel-cli exports the bytes
# of the Linux one; a silent install over it keeps the user's changed Quarvel.ini; a silent
# uninstall removes the program, the shortcut and the entry, and keeps Quarvel.ini.
# Usage: check-installer.sh RUNNER SETUP_EXE LINUX_CLI
#   RUNNER is the build folder's wine-run.sh.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
runner="$1"
setup="$2"
linux_cli="$3"
example="$root/examples/section-3.8.txt"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarvel'

work="$(mktemp -d)"
export QUARVEL_WINEPREFIX="$work/prefix" QUARVEL_WINE_BARE=1 WINEPREFIX="$work/prefix"
stop_wine() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
}
trap 'stop_wine; rm -rf "$work"' EXIT

fail() {
    echo "check-installer: $*" >&2
    exit 1
}

# Runs the installer or uninstaller, waiting also for the copy of itself an uninstaller starts.
run_silently() { # program arguments...
    "$runner" "$@" || fail "$(basename "$1") $* ended with status $?"
    /usr/lib/wine/wineserver -w
}

entry_value() { # name: the uninstall entry's value, empty when missing
    "$runner" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

start_menu_shortcut() {
    find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/Quarvel.lnk'
}

"$runner" # the fresh prefix
run_silently "$setup" /S

location="$(entry_value InstallLocation)"
[[ "$location" == *'\AppData\Local\Programs\Quarvel' ]] ||
    fail "installed into \"$location\", not %LOCALAPPDATA%\\Programs\\Quarvel"
for name in DisplayName DisplayVersion Publisher DisplayIcon EstimatedSize UninstallString \
    QuietUninstallString; do
    [ -n "$(entry_value "$name")" ] || fail "the uninstall entry has no $name"
done
installed="$("$runner" winepath -u "$location" 2>/dev/null | tr -d '\r')"
installed="${installed%/}"
[ -f "$installed/Quarvel.exe" ] || fail "no Quarvel.exe in $installed"
[ -n "$(start_menu_shortcut)" ] || fail "no Start-menu shortcut \"Quarvel\""
echo "check-installer: installed into $location"

# The window: Wine keeps the display its server started with.
stop_wine
bash "$root/scripts/windows/check-window.sh" "$runner" "$installed/Quarvel.exe" "$example"
stop_wine

"$linux_cli" export "$example" -o - --columns 编号,注释,图层 >"$work/linux.csv"
"$runner" "$installed/quarvel-cli.exe" export "$example" -o - --columns 编号,注释,图层 \
    >"$work/windows.csv" || fail "the installed quarvel-cli failed"
cmp -s "$work/linux.csv" "$work/windows.csv" ||
    fail "the installed quarvel-cli exports other bytes than the Linux one"
echo "check-installer: the installed quarvel-cli exports the Linux bytes"

printf '[SETTING]\r\nColnumNum=5\r\nDecimalNum=1\r\n' >"$installed/Quarvel.ini"
cp "$installed/Quarvel.ini" "$work/settings.ini"
run_silently "$setup" /S
cmp -s "$installed/Quarvel.ini" "$work/settings.ini" || fail "installing over lost Quarvel.ini"
[ -f "$installed/Quarvel.exe" ] && [ -n "$(entry_value DisplayName)" ] ||
    fail "installing over left no program or no entry"
echo "check-installer: installing over kept Quarvel.ini"

quiet="$(entry_value QuietUninstallString)"
uninstaller="$(sed -n 's/^"\([^"]*\)" \/S$/\1/p' <<<"$quiet")"
[ -n "$uninstaller" ] || fail "QuietUninstallString \"$quiet\" is not the uninstaller with /S"
run_silently "$("$runner" winepath -u "$uninstaller" 2>/dev/null | tr -d '\r')" /S
left="$(cd "$installed" && find . -type f ! -name Quarvel.ini)"
[ -z "$left" ] || fail "uninstalling left $left"
[ -z "$(start_menu_shortcut)" ] || fail "uninstalling left the Start-menu shortcut"
[ -z "$(entry_value DisplayName)" ] || fail "uninstalling left the uninstall entry"
cmp -s "$installed/Quarvel.ini" "$work/settings.ini" || fail "uninstalling lost Quarvel.ini"
echo "check-installer: uninstalling removed the program, shortcut and entry, and kept Quarvel.ini"
