#!/usr/bin/env bash
# Draws the examples' cross-section sheets as DXF with the Linux and the Windows quarvel
# --sheets under several option sets and fails unless both write the same bytes and exit
# alike: a CAD user gets the same drawing from either system.
# Usage: compare-sheets.sh LINUX_QUARVEL WINDOWS_QUARVEL [RUNNER]   (RUNNER runs the latter)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
linux_quarvel="$1"
windows_quarvel="$2"
runner="${3:-}"

option_sets=(
    ""
    "--paper A4 --scale 500 --exaggeration 1:5 --order rows"
    "--scale 100 --knee-mode 1 --reverse"
    "--layers 地面线 --scale 1000 --exaggeration 1:10 --knee-mode 2"
    "--scale 10"
)
inputs=("$root/examples" "$root/examples/section-3.8.txt")

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cases=0
failures=0

for input in "${inputs[@]}"; do
    for options in "${option_sets[@]}"; do
        cases=$((cases + 1))
        read -r -a args <<<"$options"
        linux_status=0
        windows_status=0
        QT_QPA_PLATFORM=offscreen "$linux_quarvel" --sheets "$input" -o "$scratch/linux.dxf" \
            "${args[@]}" 2>"$scratch/linux.err" || linux_status=$?
        ${runner:+"$runner"} "$windows_quarvel" --sheets "$input" -o "$scratch/windows.dxf" \
            "${args[@]}" 2>"$scratch/windows.err" || windows_status=$?
        if [ "$linux_status" != "$windows_status" ]; then
            echo "DIFFERENT: exit $linux_status on Linux, $windows_status on Windows:" \
                "$(basename "$input") $options" >&2
            failures=$((failures + 1))
        elif [ "$linux_status" = 0 ] && ! cmp -s "$scratch/linux.dxf" "$scratch/windows.dxf"; then
            echo "DIFFERENT: the DXF of $(basename "$input") $options" >&2
            cmp "$scratch/linux.dxf" "$scratch/windows.dxf" >&2 || true
            failures=$((failures + 1))
        fi
        rm -f "$scratch/linux.dxf" "$scratch/windows.dxf"
    done
done
echo "quarvel --sheets: $cases cases compared, $failures different"
[ "$failures" -eq 0 ]
