#!/usr/bin/env bash
# Converts the same inputs of all four kinds, each with an existing output to update, with the
# Linux hxconvert and with hxconvert.exe under Wine, and requires byte-identical outputs
# (the options file the settings export writes included); then the same for the sample month
# logs' CSV files and charts from hxlog and hxlog.exe.
# Usage: cross_check.sh LINUX_HXCONVERT WINDOWS_HXCONVERT_EXE WINE
set -euo pipefail
linux_tool="$1" windows_tool="$2" wine="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -n "${HX_KEEP:-}" ] && trap - EXIT && echo "$work"

# Bytes (i * 37 + seed) mod 256 for i = 0 .. size - 1: every byte value, no two files alike.
pattern() {
    local size="$1" seed="$2" i out=""
    for ((i = 0; i < size; i++)); do
        out+="$(printf '\\%03o' $(((i * 37 + seed) % 256)))"
    done
    printf "$out"
}

existing=$'; kept\r\n[Other]\r\nx=1\r\n[SETTINGS]\r\nsetbool0=old\r\nUploadedBy=me\r\n[Climate]\r\nUploadedBy=me\r\n'
for side in linux windows; do
    dir="$work/$side"
    mkdir -p "$dir"
    cp "$root"/samples/greenhouse1.{fvs,fvd,avs,ava} "$dir/"
    pattern 118 5 > "$dir/mixed.fvs"
    pattern 177 11 > "$dir/mixed.avs"
    pattern 100 17 > "$dir/mixed.ava"
    pattern 48 23 > "$dir/mixed.fvd"
    for f in "$dir"/*.fvs "$dir"/*.fvd "$dir"/*.avs "$dir"/*.ava; do
        printf '%s' "$existing" > "$f.ini"
    done
done

# The working folder (where the options file goes) of each side, through its settings store.
mkdir -p "$work/config/hortivex"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\r\n"WorkingDir"="%s/"\r\n' \
    "$work/linux" > "$work/config/hortivex/user.reg"
windir="Z:${work//\//\\\\}\\\\windows\\\\"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\r\n"WorkingDir"="%s"\r\n' \
    "$windir" > "$work/wine.reg"
"$wine" regedit /S "Z:${work//\//\\}\\wine.reg"

inputs=(greenhouse1.fvs greenhouse1.fvd greenhouse1.avs greenhouse1.ava
        mixed.fvs mixed.fvd mixed.avs mixed.ava)
(cd "$work/linux" && LC_ALL=C XDG_CONFIG_HOME="$work/config" "$linux_tool" -- "${inputs[@]}")
(cd "$work/windows" && LC_ALL=C "$wine" "$windows_tool" -- "${inputs[@]}")
"$wine" reg delete 'HKCU\Software\Brenmoor Systems\Hortivex' /f >/dev/null 2>&1 || true

status=0
for name in "${inputs[@]/%/.ini}" _HX.ini; do
    if ! cmp -s "$work/linux/$name" "$work/windows/$name"; then
        echo "cross-check: $name differs between Linux and Windows" >&2
        status=1
    fi
done

# The sample month logs' CSV and a chart of each from the hxlog beside each program.
logs=(greenhouse1.fvl greenhouse1.avl)
charts=(greenhouse1.fvl.html greenhouse1.avl.html)
for side in linux windows; do cp "$root"/samples/greenhouse1.{fvl,avl} "$work/$side/"; done
linux_log() {
    (cd "$work/linux" && LC_ALL=C XDG_CONFIG_HOME="$work/config" "$(dirname "$linux_tool")/hxlog" "$@")
}
windows_log() {
    (cd "$work/windows" && LC_ALL=C "$wine" "${windows_tool%hxconvert.exe}hxlog.exe" "$@")
}
linux_log -- "${logs[@]}"
for log in "${logs[@]}"; do linux_log --chart "$log.html" -- "$log"; done
"$wine" regedit /S "Z:${work//\//\\}\\wine.reg"
windows_log -- "${logs[@]}"
for log in "${logs[@]}"; do windows_log --chart "$log.html" -- "$log"; done
"$wine" reg delete 'HKCU\Software\Brenmoor Systems\Hortivex' /f >/dev/null 2>&1 || true
for name in "${logs[@]/%/.csv}" "${charts[@]}"; do
    if ! cmp -s "$work/linux/$name" "$work/windows/$name"; then
        echo "cross-check: $name differs between Linux and Windows" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "cross-check: ${#inputs[@]} outputs, the options file, ${#logs[@]} CSV files and ${#charts[@]} charts byte-identical"
exit "$status"
