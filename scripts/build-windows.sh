#!/usr/bin/env bash
# Cross-compiles the Windows programs (hortivex-converter.exe, the dialog, hxconvert.exe and hxlog.exe)
# with MinGW-w64 and packs them with a short text of use into build-windows/: a zip and an
# installer (.msi).
# --tests also builds the test programs, which scripts/test.sh runs under Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON
"$root/scripts/deps.sh" --windows

build="$root/build-windows"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS="$tests" >/dev/null
cmake --build "$build" -j "$(nproc)"

version="$(sed -n 's/^project(HortivexConverter VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
package="$build/package"
rm -rf "$package" && mkdir -p "$package"
cp "$build/app/win/hortivex-converter.exe" "$build/hxconvert.exe" "$build/hxlog.exe" "$package/"
sed 's/$/\r/' "$root/app/win/README-Windows.txt" > "$package/README.txt"
zip="$build/hortivex-converter-$version-windows-x86_64.zip"
rm -f "$zip"
(cd "$package" && cmake -E tar cf "$zip" --format=zip hortivex-converter.exe hxconvert.exe hxlog.exe \
    README.txt)
msi="$build/hortivex-converter-$version-x64.msi"
"$root/scripts/build-msi.sh" "$package" "$version" "$msi"
echo "Windows programs: $package"
echo "Package: $zip"
echo "Installer: $msi"
