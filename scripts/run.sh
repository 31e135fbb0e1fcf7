#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quarvel (the window when it can be
# shown; otherwise the command-line exporter on a bundled example).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/deps.sh"

build="$root/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build"

if [ -x "$build/src/app/quarvel" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$build/src/app/quarvel" "$@"
fi
if [ -x "$build/src/cli/quarvel-cli" ]; then
    echo "No display: exporting the bundled example with quarvel-cli instead."
    exec "$build/src/cli/quarvel-cli" --stdout "$root/examples/section-3.8.txt"
fi
echo "Built in $build."
