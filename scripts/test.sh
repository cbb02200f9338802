#!/usr/bin/env bash
# Installs what is missing, builds everything with the address and undefined-behaviour
# sanitizers and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# Everything the build, the package and its checks need, in one list before building.
"$root/scripts/deps.sh" --package

build="$root/build-test"
echo "Building the tests with sanitizers in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHX_SANITIZE=ON \
      -DHX_BUILD_BENCH=ON >/dev/null
cmake --build "$build"
# The Release build and Debian package that the install test checks.
echo "Building and checking the Debian package in $root/build-package"
"$root/scripts/package.sh" >/dev/null
# The tests keep their settings, data and caches in a throw-away home inside the build, never
# in the user's; the locale is fixed so that no test depends on the caller's.
home="$build/test-home"
# Readable by all, as /tmp is, so that tests that drop privileges (to nobody) can reach it.
rm -rf "$home" && mkdir -p -m 755 "$home" && mkdir -m 1777 "$home/tmp" && mkdir -m 700 "$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
       XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp" \
       LANG=C.UTF-8 LC_ALL=C.UTF-8
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

# The style checks, when clang-format and clang-tidy are installed.
if command -v clang-format >/dev/null && command -v run-clang-tidy >/dev/null; then
    "$root/scripts/lint.sh" "$build"
else
    echo "SKIPPED: the style checks (need clang-format and clang-tidy;"
    echo "         scripts/deps.sh --lint installs them)"
fi
