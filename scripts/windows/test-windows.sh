#!/usr/bin/env bash
# The test command's Windows stage: cross-builds Quarvel and its tests for 64-bit Windows
# with mingw-w64 against Qt built for Windows (cached), runs the tests under Wine (Qt's on
# the offscreen platform), checks that the Linux and the Windows quarvel-cli export the same
# bytes and that quarvel --sheets writes the same DXF, starts the window on the windows platform
# under Xvfb, builds the packages, starts the window and draws a picture without one from the
# zip, and installs, upgrades and uninstalls with the installer in a fresh Wine prefix
# (scripts/windows/check-installer.sh).
#
# Environment: QUARVEL_LINUX_BUILD_DIR (the normal build, for the Linux quarvel-cli;
# default build), QUARVEL_WINDOWS_BUILD_DIR (default build-windows).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${QUARVEL_WINDOWS_BUILD_DIR:-$root/build-windows}"
linux_build="${QUARVEL_LINUX_BUILD_DIR:-$root/build}"
jobs="$(nproc 2>/dev/null || echo 2)"
export CTEST_OUTPUT_ON_FAILURE=1

timed() { # label command...: runs the command and tells how long it took
    local label="$1" started=$SECONDS
    shift
    echo "== Windows: $label"
    "$@"
    echo "   ($label: $((SECONDS - started)) s)"
}

stop_wine() {
    if [ -d "$build/wine-prefix" ]; then
        WINEPREFIX="$build/wine-prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
        WINEPREFIX="$build/wine-prefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
    fi
}
trap stop_wine EXIT

configure() {
    bash "$root/scripts/windows/configure.sh" "$build"
}

build_all() {
    # Test discovery runs the test programs while building, so Wine must be ready first.
    "$build/wine-run.sh"
    cmake --build "$build" -j "$jobs"
}

# Wine's server now and then drops a program's connection before the program has started
# ("wine client error:0: recvmsg: Connection reset by peer"), failing a test that never ran:
# a failed test is run once more, its first failure still in the log. The same tests run on
# Linux, with and without the sanitizers, with no second chance.
retry_once=(--repeat until-pass:2)

# Runs every test but the known failures, then those on their own: one that passes again
# must leave the list, so that the list only ever names real, open faults.
run_tests() {
    local known=() flaky=() name why
    while read -r name why; do
        [ -n "$name" ] && [ "${name:0:1}" != "#" ] || continue
        if [[ "$why" == "(flaky)"* ]]; then
            flaky+=("${name//./\\.}") # fails only at times: excluded, never required to fail
        else
            known+=("${name//./\\.}")
        fi
    done <"$root/scripts/windows/known-failures.txt"
    if [ ${#known[@]} -eq 0 ] && [ ${#flaky[@]} -eq 0 ]; then
        ctest --test-dir "$build" -j "$jobs" --timeout 300 "${retry_once[@]}"
        return
    fi
    local pattern
    pattern="^($(
        IFS='|'
        echo "${known[*]}"
    ))\$"
    local excluded
    excluded="^($(
        IFS='|'
        echo "${known[*]}${flaky[*]:+|${flaky[*]}}"
    ))\$"
    ctest --test-dir "$build" -j "$jobs" -E "$excluded" --timeout 300 "${retry_once[@]}"
    local passing
    passing="$( (CTEST_OUTPUT_ON_FAILURE=0 ctest --test-dir "$build" -j "$jobs" -R "$pattern" \
        --timeout 300 2>&1 || true) | sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) \.*   Passed.*$/\1/p')"
    if [ -n "$passing" ]; then
        echo "These tests pass now; take them out of scripts/windows/known-failures.txt:" >&2
        echo "$passing" >&2
        return 1
    fi
    echo "Known Windows failures, still failing: ${#known[@]} (scripts/windows/known-failures.txt)"
}

# Wine keeps the display its server started with: the window needs a server started anew
# on the Xvfb display, not the one the offscreen tests left behind.
check_window() {
    stop_wine
    bash "$root/scripts/windows/check-window.sh" "$build/wine-run.sh" \
        "$build/src/app/Quarvel.exe" "$root/examples/section-3.8.txt"
}

make_packages() {
    QUARVEL_WINDOWS_BUILD_DIR="$build" bash "$root/scripts/package-windows.sh" | tail -n 2 \
        >"$build/packages.txt"
    local package
    while read -r package; do
        echo "$(basename "$package"): $(du -k "$package" | cut -f1) KiB"
    done <"$build/packages.txt"
}

# The packaged window must start from the unpacked folder alone, with no DLL from the build,
# and its pictures without a window must be drawn there as from the build.
check_package() {
    local unpacked status=0
    unpacked="$(mktemp -d)"
    unzip -q "$(grep '\.zip$' "$build/packages.txt")" -d "$unpacked"
    stop_wine
    QUARVEL_WINE_BARE=1 bash "$root/scripts/windows/check-window.sh" "$build/wine-run.sh" \
        "$(ls -d "$unpacked"/*/)Quarvel.exe" "$root/examples/section-3.0.txt" || status=1
    stop_wine
    QUARVEL_WINE_BARE=1 bash "$root/scripts/windows/check-headless.sh" "$build/wine-run.sh" \
        "$(ls -d "$unpacked"/*/)Quarvel.exe" "$root/examples/section-3.8.txt" || status=1
    rm -rf "$unpacked"
    return "$status"
}

check_installer() {
    bash "$root/scripts/windows/check-installer.sh" "$build/wine-run.sh" \
        "$(grep -- '-setup\.exe$' "$build/packages.txt")" "$linux_build/src/cli/quarvel-cli"
}

compare_cli() {
    bash "$root/scripts/windows/compare-cli.sh" "$linux_build/src/cli/quarvel-cli" \
        "$build/src/cli/quarvel-cli.exe" "$build/wine-run.sh"
}

compare_sheets() {
    bash "$root/scripts/windows/compare-sheets.sh" "$linux_build/src/app/quarvel" \
        "$build/src/app/Quarvel.exe" "$build/wine-run.sh"
}

timed "configure (Qt and GoogleTest for Windows, built once per machine)" configure
timed "build" build_all
timed "tests under Wine" run_tests

timed "quarvel-cli byte for byte against Linux" compare_cli
timed "the sheets' DXF byte for byte against Linux" compare_sheets
timed "the window under Wine and Xvfb" check_window
timed "the zip and the installer" make_packages
timed "the zip's window and pictures under Wine" check_package
timed "the installer in a fresh Wine prefix" check_installer
