#!/usr/bin/env bash
# System calls per file of hxconvert, by kind and case (fresh output, update of a different
# output, re-run over an unchanged one): strace's count for 11 files less that for 1 file, over 10.
# Each input lies in its own folder. Usage: bench/count_syscalls.sh [path/to/hxconvert]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
hx="$(realpath "${1:-$root/build-rel/hxconvert}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME"

# Total system calls of one hxconvert run over the given files.
calls() {
    strace -f -c -o "$work/count" "$hx" --keep-going -- "$@" >/dev/null 2>&1 || true
    awk '$NF == "total" { print $(NF-2) }' "$work/count"
}

# Every kind's sample with its bytes after the first four (a schedule's first day) changed.
for kind in fvs fvd avs ava; do
    python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read())
b[4:] = bytes((x + 1) & 255 for x in b[4:]); open(sys.argv[2], "wb").write(b)' \
        "$root/samples/greenhouse1.$kind" "$work/other.$kind"
done
# The options file that the first settings export of a run reads is made beforehand.
mkdir -p "$work/warm" && cp "$root/samples/greenhouse1.fvs" "$work/warm/w.fvs"
"$hx" -- "$work/warm/w.fvs" >/dev/null

printf '%-5s %8s %8s %8s\n' kind fresh update re-run
for kind in fvs fvd avs ava; do
    files=()
    for i in $(seq 0 10); do
        mkdir -p "$work/$kind/p$i"
        files+=("$work/$kind/p$i/room.$kind")
    done
    row=()
    for case in fresh update rerun; do
        for f in "${files[@]}"; do
            case $case in
                fresh) rm -f "$f.ini" ;;
                update) cp "$work/other.$kind" "$f" && "$hx" -- "$f" >/dev/null ;;
                rerun) cp "$root/samples/greenhouse1.$kind" "$f" && "$hx" -- "$f" >/dev/null ;;
            esac
            cp "$root/samples/greenhouse1.$kind" "$f"
        done
        cp "${files[0]}.ini" "$work/first.ini" 2>/dev/null || true
        one=$(calls "${files[0]}")
        # The first file again as it was before the one-file run, then all eleven.
        case $case in
            fresh) rm -f "${files[0]}.ini" ;;
            update) cp "$work/first.ini" "${files[0]}.ini" ;;
        esac
        eleven=$(calls "${files[@]}")
        row+=("$(awk -v a="$eleven" -v b="$one" 'BEGIN { printf "%.1f", (a - b) / 10 }')")
    done
    printf '%-5s %8s %8s %8s\n' "$kind" "${row[@]}"
done
