#!/usr/bin/env bash
# Starts the Windows window under Wine on a private Xvfb display, on Qt's windows platform,
# with a section file open, and checks that the main window "MorvexV1.3" shows and that no
# message box (which would carry the same title) reports a failure; then ends it.
# Usage: check-window.sh [--screenshot OUT.png] RUNNER QUARVEL_EXE SECTION_FILE
#   RUNNER is the build folder's wine-run.sh.
set -euo pipefail
screenshot=""
if [ "${1:-}" = "--screenshot" ]; then
    screenshot="$2"
    shift 2
fi
runner="$1"
exe="$2"
section="$3"
title='^MorvexV1\.3$'

source "$(dirname "${BASH_SOURCE[0]}")/../private-display.sh"
cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
    stop_private_display
}
trap cleanup EXIT
start_private_display

started=$SECONDS
QT_QPA_PLATFORM=windows "$runner" "$exe" "$section" >/dev/null 2>&1 &
app_pid=$!

windows=""
for _ in $(seq 120); do
    windows="$(xdotool search --onlyvisible --name "$title" 2>/dev/null || true)"
    [ -n "$windows" ] && break
    if ! kill -0 "$app_pid" 2>/dev/null; then
        echo "check-window: $exe ended before its window showed" >&2
        exit 1
    fi
    sleep 0.5
done
if [ -z "$windows" ]; then
    echo "check-window: no window \"MorvexV1.3\" within 60 s" >&2
    exit 1
fi
echo "check-window: \"MorvexV1.3\" showed $((SECONDS - started)) s after the start"

# The file opens once the window shows; a failure would put a message box over it.
sleep 3
count="$(xdotool search --onlyvisible --name "$title" 2>/dev/null | wc -l)"
if [ "$count" -ne 1 ]; then
    echo "check-window: $count windows titled \"MorvexV1.3\": opening $section reported a failure" >&2
    exit 1
fi

if [ -n "$screenshot" ]; then
    mkdir -p "$(dirname "$screenshot")"
    import -window root png:- | convert png:- -trim +repage "png:$screenshot"
    echo "check-window: saved $screenshot"
fi
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
app_pid=""
