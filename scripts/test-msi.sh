#!/usr/bin/env bash
# Tests the Windows installer under Wine, in a Wine prefix made fresh for it: its summary
# information, a silent install (files, Start-menu shortcut, Apps & features entry), the
# installed hxconvert.exe against the Linux one, a reinstall of the same package that repairs,
# an upgrade to a higher version, a refused downgrade and a silent removal that leaves nothing.
# Usage: test-msi.sh LINUX_HXCONVERT WINE (after scripts/build-windows.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux_tool="$1" wine="$2"
build="$root/build-windows"
version="$(sed -n 's/^project(HortivexConverter VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
msi="$build/hortivex-converter-$version-x64.msi"
fail() {
    echo "installer test: $*" >&2
    exit 1
}

# A second package of a higher version, to upgrade to: the same files, the last number raised.
newer="${version%.*}.$((${version##*.} + 1))"
upgrade="$build/msi-test/hortivex-converter-$newer-x64.msi"
mkdir -p "$(dirname "$upgrade")"
"$root/scripts/build-msi.sh" "$build/package" "$newer" "$upgrade"

for package in "$msi:$version" "$upgrade:$newer"; do
    info="$(msiinfo suminfo "${package%:*}")"
    grep -qx "Template: x64;1033" <<<"$info" || fail "${package%:*} is not for x64: $info"
    grep -qx "Subject: Hortivex Converter ${package##*:}" <<<"$info" ||
        fail "${package%:*} does not name version ${package##*:}: $info"
done

# The prefix of this test alone, with a server kept running until the end, which saves a start
# for every Wine command; no menu entries of the host desktop are made from it. Wine's output
# goes to files, never into a pipe: the services a Wine start leaves running would hold it open.
work="$build/msi-test"
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
wineserver="$(dirname "$(readlink -f "$wine")")/wineserver"
rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wineserver" -p >/dev/null 2>&1
"$wine" wineboot -i >/dev/null 2>&1

drive="$WINEPREFIX/drive_c"
folder="$drive/Program Files/Hortivex Converter"
msiexec() {
    "$wine" msiexec "$@" /qn >/dev/null 2>&1
}
# The Start-menu shortcuts of ours: Windows puts them in the all-users menu, Wine in the user's.
shortcuts() {
    find "$drive/ProgramData" "$drive/users" -path '*/Start Menu/Programs/Hortivex Converter.lnk'
}
# The Apps & features entries named Hortivex Converter, one "DisplayVersion Publisher" line each.
entries() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
        >"$work/uninstall.txt" 2>/dev/null || true
    tr -d '\r' <"$work/uninstall.txt" |
        awk -F '    ' '/^HKEY/ { if (ours) print version " " publisher; ours = 0 }
                       $2 == "DisplayName" && $4 == "Hortivex Converter" { ours = 1 }
                       $2 == "DisplayVersion" { version = $4 }
                       $2 == "Publisher" { publisher = $4 }
                       END { if (ours) print version " " publisher }'
}
installed() {
    local name
    for name in "$build"/package/*; do
        cmp -s "$name" "$folder/$(basename "$name")" || fail "$(basename "$name") not installed"
    done
    [ -s "$folder/LICENSE.txt" ] || fail "LICENSE.txt not installed"
    [ "$(shortcuts | wc -l)" -eq 1 ] || fail "not one Start-menu shortcut: $(shortcuts)"
    grep -qa 'Hortivex Converter\\hortivex-converter\.exe' "$(shortcuts)" ||
        fail "the shortcut does not start the dialog"
    [ "$(entries)" = "$1 Hortivex Converter developers" ] ||
        fail "Apps & features entries after installing $1: $(entries)"
}

msiexec /i "$msi" || fail "install of $msi failed"
installed "$version"
"$root/tests/win/cross_check.sh" "$linux_tool" 'C:\Program Files\Hortivex Converter\hxconvert.exe' \
    "$wine"

rm "$folder/README.txt"
msiexec /i "$msi" || fail "second install of $msi failed"
installed "$version"

msiexec /i "$upgrade" || fail "upgrade to $newer failed"
installed "$newer"
! msiexec /i "$msi" || fail "a downgrade to $version was not refused"
installed "$newer"

msiexec /x "$upgrade" || fail "removal failed"
[ ! -e "$folder" ] || fail "removal left $folder: $(ls -A "$folder")"
[ -z "$(shortcuts)" ] || fail "removal left the Start-menu shortcut"
[ -z "$(entries)" ] || fail "removal left the Apps & features entry: $(entries)"
echo "installer test: install, repair, upgrade, refused downgrade and removal passed"
# The prefix takes some 700 MB: it is kept only when a check failed, to look into.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
rm -rf "$WINEPREFIX"
