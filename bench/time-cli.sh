#!/usr/bin/env bash
# Times quarvel-cli export beside the minimal loop of table_benchmark on a
# generated 1,000,000-point version 3.8 file, and reports peak memory.
#   bash bench/time-cli.sh [BUILD_DIR] [POINTS] [RUNS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
points="${2:-1000000}"
runs="${3:-3}"

input="$work/section.txt"
"$bench" "--generate=$points" "$input"
size=$(stat -c %s "$input")

# Best wall time (s) and the largest peak resident size (KB) over the runs.
measure() { # label, command...
    local label="$1" best="" peak=0
    shift
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null
        read -r seconds kilobytes <"$work/time"
        if [[ -z "$best" ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best="$seconds"
        fi
        ((kilobytes > peak)) && peak=$kilobytes
    done
    printf '%-32s %6.2f s  peak %7.1f MB (%.2fx the input)\n' "$label" "$best" \
        "$(awk -v k="$peak" 'BEGIN { print k * 1024 / 1e6 }')" \
        "$(awk -v k="$peak" -v s="$size" 'BEGIN { print k * 1024 / s }')"
    eval "result_${label//[^a-z0-9]/_}=$best"
}

echo "input: $points points, $(awk -v s="$size" 'BEGIN { printf "%.1f", s / 1e6 }') MB"
measure "minimal loop" "$bench" --minimal-loop "$input" "$work/minimal.csv"
measure "cli four columns" "$cli" export "$input" -o "$work/cli4.csv" \
    --columns 编号,坐标X,坐标Y,高程Z --knee-mode 1
measure "cli nine columns" "$cli" export "$input" -o "$work/cli9.csv" \
    --columns 编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层 --knee-mode 1
if cmp -s "$work/minimal.csv" "$work/cli4.csv"; then
    echo "the four-column export equals the minimal loop's bytes"
else
    echo "the four-column export differs from the minimal loop's bytes" >&2
    exit 1
fi
awk -v c="$result_cli_four_columns" -v n="$result_cli_nine_columns" -v m="$result_minimal_loop" \
    'BEGIN { printf "ratio to the minimal loop: four columns %.2fx (limit 2x), nine columns %.2fx\n", c / m, n / m }'
