#!/usr/bin/env bash
# Builds the Debian package: a Release build with Debian's hardening flags in build-package/
# (override with HX_PACKAGE_BUILD), packed by CPack, checked by lintian. Prints the .deb's path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" --package

build="${HX_PACKAGE_BUILD:-$root/build-package}"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF \
      -DHX_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j 2 >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "package.sh: expected one .deb in $build" >&2; exit 1; }
lintian --fail-on error "${debs[0]}" >&2
echo "${debs[0]}"
