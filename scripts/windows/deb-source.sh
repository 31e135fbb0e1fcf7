# Sourced by the scripts that build Windows libraries from Debian's own source packages.

# Adds a deb-src entry for bookworm to apt's sources when apt knows no source of PACKAGE at
# VERSION: Debian's images ship none. Needs root or sudo.
quarvel_ensure_deb_src() {
    local package="$1" version="$2"
    if apt-cache showsrc "$package" 2>/dev/null | grep -qx "Version: $version"; then
        return 0
    fi
    local sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    echo "adding a deb-src entry for bookworm main" >&2
    "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/quarvel-deb-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    "${sudo_cmd[@]}" apt-get update -qq
}

# Downloads the source package PACKAGE at VERSION into WORK/download and unpacks it, with
# Debian's patches, into WORK/src.
quarvel_fetch_source() {
    local package="$1" version="$2" work="$3"
    quarvel_ensure_deb_src "$package" "$version"
    mkdir "$work/download"
    if id _apt >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
        chown _apt "$work/download" # lets apt download without dropping its sandbox
    fi
    (cd "$work/download" && apt-get source --download-only -qq "$package=$version" >/dev/null)
    local dsc
    dsc="$(ls "$work"/download/*.dsc)"
    dpkg-source -x "$dsc" "$work/src" >/dev/null 2>"$work/unpack.log" || {
        cat "$work/unpack.log" >&2
        return 1
    }
}
