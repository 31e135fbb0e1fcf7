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
