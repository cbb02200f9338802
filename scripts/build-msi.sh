#!/usr/bin/env bash
# Builds the Windows installer (.msi) with wixl from packaging/windows/hortivex-converter.wxs:
# the programs and README.txt of PACKAGE_DIR (the folder the zip is made from), the licence text
# and the icon, for Windows x64.
# Usage: build-msi.sh PACKAGE_DIR VERSION OUTPUT.msi
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -ne 3 ]; then
    echo "Usage: build-msi.sh PACKAGE_DIR VERSION OUTPUT.msi" >&2
    exit 2
fi
package="$1" version="$2"
out="$(cd "$(dirname "$3")" && pwd)/$(basename "$3")"
source="$root/packaging/windows/hortivex-converter.wxs"

# The product code of this version: a name-based (SHA-1) GUID of the version in the upgrade
# code's namespace, so that every build of one version carries the same code.
upgrade="$(sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]*\)".*/\1/p' "$source")"
hash="$({
    printf "$(printf '%s' "${upgrade//-/}" | sed 's/../\\x&/g')"
    printf '%s' "$version"
} | sha1sum)"
variant="$(printf '%x' $(((16#${hash:16:1} & 3) | 8)))"
product="${hash:0:8}-${hash:8:4}-5${hash:13:3}-$variant${hash:17:3}-${hash:20:12}"

staging="$(mktemp -d)"
trap 'rm -rf "$staging"' EXIT
cp "$package"/* "$staging/"
"$root/packaging/windows/make-ico.sh" "$staging/hortivex-converter.ico" \
    "$root/packaging/hortivex-converter-48.png"
# The licence, as a Windows text file.
sed 's/$/\r/' "$root/LICENSE" > "$staging/LICENSE.txt"

rm -f "$out"
(cd "$staging" && wixl -a x64 -D Version="$version" -D ProductCode="${product^^}" -o "$out" "$source")
