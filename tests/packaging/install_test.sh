#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built: lintian accepts it, its dependencies
# were computed, it unpacks into a temporary root with every file in place, the desktop entry,
# AppStream metadata and file types are valid, and the installed hxconvert converts the sample
# files exactly as the build under test does.
#
#   install_test.sh PACKAGE_FOLDER SOURCE_FOLDER HXCONVERT
#
# Exits 77 (skipped) when PACKAGE_FOLDER holds no package; scripts/test.sh builds one first.
set -euo pipefail
package_dir="$1"
source_dir="$2"
reference="$3"

shopt -s nullglob
debs=("$package_dir"/hortivex-converter_*.deb)
if [ ${#debs[@]} -eq 0 ]; then
    echo "no package in $package_dir: run scripts/package.sh" >&2
    exit 77
fi
deb="${debs[0]}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

lintian_options=(--fail-on error)
[ "$(id -u)" -ne 0 ] || lintian_options+=(--allow-root)
mkdir "$work/tmp"
TMPDIR="$work/tmp" lintian "${lintian_options[@]}" "$deb" 2>/dev/null || fail "lintian reports errors"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libqt6widgets6 libstdc++6; do
    [[ "$depends" == *"$library "* ]] || fail "Depends lacks $library: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"
for file in usr/bin/hxconvert usr/bin/hxlog usr/share/man/man1/hxlog.1.gz usr/bin/hortivex-converter \
    usr/share/applications/hortivex-converter.desktop \
    usr/share/icons/hicolor/scalable/apps/hortivex-converter.svg \
    usr/share/icons/hicolor/48x48/apps/hortivex-converter.png \
    usr/share/mime/packages/hortivex-converter.xml usr/share/man/man1/hxconvert.1.gz \
    usr/share/metainfo/com.hortivex.Converter.metainfo.xml \
    usr/share/doc/hortivex-converter/copyright usr/share/doc/hortivex-converter/README.md; do
    [ -s "$root/$file" ] || fail "missing $file"
done
[ "$(file -b --mime-type "$share/icons/hicolor/48x48/apps/hortivex-converter.png")" = image/png ] ||
    fail "icon is not a PNG"
file -b "$share/icons/hicolor/48x48/apps/hortivex-converter.png" | grep -q '48 x 48' ||
    fail "icon is not 48 x 48"

desktop-file-validate "$share/applications/hortivex-converter.desktop" ||
    fail "desktop entry is not valid"
appstreamcli validate --no-net --pedantic "$share/metainfo/com.hortivex.Converter.metainfo.xml" ||
    fail "AppStream metadata is not valid"

# The file types register by their exact lower-case extensions.
mkdir -p "$work/mime/packages"
cp "$share/mime/packages/hortivex-converter.xml" "$work/mime/packages/"
XDG_DATA_HOME="$work" update-mime-database "$work/mime" 2>"$work/mime.err"
[ ! -s "$work/mime.err" ] || fail "update-mime-database: $(cat "$work/mime.err")"
for kind in fertivo-settings:fvs fertivo-schedule:fvd aerovane-settings:avs \
    aerovane-schedule:ava; do
    grep -qx "50:application/x-hortivex-${kind%%:*}:\*\.${kind#*:}:cs" "$work/mime/globs2" ||
        fail "no case-sensitive glob for *.${kind#*:}"
done

# The manual page tells where the settings store and the options file are kept.
manual="$(gzip -dc "$share/man/man1/hxconvert.1.gz")"
for part in user.reg machine.reg _HX.ini recursive; do
    [[ "$manual" == *"$part"* ]] || fail "manual page does not mention $part"
done

# The installed hxconvert converts the samples byte for byte as the build under test does,
# each with its own settings and data folders.
for run in installed reference; do
    mkdir -p "$work/$run/samples" "$work/$run/home"
    cp "$source_dir"/samples/greenhouse1.{fvs,fvd,avs,ava} "$work/$run/samples/"
    rm -f "$work/$run"/samples/*.ini
done
HOME="$work/installed/home" XDG_CONFIG_HOME="$work/installed/home/config" \
    XDG_DATA_HOME="$work/installed/home/data" \
    "$root/usr/bin/hxconvert" "$work/installed/samples" >"$work/out.txt" 2>"$work/err.txt" ||
    fail "installed hxconvert: $(cat "$work/err.txt")"
grep -qx "hxconvert: 4 converted, 0 passed over, 0 failed" "$work/err.txt" ||
    fail "summary line: $(cat "$work/err.txt")"
HOME="$work/reference/home" XDG_CONFIG_HOME="$work/reference/home/config" \
    XDG_DATA_HOME="$work/reference/home/data" \
    "$reference" "$work/reference/samples" >/dev/null 2>&1 || fail "reference hxconvert failed"
for sample in "$work"/reference/samples/*.ini; do
    cmp "$sample" "$work/installed/samples/$(basename "$sample")" ||
        fail "installed output differs: $(basename "$sample")"
done
[ "$(find "$work/installed/samples" -name '*.ini' | wc -l)" -eq 4 ] || fail "not four outputs"

# The installed dialog starts (and keeps running until stopped).
status=0
HOME="$work/installed/home" QT_QPA_PLATFORM=offscreen timeout 3 \
    "$root/usr/bin/hortivex-converter" >/dev/null 2>&1 || status=$?
[ $status -eq 124 ] || fail "installed dialog ended with status $status"
echo "package $(basename "$deb") installs and works"
