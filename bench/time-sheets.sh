#!/usr/bin/env bash
# Times quarvel --sheets on a road of generated sections, as PDF and as DXF, and reports
# each run's peak memory; a road a quarter as long shows that the memory does not grow with
# the number of sections (the sheets are written one after the other).
#   bash bench/time-sheets.sh [BUILD_DIR] [SECTIONS] [POINTS] [RUNS]
# Aims: 1,000 sections of 200 points as PDF within 15 s, as DXF within 5 s.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
sections="${2:-1000}"
points="${3:-200}"
runs="${4:-3}"
quarvel="$build/src/app/quarvel"
[[ -x "$quarvel" ]] || { echo "missing $quarvel: build quarvel" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Sections 40 m wide with ground that rises and falls a few metres, each with its stake in
# its header, 20 m apart along the road.
generate() { # folder count
    mkdir -p "$1"
    awk -v dir="$1" -v count="$2" -v points="$points" 'BEGIN {
        srand(18)
        for (s = 0; s < count; s++) {
            metres = s * 20
            name = sprintf("%s/sec%04d.txt", dir, s)
            printf "HWT3.8\n500000.000,3400000.000,35.000,K%d+%03d,\n%d\n", int(metres / 1000), metres % 1000, points > name
            for (i = 0; i < points; i++) {
                station = i * 40.0 / (points - 1)
                z = 35 + 3 * sin(station / 7 + s) + rand() * 0.5
                kind = (i == 0 || i == points - 1) ? 3 : (i % 10 == 5 ? 2 : 0)
                printf "%d,%.3f,3400000.000,%.3f,%.3f,0,点%d,0,%d,地面线,0,\n", i + 1, 500000 + station, z, station, i, kind > name
            }
            close(name)
        }
    }'
}
generate "$work/road" "$sections"
generate "$work/quarter" "$((sections / 4))"
echo "input: $sections sections of $points points, $(du -sm "$work/road" | cut -f1) MB; $(nproc) processors"

measure() { # label folder output
    local best="" memory=""
    for ((r = 0; r < runs; r++)); do
        /usr/bin/time -f "%e %M" -o "$work/time" "$quarvel" --sheets "$2" -o "$work/$3" --knee-mode 1 ||
            { echo "quarvel --sheets failed" >&2; exit 1; }
        read -r seconds kilobytes <"$work/time"
        if [[ -z "$best" ]] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best="$seconds"
        fi
        memory="$kilobytes"
    done
    printf '%-34s %6.2f s  peak %4d MB  %6d KB written\n' "$1" "$best" "$((memory / 1024))" \
        "$(($(stat -c %s "$work/$3") / 1024))"
}
measure "PDF, $sections sections" "$work/road" road.pdf
measure "PDF, $((sections / 4)) sections" "$work/quarter" quarter.pdf
measure "DXF, $sections sections" "$work/road" road.dxf
measure "DXF, $((sections / 4)) sections" "$work/quarter" quarter.dxf
echo "pages: $(pdfinfo "$work/road.pdf" | sed -n 's/^Pages: *//p')"
