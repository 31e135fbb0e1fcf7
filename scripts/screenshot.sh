#!/usr/bin/env bash
# Starts quarvel under a private Xvfb display with an example section open and
# saves a picture of the screen (docs/screenshot.png unless a path is given).
# Usage: scripts/screenshot.sh [output.png] [section-file|road-folder]
# QUARVEL_SCREENSHOT_SCREEN sets the screen's size (760x900), QUARVEL_SCREENSHOT_KEYS
# keys pressed in the window before the picture (xdotool's names, e.g. "ctrl+Next ctrl+Next").
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
output="${1:-$root/docs/screenshot.png}"
example="${2:-$root/examples/section-3.8.txt}"
build="${QUARVEL_BUILD_DIR:-$root/build}"
quarvel="$build/src/app/quarvel"

if [ ! -x "$quarvel" ]; then
    echo "quarvel is not built in $build (set QUARVEL_BUILD_DIR or run scripts/run.sh first)" >&2
    exit 1
fi
# ImageMagick's import takes the picture; only this script needs it, so the
# test command does not install it.
if ! command -v import >/dev/null; then
    echo "Installing imagemagick for the screenshot"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends imagemagick
fi
for tool in Xvfb import; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is missing: apt-get install xvfb imagemagick" >&2
        exit 1
    fi
done

# A display of its own, and a copy of the executable in a folder of its own:
# the settings file lies beside the executable, so the picture shows the
# defaults and leaves the build's settings alone.
source "$root/scripts/private-display.sh"
scratch="$(mktemp -d)"
cp "$quarvel" "$scratch/quarvel"
cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
    stop_private_display
    rm -rf "$scratch"
}
trap cleanup EXIT
start_private_display "${QUARVEL_SCREENSHOT_SCREEN:-760x900}"

XDG_CONFIG_HOME="$scratch" QT_QPA_PLATFORM=xcb LANG=zh_CN.UTF-8 \
    "$scratch/quarvel" "$example" >/dev/null 2>&1 &
app_pid=$!
sleep "${QUARVEL_SCREENSHOT_DELAY:-3}"
if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "quarvel ended before the picture was taken" >&2
    exit 1
fi

if [ -n "${QUARVEL_SCREENSHOT_KEYS:-}" ]; then
    read -r -a keys <<<"$QUARVEL_SCREENSHOT_KEYS"
    xdotool search --sync --pid "$app_pid" --name MorvexV1.3 windowfocus --sync \
        key --delay 300 "${keys[@]}"
    sleep 1
fi

mkdir -p "$(dirname "$output")"
# import reads what the server shows; xwd leaves a dialog opened over the
# window black.
import -window root png:- | convert png:- -trim +repage "png:$output"
echo "Saved $output"
