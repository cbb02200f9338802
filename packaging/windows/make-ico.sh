#!/usr/bin/env bash
# Writes a Windows icon file (.ico) that holds the given PNG images unchanged, one entry each:
# Windows reads PNG-coded icon images, so no conversion tool is needed.
# Usage: make-ico.sh OUTPUT.ico IMAGE.png...
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "Usage: make-ico.sh OUTPUT.ico IMAGE.png..." >&2
    exit 2
fi
out="$1"
shift
trap 'rm -f "$out.tmp"' EXIT

# A number as little-endian bytes: le VALUE BYTES.
le() {
    local value="$1" bytes="$2" i
    for ((i = 0; i < bytes; i++)); do
        printf "\\$(printf '%03o' $(((value >> (8 * i)) & 255)))"
    done
}

# The width or height (big-endian, at byte 16 or 20 of the header chunk) of a PNG image.
png_dimension() {
    od -An -tu1 -j "$2" -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'
}

{
    le 0 2 && le 1 2 && le $# 2 # reserved, type 1 (icon), image count
    offset=$((6 + 16 * $#))
    for png in "$@"; do
        if [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
            echo "make-ico.sh: $png is not a PNG image" >&2
            exit 1
        fi
        width="$(png_dimension "$png" 16)" height="$(png_dimension "$png" 20)"
        if [ "$width" -gt 256 ] || [ "$height" -gt 256 ]; then
            echo "make-ico.sh: $png is larger than 256 x 256 pixels" >&2
            exit 1
        fi
        size="$(stat -c %s "$png")"
        # Width and height (0 stands for 256), no palette, reserved, one plane, 32 bits.
        le $((width % 256)) 1 && le $((height % 256)) 1 && le 0 1 && le 0 1 && le 1 2 && le 32 2
        le "$size" 4 && le "$offset" 4
        offset=$((offset + size))
    done
    cat "$@"
} > "$out.tmp"
mv "$out.tmp" "$out"
