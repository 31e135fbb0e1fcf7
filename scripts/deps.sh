#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail

packages=(
    cmake g++ ninja-build pkg-config git      # the build
    qt6-base-dev qt6-base-dev-tools           # the window and its controls
    qt6-translations-l10n                     # Qt's own dialogs and buttons in Chinese
    qt6-svg-dev                               # the profile's SVG pictures (optional to the build)
    libxlsxwriter-dev                         # Excel workbooks (export and merge)
    libdxflib-dev                             # DXF cross-section sheets for CAD
    libgtest-dev libgmock-dev                 # core tests
    python3-openpyxl python3-ezdxf            # tests read workbooks and audit DXF files back
    libbenchmark-dev                          # bench/
    clang-format                              # check-format
    clang libclang-rt-14-dev                  # the reader's libFuzzer target
    xvfb xauth xdotool x11-apps               # the window walk-through under a real X server
    fonts-wqy-microhei                        # Chinese glyphs for the window and screenshots
    g++-mingw-w64-x86-64-posix                # the Windows build (posix threads for std::thread)
    wine64 fonts-wine                         # the Windows programs and tests run under Wine
    dpkg-dev patch perl xz-utils              # Qt for Windows from Debian's qt6-base source
    zip                                       # the Windows package
    nsis                                      # the Windows installer
    libz-mingw-w64-dev                        # zlib for libxlsxwriter on Windows
    poppler-utils                             # tests and screenshots look at PDF pages
    locales                                   # a test writes workbooks under a decimal-comma locale
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
