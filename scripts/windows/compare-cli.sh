#!/usr/bin/env bash
# Exports every example with the Linux and the Windows quarvel-cli under several option sets,
# to files and to standard output, and merges them with the road of examples/road into one
# table, and fails unless both give the same bytes and the same exit status: the same section
# files must give the same export and the same road's table on either system. As Excel
# workbooks, whose bytes hold the time they were written, they must hold the same sheets,
# cells, number formats and widths (read with /usr/bin/python3 and Debian's openpyxl).
# Usage: compare-cli.sh LINUX_CLI WINDOWS_CLI [RUNNER]   (RUNNER runs WINDOWS_CLI, e.g. Wine)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
linux_cli="$1"
windows_cli="$2"
runner="${3:-}"

option_sets=(
    ""
    "--columns 编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层 --decimals 0"
    "--columns 注释,图层,方位,高程Z --decimals 1 --knee-mode 1"
    "--knee-mode 2 --decimals 2 --renumber"
    "--reverse --renumber --columns 编号,高程Z,与前点距离,注释"
    "--reverse --knee-mode 1 --columns 与起点距离,注释,图层 --decimals 3"
    "--layers 地面线,边坡 --knee-mode 1 --renumber --columns 编号,注释,图层"
    "--layers 边坡 --reverse --decimals 1"
)

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
examples=("$root"/examples/*.txt)
cases=0
failures=0

fail() {
    echo "DIFFERENT: $*" >&2
    failures=$((failures + 1))
}

run_windows() {
    if [ -n "$runner" ]; then
        "$runner" "$windows_cli" "$@"
    else
        "$windows_cli" "$@"
    fi
}

# label folder format compare...: exports every example into folder/linux and folder/windows
# in the format and compares each pair of files with the compare command.
compare_folders() {
    local label="$1" folder="$2" format="$3" linux_status=0 windows_status=0 example name
    shift 3
    mkdir -p "$folder/linux" "$folder/windows"
    "$linux_cli" export "${examples[@]}" --output-dir "$folder/linux" --format "$format" \
        "${options[@]}" 2>/dev/null || linux_status=$?
    run_windows export "${examples[@]}" --output-dir "$folder/windows" --format "$format" \
        "${options[@]}" 2>/dev/null || windows_status=$?
    [ "$linux_status" -eq "$windows_status" ] ||
        fail "$label, $format: exit status $linux_status on Linux, $windows_status on Windows"
    for example in "${examples[@]}"; do
        name="$(basename "${example%.*}").$format"
        cases=$((cases + 1))
        if [ ! -f "$folder/linux/$name" ]; then
            fail "$label: the Linux export wrote no $name"
        elif ! "$@" "$folder/linux/$name" "$folder/windows/$name"; then
            fail "$label: $name differs"
        fi
    done
}

for index in "${!option_sets[@]}"; do
    read -r -a options <<<"${option_sets[$index]}"
    label="options '${option_sets[$index]}'"

    # To files, every example in one run per system: the text form byte for byte, workbooks
    # cell for cell.
    compare_folders "$label" "$scratch/$index/csv" csv cmp -s
    compare_folders "$label" "$scratch/$index/xlsx" xlsx \
        /usr/bin/python3 "$root/tests/exporting/check_workbook.py" same

    # To standard output, one example a run.
    for example in "${examples[@]}"; do
        name="$(basename "$example")"
        cases=$((cases + 1))
        linux_status=0
        windows_status=0
        "$linux_cli" export "$example" -o - "${options[@]}" >"$scratch/linux.out" 2>/dev/null ||
            linux_status=$?
        run_windows export "$example" -o - "${options[@]}" >"$scratch/windows.out" 2>/dev/null ||
            windows_status=$?
        if [ "$linux_status" -ne "$windows_status" ]; then
            fail "$label, $name to -o -: exit status $linux_status on Linux, $windows_status on Windows"
        elif [ ! -s "$scratch/linux.out" ]; then
            fail "$label, $name to -o -: the Linux export printed nothing"
        elif ! cmp -s "$scratch/linux.out" "$scratch/windows.out"; then
            fail "$label, $name to -o -: standard output differs"
        fi
    done
done

# The road's table: the examples and the road's folder (its subfolders too) merged into one
# table, as text byte for byte and as a workbook cell for cell.
merge_sets=(
    ""
    "--columns 编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层 --decimals 2 --knee-mode 1"
    "--reverse --renumber --layers 地面线,边坡 --encoding utf8-bom --first-line captions --separator tab"
)
mkdir -p "$scratch/merge"
for index in "${!merge_sets[@]}"; do
    read -r -a options <<<"${merge_sets[$index]}"
    label="merge with options '${merge_sets[$index]}'"
    for format in csv xlsx; do
        cases=$((cases + 1))
        linux_out="$scratch/merge/linux-$index.$format"
        windows_out="$scratch/merge/windows-$index.$format"
        linux_status=0
        windows_status=0
        "$linux_cli" merge "${examples[@]}" "$root/examples/road" --recursive -o "$linux_out" \
            "${options[@]}" 2>/dev/null || linux_status=$?
        run_windows merge "${examples[@]}" "$root/examples/road" --recursive -o "$windows_out" \
            "${options[@]}" 2>/dev/null || windows_status=$?
        if [ "$linux_status" -ne "$windows_status" ]; then
            fail "$label, $format: exit status $linux_status on Linux, $windows_status on Windows"
        elif [ ! -f "$linux_out" ]; then
            fail "$label, $format: the Linux merge wrote nothing"
        elif [ "$format" = csv ] && ! cmp -s "$linux_out" "$windows_out"; then
            fail "$label: the road's tables differ"
        elif [ "$format" = xlsx ] &&
            ! /usr/bin/python3 "$root/tests/exporting/check_workbook.py" same "$linux_out" "$windows_out"; then
            fail "$label: the road's workbooks differ"
        fi
    done
done

echo "quarvel-cli on Linux and Windows: $cases cases compared, $failures differ"
[ "$failures" -eq 0 ]
