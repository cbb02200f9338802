#!/usr/bin/env bash
# Keeps the style without a reviewer: clang-format over every C++ file of the tree, and clang-tidy
# (the checks in .clang-tidy) over the libraries and programs built on Linux.
# Usage: scripts/lint.sh [BUILD]   BUILD holds compile_commands.json (default: build-test, which
# scripts/test.sh configures). Exits non-zero on the first check that finds anything.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-test}"
cd "$root"

echo "lint: clang-format over the tree"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

[ -f "$build/compile_commands.json" ] || {
    echo "lint: $build/compile_commands.json is missing; configure the build first" >&2
    exit 1
}
# Our own sources as the build compiles them (the Windows-only files are checked by the
# cross build's warnings; tests, benchmarks and fuzz targets follow the same format only).
mapfile -t sources < <(git ls-files 'app/*.cpp' 'devices/*.cpp' 'export/*.cpp' 'options/*.cpp' \
                                    'platform/*.cpp' | grep -v -e '/win/' | sed "s|^|$root/|")
echo "lint: clang-tidy over ${#sources[@]} files"
log="$build/clang-tidy.log"
if ! run-clang-tidy -quiet -p "$build" -j "$(nproc)" \
        -extra-arg=-Wno-unknown-warning-option "${sources[@]}" >"$log" 2>&1; then
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E -A4 'error:|warning:' | head -200 >&2
    echo "lint: clang-tidy found the above (whole log: $log)" >&2
    exit 1
fi
echo "lint: clean"
