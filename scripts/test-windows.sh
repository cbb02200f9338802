#!/usr/bin/env bash
# The Windows part of the tests: cross-compiles the programs and test suites with MinGW-w64,
# runs each test program under Wine (one Wine process per program, the dialog on a virtual X
# display), then converts the same inputs with the Linux hxconvert (LINUX_HXCONVERT) and with
# hxconvert.exe and compares the outputs byte for byte; last it tests the installer.
# Usage: test-windows.sh LINUX_HXCONVERT
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux_tool="$1"
wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
started=$SECONDS
step() { echo "== Windows: $1 ($((SECONDS - started)) s so far)"; }

step "build"
"$root/scripts/build-windows.sh" --tests
build="$root/build-windows"

# A display of our own for the dialog, stopped again whatever happens. Wine must see it from
# its first start: a Wine server started without a display keeps running without one.
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine's files stay in the build folder (no menu entries, no temporary files elsewhere), and
# its code page is UTF-8 whatever the caller's locale: file names are passed through it.
mkdir -p -m 700 "$build/wine-home" "$build/wine-home/tmp"
export HOME="$build/wine-home" XDG_CONFIG_HOME="$build/wine-home/config" \
       XDG_DATA_HOME="$build/wine-home/data" XDG_CACHE_HOME="$build/wine-home/cache" \
       TMPDIR="$build/wine-home/tmp" LANG=C.UTF-8 LC_ALL=C.UTF-8
wineserver="$(dirname "$(readlink -f "$wine")")/wineserver"
# wineserver -k fails when no server runs; Xvfb is stopped whatever it says.
trap '"$wineserver" -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

step "Wine prefix"
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1

step "test suites under Wine"
(cd "$build" && ctest --output-on-failure)

step "cross-check against Linux"
"$root/tests/win/cross_check.sh" "$linux_tool" "$build/hxconvert.exe" "$wine"

step "installer"
"$root/scripts/test-msi.sh" "$linux_tool" "$wine"
step "done"
