#!/usr/bin/env bash
# Exports every example with the Linux and the Windows quarvel-cli under several option sets,
# to files and to standard output, and fails unless both give the same bytes and the same
# exit status: the same section file must give the same export on either system. As Excel
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

for index in "${!option_sets[@]}"; do
    read -r -a options <<<"${option_sets[$index]}"
    label="options '${option_sets[$index]}'"

    # To files: every example in one run per system.
    mkdir -p "$scratch/$index/linux" "$scratch/$index/windows"
    linux_status=0
    windows_status=0
    "$linux_cli" export "${examples[@]}" --output-dir "$scratch/$index/linux" "${options[@]}" \
        2>/dev/null || linux_status=$?
    run_windows export "${examples[@]}" --output-dir "$scratch/$index/windows" "${options[@]}" \
        2>/dev/null || windows_status=$?
    [ "$linux_status" -eq "$windows_status" ] ||
        fail "$label: exit status $linux_status on Linux, $windows_status on Windows"
    for example in "${examples[@]}"; do
        name="$(basename "${example%.*}").csv"
        cases=$((cases + 1))
        if [ ! -f "$scratch/$index/linux/$name" ]; then
            fail "$label: the Linux export wrote no $name"
        elif ! cmp -s "$scratch/$index/linux/$name" "$scratch/$index/windows/$name"; then
            fail "$label: $name differs"
        fi
    done

    # As workbooks, compared cell for cell.
    mkdir -p "$scratch/$index/linux-xlsx" "$scratch/$index/windows-xlsx"
    linux_status=0
    windows_status=0
    "$linux_cli" export "${examples[@]}" --output-dir "$scratch/$index/linux-xlsx" --format xlsx \
        "${options[@]}" 2>/dev/null || linux_status=$?
    run_windows export "${examples[@]}" --output-dir "$scratch/$index/windows-xlsx" --format xlsx \
        "${options[@]}" 2>/dev/null || windows_status=$?
    [ "$linux_status" -eq "$windows_status" ] ||
        fail "$label, xlsx: exit status $linux_status on Linux, $windows_status on Windows"
    for example in "${examples[@]}"; do
        name="$(basename "${example%.*}").xlsx"
        cases=$((cases + 1))
        if [ ! -f "$scratch/$index/linux-xlsx/$name" ]; then
            fail "$label: the Linux export wrote no $name"
        elif ! /usr/bin/python3 "$root/tests/exporting/check_workbook.py" same \
            "$scratch/$index/linux-xlsx/$name" "$scratch/$index/windows-xlsx/$name"; then
            fail "$label: $name differs"
        fi
    done

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

echo "quarvel-cli on Linux and Windows: $cases cases compared, $failures differ"
[ "$failures" -eq 0 ]
