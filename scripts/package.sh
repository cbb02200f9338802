#!/usr/bin/env bash
# Builds the Debian package: a Release build with Debian's hardening flags in build-package/
# (override with HX_PACKAGE_BUILD), packed by CPack, checked by lintian. Prints the .deb's path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" --package

build="${HX_PACKAGE_BUILD:-$root/build-package}"
echo "Building the Release programs for the package in $build (about a minute)" >&2
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF \
      -DHX_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
# The build's and the packer's output go to a log that is shown only when a step fails.
log="$build/package.log"
if ! { cmake --build "$build" -j 2 && rm -f "$build"/*.deb &&
       (cd "$build" && cpack -G DEB); } >"$log" 2>&1; then
    cat "$log" >&2
    echo "package.sh: building the package failed (log above, also in $log)" >&2
    exit 1
fi
debs=("$build"/*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "package.sh: expected one .deb in $build" >&2; exit 1; }
# lintian keeps its temporary files in the build folder; as root it must be told that is meant.
lintian_options=(--fail-on error)
[ "$(id -u)" -ne 0 ] || lintian_options+=(--allow-root)
echo "Checking ${debs[0]##*/} with lintian" >&2
mkdir -p "$build/tmp"
TMPDIR="$build/tmp" lintian "${lintian_options[@]}" "${debs[0]}" >&2
echo "${debs[0]}"
