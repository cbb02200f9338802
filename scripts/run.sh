#!/usr/bin/env bash
# Installs what is missing, builds, and starts the "Converter" dialog. Without a display (or
# with --demo) it converts the sample files in samples/ with hxconvert, and exports the sample
# month logs as CSV and HTML charts with hxlog, instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build"

# A try-out keeps its settings and data in a folder of its own inside the build, so that the
# user's settings never point at this clone.
home="$build/demo-home"
mkdir -p -m 700 "$home"
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"

if [ "${1:-}" = "--demo" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
    echo "No display: converting the sample files with hxconvert instead of opening the dialog."
    shopt -s nullglob
    samples=("$root"/samples/*.fvs "$root"/samples/*.fvd "$root"/samples/*.avs "$root"/samples/*.ava)
    "$build/hxconvert" --keep-going -- "${samples[@]}"
    for s in "${samples[@]}"; do
        [ -f "$s.ini" ] && echo "  wrote $s.ini"
    done
    logs=("$root"/samples/*.fvl "$root"/samples/*.avl)
    "$build/hxlog" --keep-going -- "${logs[@]}"
    for s in "${logs[@]}"; do
        [ -f "$s.csv" ] && echo "  wrote $s.csv"
    done
    # One chart a controller: each sample log is its own.
    for s in "${logs[@]}"; do
        "$build/hxlog" --chart "$s.html" -- "$s" && echo "  wrote $s.html (open it in a browser)"
    done
    exit 0
fi
exec "$build/hortivex-converter"
