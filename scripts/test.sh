#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build (warnings as errors, formatting checked) and one under AddressSanitizer
# and UndefinedBehaviorSanitizer; then cross-builds for Windows and runs the
# Windows tests under Wine. Each stage tells how long it took.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/deps.sh"

jobs="$(nproc 2>/dev/null || echo 2)"
export CTEST_OUTPUT_ON_FAILURE=1
export QT_QPA_PLATFORM=offscreen

stage_name=""
stage_start=$SECONDS
stage() { # the next stage's title; tells how long the previous one took
    if [ -n "$stage_name" ]; then
        echo "   ($stage_name: $((SECONDS - stage_start)) s)"
    fi
    stage_name="$1"
    stage_start=$SECONDS
    [ -z "$1" ] || echo "== $1"
}

configure() { # build dir, extra cmake arguments...
    local dir="$1"
    shift
    cmake -S "$root" -B "$dir" -G Ninja -DQUARVEL_WERROR=ON "$@" >/dev/null
}

stage "normal build"
configure "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$jobs"
cmake --build "$root/build" --target check-format
ctest --test-dir "$root/build" -j "$jobs" --timeout 300

stage "reader and profile fuzzing (clang and libFuzzer, a short fixed time each)"
# The reader takes any bytes; the profile takes what the reader accepts, from
# the examples and from sections at the doubles' limits.
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
mkdir "$corpus/reader" "$corpus/profile"
cp "$root"/examples/*.txt "$corpus/reader"/
cp "$root"/examples/*.txt "$root"/bench/profile-seeds/*.txt "$corpus/profile"/
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_BUILD_GUI=OFF -DQUARVEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-fuzz" --target reader_fuzzer profile_fuzzer -j "$jobs"
for fuzzer in reader profile; do
    echo "   $fuzzer:"
    "$root/build-fuzz/bench/${fuzzer}_fuzzer" -max_total_time="${QUARVEL_FUZZ_SECONDS:-30}" \
        -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 "$corpus/$fuzzer" 2>&1 | tail -n 3
done

stage "AddressSanitizer and UndefinedBehaviorSanitizer build"
configure "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DQUARVEL_SANITIZE=ON -DQUARVEL_BUILD_BENCH=OFF
cmake --build "$root/build-asan" -j "$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$root/build-asan" -j "$jobs" --timeout 600

stage "Windows: cross build, tests under Wine, quarvel-cli against Linux"
QUARVEL_LINUX_BUILD_DIR="$root/build" bash "$root/scripts/windows/test-windows.sh"
stage ""
echo "All stages: $SECONDS s"
