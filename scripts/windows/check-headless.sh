#!/usr/bin/env bash
# Runs "Quarvel.exe --profile" under Wine as a script would, on a private Xvfb display where any
# window or message box would show, and checks that it draws a section into a PDF without one:
# it ends by itself, succeeds, shows no window, and the picture's text has a font.
# Usage: check-headless.sh RUNNER QUARVEL_EXE SECTION_FILE
#   RUNNER is the build folder's wine-run.sh.
set -euo pipefail
runner="$1"
exe="$2"
section="$3"

work="$(mktemp -d)"
source "$(dirname "${BASH_SOURCE[0]}")/../private-display.sh"
cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
    stop_private_display
    rm -rf "$work"
}
trap cleanup EXIT
start_private_display

fail() {
    echo "check-headless: $*" >&2
    exit 1
}

picture="$work/section.pdf"
started=$SECONDS
"$runner" "$exe" --profile "$section" -o "$picture" >"$work/out.txt" 2>"$work/err.txt" &
app_pid=$!
# A box waits for a click that never comes: 60 s is far more than a picture takes.
shown=""
while kill -0 "$app_pid" 2>/dev/null; do
    shown="$(xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null || true)"
    [ -n "$shown" ] && fail "a window showed: \"$shown\""
    [ $((SECONDS - started)) -lt 60 ] || fail "still running after 60 s"
    sleep 0.3
done
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/err.txt")"
[ -s "$work/err.txt" ] && fail "it printed: $(cat "$work/err.txt")"
[ "$(head -c 4 "$picture" 2>/dev/null)" = "%PDF" ] || fail "no PDF written"
# Without a font the notes and the scale are left out and the PDF embeds none.
grep -aq '/FontFile' "$picture" || fail "the picture's text has no font"
echo "check-headless: --profile drew $(basename "$section") in $((SECONDS - started)) s, no window"
