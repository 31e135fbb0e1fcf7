#!/usr/bin/env bash
# Times quarvel-cli exporting many small section files with one job and with
# two, checks that both give the same files, and reports files per second and
# the speed-up. With the window's batch benchmark built, times the window's
# "批量导出…" on the same files beside them.
#   bash bench/time-batch.sh [BUILD_DIR] [FILES] [POINTS] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
files="${2:-2000}"
points="${3:-500}"
runs="${4:-3}"
cli="$build/src/cli/quarvel-cli"
bench="$build/bench/table_benchmark"
window="$build/bench/window_batch_benchmark"
for program in "$cli" "$bench"; do
    [[ -x "$program" ]] || { echo "missing $program: build quarvel-cli and table_benchmark" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
"$bench" "--generate=$points" "$work/in/K0000.txt"
for ((i = 1; i < files; i++)); do
    cp "$work/in/K0000.txt" "$(printf '%s/in/K%04d.txt' "$work" "$i")"
done
echo "input: $files files of $points points, $(du -sm "$work/in" | cut -f1) MB; $(nproc) processors"

# Best wall time (s) over the runs of a command that writes into $work/out.
best() {
    local best="" seconds
    for ((r = 0; r < runs; r++)); do
        rm -rf "$work/out"
        /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        read -r seconds <"$work/time"
        if [[ -z "$best" ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best="$seconds"
        fi
    done
    echo "$best"
}

columns=(--columns 编号,坐标X,坐标Y,高程Z,与起点距离,注释,图层 --knee-mode 1)
one=$(best "$cli" export "$work"/in/*.txt --output-dir "$work/out" --jobs 1 "${columns[@]}")
mv "$work/out" "$work/out-one"
two=$(best "$cli" export "$work"/in/*.txt --output-dir "$work/out" --jobs 2 "${columns[@]}")
diff -r -q "$work/out-one" "$work/out" >/dev/null || { echo "--jobs 2 wrote other files than --jobs 1" >&2; exit 1; }
rate() { awk -v n="$files" -v s="$1" 'BEGIN { printf "%.0f files/s", n / s }'; }
printf '%-22s %6.2f s  %s\n' "quarvel-cli --jobs 1" "$one" "$(rate "$one")"
printf '%-22s %6.2f s  %s\n' "quarvel-cli --jobs 2" "$two" "$(rate "$two")"
awk -v a="$one" -v b="$two" 'BEGIN { printf "speed-up with two jobs: %.2fx (aim 1.7x on 2 cores)\n", a / b }'

if [[ -x "$window" ]]; then
    shown=$(best env QT_QPA_PLATFORM=offscreen "$window" "$work/in" "$work/out" "${columns[@]}")
    diff -r -q "$work/out-one" "$work/out" >/dev/null || { echo "the window wrote other files than quarvel-cli" >&2; exit 1; }
    printf '%-22s %6.2f s  %s\n' "window 批量导出" "$shown" "$(rate "$shown")"
    awk -v w="$shown" -v a="$one" 'BEGIN { printf "window to --jobs 1: %.2fx (limit 1.3x)\n", w / a }'
fi
