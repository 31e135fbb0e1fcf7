# Sourced by the bench scripts, whose first argument is the build folder: the
# built quarvel-cli and table_benchmark, checked, and a temporary folder
# "work" removed on exit.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
cli="$build/src/cli/quarvel-cli"
bench="$build/bench/table_benchmark"
for program in "$cli" "$bench"; do
    [[ -x "$program" ]] || { echo "missing $program: build quarvel-cli and table_benchmark" >&2; exit 2; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
