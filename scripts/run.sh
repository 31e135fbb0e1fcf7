#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quarvel with an example section
# open (or the files given). Without a display it says how to run the window
# under a virtual X server and shows the command-line exporter instead.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/deps.sh"

build="$root/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build"

example="$root/examples/section-3.8.txt"
if [ $# -eq 0 ]; then
    set -- "$example"
fi

if [ -x "$build/src/app/quarvel" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$build/src/app/quarvel" "$@"
fi

cat <<MESSAGE
No display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the Quarvel window cannot be shown here.
  Run the window on a virtual X server:   xvfb-run -a bash scripts/run.sh
  Save a picture of it instead:           bash scripts/screenshot.sh   (writes docs/screenshot.png)
MESSAGE
if [ -x "$build/src/cli/quarvel-cli" ]; then
    echo "Meanwhile, the table of $(basename "$1") as quarvel-cli exports it:"
    exec "$build/src/cli/quarvel-cli" export "$1" --stdout
fi
