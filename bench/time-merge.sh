#!/usr/bin/env bash
# Times quarvel-cli merging many small section files into one road table
# against exporting the same files one by one with --output-dir, with the
# same number of jobs, taking turns; checks that the merged table holds the
# rows of all the exports, and reports the ratio (limit 1.2x).
#   bash bench/time-merge.sh [BUILD_DIR] [FILES] [POINTS] [RUNS] [JOBS]
# Each file gets its own stake in its header, in the opposite order of the
# file names, so that the merge has to order them.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files="${2:-2000}"
points="${3:-500}"
runs="${4:-3}"
jobs="${5:-2}"

mkdir "$work/in"
"$bench" "--generate=$points" "$work/template.txt"
awk -v files="$files" -v dir="$work/in" '
    { lines[NR] = $0 }
    END {
        for (i = 0; i < files; i++) {
            name = sprintf("%s/sec%04d.txt", dir, i)
            metres = (files - i) * 20
            for (n = 1; n <= NR; n++) {
                line = lines[n]
                if (n == 2) sub(/K0\+000/, sprintf("K%d+%03d", int(metres / 1000), metres % 1000), line)
                print line > name
            }
            close(name)
        }
    }' "$work/template.txt"
echo "input: $files files of $points points, $(du -sm "$work/in" | cut -f1) MB; $(nproc) processors; --jobs $jobs"

columns=(--columns 编号,坐标X,坐标Y,高程Z,与起点距离,注释,图层 --knee-mode 1 --jobs "$jobs")
run() { # variant, run
    case "$1" in
    export) "$cli" export "$work"/in/*.txt --output-dir "$work/out-export-$2" "${columns[@]}" ;;
    merge) "$cli" merge "$work/in" -o "$work/merge-$2.csv" "${columns[@]}" ;;
    esac
}
declare -A best
for ((r = 0; r < runs; r++)); do
    for variant in export merge; do
        start=$(date +%s.%N)
        run "$variant" "$r" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
        if [[ -z "${best[$variant]:-}" ]] || awk -v a="$seconds" -v b="${best[$variant]}" 'BEGIN { exit !(a < b) }'; then
            best[$variant]="$seconds"
        fi
    done
done

exported=$(awk 'FNR == 1 { sub(/\r$/, ""); s += $0 } END { print s }' "$work"/out-export-0/*.csv)
merged=$(head -n 1 "$work/merge-0.csv" | tr -d '\r')
[[ "$exported" == "$merged" ]] || { echo "the merged table holds $merged rows, the exports $exported" >&2; exit 1; }
printf '%-28s %6.2f s\n' "export --output-dir" "${best[export]}"
printf '%-28s %6.2f s  (%s rows)\n' "merge" "${best[merge]}" "$merged"
awk -v m="${best[merge]}" -v e="${best[export]}" 'BEGIN { printf "merge to export: %.2fx (limit 1.2x)\n", m / e }'
