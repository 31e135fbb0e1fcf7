# Sourced by the scripts that build Windows libraries once per machine: where their results
# are kept, outside any clone so that every clone and CI run on the machine shares them.
quarvel_cache_dir() {
    local dir="${QUARVEL_CACHE_DIR:-/var/cache/quarvel}"
    if ! mkdir -p "$dir" 2>/dev/null || [ ! -w "$dir" ]; then
        dir="${XDG_CACHE_HOME:-$HOME/.cache}/quarvel"
        mkdir -p "$dir"
    fi
    echo "$dir"
}

# prefix name build: unless prefix holds a finished build, runs "build WORK STAGE" with a
# fresh folder WORK beside it (removed afterwards) and moves STAGE, where build installs what
# belongs in prefix, into place only when build succeeded. One build of a name at a time; a
# second caller waits and then finds the result. Prints prefix.
quarvel_build_once() {
    local prefix="$1" name="$2" build="$3" work status=0
    if [ ! -f "$prefix/.complete" ]; then
        exec 9>"$(dirname "$prefix")/$name.lock"
        flock 9
        if [ ! -f "$prefix/.complete" ]; then
            rm -rf "$prefix" # an incomplete leftover from outside these scripts
            work="$(mktemp -d "$(dirname "$prefix")/.$name-build.XXXXXX")"
            "$build" "$work" "$work/stage$prefix" || status=$?
            if [ "$status" -eq 0 ]; then
                touch "$work/stage$prefix/.complete"
                mv "$work/stage$prefix" "$prefix"
            fi
            rm -rf "$work"
        fi
        exec 9>&-
        [ "$status" -eq 0 ] || return "$status"
    fi
    echo "$prefix"
}
