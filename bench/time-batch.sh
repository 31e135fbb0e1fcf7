#!/usr/bin/env bash
# Times quarvel-cli exporting many small section files with one job and with
# two, and the window's "批量导出…" on the same files when
# window_batch_benchmark is built; checks that all of them write the same
# files, and reports files per second, the speed-up and the window's ratio.
# As a yardstick for the speed-up it also times two separate one-job runs at
# once, each given half the files: what two processors and this disk allow
# two exports that share nothing.
#   bash bench/time-batch.sh [BUILD_DIR] [FILES] [POINTS] [RUNS]
# The runs take turns, and each writes into a folder of its own: removing
# thousands of files just before creating thousands more slows the creation
# on ext4, which would favour whichever ran first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files="${2:-2000}"
points="${3:-500}"
runs="${4:-3}"
window="$build/bench/window_batch_benchmark"

mkdir "$work/in"
"$bench" "--generate=$points" "$work/in/K0000.txt"
for ((i = 1; i < files; i++)); do
    cp "$work/in/K0000.txt" "$(printf '%s/in/K%04d.txt' "$work" "$i")"
done
echo "input: $files files of $points points, $(du -sm "$work/in" | cut -f1) MB; $(nproc) processors"

columns=(--columns 编号,坐标X,坐标Y,高程Z,与起点距离,注释,图层 --knee-mode 1)
inputs=("$work"/in/*.txt)
half=$((files / 2))
variants=(one two halves)
[[ -x "$window" ]] && variants+=(window)
run() { # variant, output folder
    case "$1" in
    one) "$cli" export "$work"/in/*.txt --output-dir "$2" --jobs 1 "${columns[@]}" ;;
    two) "$cli" export "$work"/in/*.txt --output-dir "$2" --jobs 2 "${columns[@]}" ;;
    halves)
        "$cli" export "${inputs[@]:0:half}" --output-dir "$2" --jobs 1 "${columns[@]}" &
        "$cli" export "${inputs[@]:half}" --output-dir "$2" --jobs 1 "${columns[@]}" || { wait; return 1; }
        wait $! ;;
    window) QT_QPA_PLATFORM=offscreen "$window" "$work/in" "$2" "${columns[@]}" ;;
    esac
}
declare -A best
for ((r = 0; r < runs; r++)); do
    for variant in "${variants[@]}"; do
        out="$work/out-$variant-$r"
        start=$(date +%s.%N)
        run "$variant" "$out" >"$work/$variant.txt" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
        if [[ -z "${best[$variant]:-}" ]] || awk -v a="$seconds" -v b="${best[$variant]}" 'BEGIN { exit !(a < b) }'; then
            best[$variant]="$seconds"
        fi
        diff -r -q "$work/out-one-0" "$out" >/dev/null || { echo "$variant wrote other files than --jobs 1" >&2; exit 1; }
    done
done

rate() { awk -v n="$files" -v s="$1" 'BEGIN { printf "%.0f files/s", n / s }'; }
printf '%-22s %6.2f s  %s\n' "quarvel-cli --jobs 1" "${best[one]}" "$(rate "${best[one]}")"
printf '%-22s %6.2f s  %s\n' "quarvel-cli --jobs 2" "${best[two]}" "$(rate "${best[two]}")"
awk -v a="${best[one]}" -v b="${best[two]}" 'BEGIN { printf "speed-up with two jobs: %.2fx (aim 1.7x on 2 cores)\n", a / b }'
printf '%-22s %6.2f s  %s\n' "two --jobs 1, halves" "${best[halves]}" "$(rate "${best[halves]}")"
awk -v a="${best[one]}" -v b="${best[halves]}" 'BEGIN { printf "speed-up of two separate runs: %.2fx (the yardstick)\n", a / b }'
if [[ -n "${best[window]:-}" ]]; then
    printf '%-22s %6.2f s  %s\n' "window 批量导出" "${best[window]}" "$(rate "${best[window]}")"
    awk -v w="${best[window]}" -v a="${best[one]}" 'BEGIN { printf "window to --jobs 1: %.2fx (limit 1.3x)\n", w / a }'
    sed -n 's/.*longest pause/last window run: longest pause/p' "$work/window.txt"
fi
