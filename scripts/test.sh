#!/usr/bin/env bash
# Installs what is missing, builds everything with the address and undefined-behaviour
# sanitizers and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

build="$root/build-test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHX_SANITIZE=ON \
      -DHX_BUILD_BENCH=ON >/dev/null
cmake --build "$build"
# The Release build and Debian package that the install test checks.
"$root/scripts/package.sh" >/dev/null
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
(cd "$build" && ctest --output-on-failure -j "$(nproc)")

# The Windows build under Wine, when the cross compiler, Wine and Xvfb are installed.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null &&
   { command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ]; } && command -v Xvfb >/dev/null; then
    "$root/scripts/test-windows.sh" "$build/hxconvert"
else
    echo "SKIPPED: the Windows part (needs g++-mingw-w64-x86-64-posix, wine64 and xvfb;"
    echo "         scripts/deps.sh --windows installs them)"
fi
