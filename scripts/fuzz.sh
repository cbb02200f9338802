#!/usr/bin/env bash
# Fuzzes one target with libFuzzer and the address and undefined-behaviour sanitizers.
#
#   scripts/fuzz.sh TARGET SECONDS [--merge]
#
# TARGET is one of fvs fvd avs ava ini reg number status view log settings logcsv. The run works on a
# copy of fuzz/corpus/TARGET, saves crashing, leaking or hanging inputs under build-fuzz/findings/TARGET/
# and ends with a summary line. With --merge, fuzz/corpus/TARGET is then replaced by the
# smallest set of its files and the run's that covers the same edges, hand-made seeds kept;
# SECONDS 0 with --merge only merges the inputs of the last run. The build lives in build-fuzz/
# (override with HX_FUZZ_BUILD); it runs on one core.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
targets="fvs fvd avs ava ini reg number status view log settings logcsv"

usage() {
    echo "usage: $0 TARGET SECONDS [--merge]   (TARGET: $targets)" >&2
    exit 2
}
[[ $# -ge 2 && $# -le 3 ]] || usage
target="$1"
seconds="$2"
merge=0
[[ $# -eq 3 ]] && { [[ "$3" == --merge ]] || usage; merge=1; }
[[ " $targets " == *" $target "* ]] || usage
[[ "$seconds" =~ ^[0-9]+$ ]] || usage
[[ "$seconds" -gt 0 || $merge -eq 1 ]] || usage

# The longest input worth trying: a few records for the record files, short texts elsewhere; a
# whole view file of the larger controller (27 views of 336 bytes) with its operations.
case "$target" in
fvs | avs | settings) max_len=512 ;;
fvd | ava | status | log | logcsv) max_len=2048 ;;
ini | reg) max_len=4096 ;;
number) max_len=256 ;;
view) max_len=10240 ;;
esac

build="${HX_FUZZ_BUILD:-$root/build-fuzz}"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= \
          -DCMAKE_CXX_FLAGS="-O1 -g" -DHX_SANITIZE=ON -DHX_FUZZ=ON -DHX_BUILD_GUI=OFF \
          -DHX_BUILD_BENCH=OFF >/dev/null
fi
# Runs of two targets may start together; one build at a time.
flock "$build/.build-lock" cmake --build "$build" --target "fuzz_$target" -j 1

seeds="$root/fuzz/corpus/$target"
work="$build/work/$target"
findings="$build/findings/$target"
logs="$build/logs"
mkdir -p "$work" "$findings" "$logs" "$seeds"
status=0
if [[ "$seconds" -gt 0 ]]; then
    rm -rf "$work"
    mkdir -p "$work"
    cp -a "$seeds/." "$work/"
    before=$(find "$work" -type f | wc -l)
    log="$logs/$target.log"

    dict=()
    [[ -f "$root/fuzz/dict/$target.dict" ]] && dict=(-dict="$root/fuzz/dict/$target.dict")

    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
    "$build/fuzz/fuzz_$target" "$work" "${dict[@]}" -max_total_time="$seconds" \
        -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?

    after=$(find "$work" -type f | wc -l)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    found=$(find "$findings" -type f | wc -l)
    echo "target=$target seconds=$seconds execs=${execs:-?} corpus_before=$before" \
         "corpus_after=$after findings=$found exit=$status log=$log"
    if [[ $status -ne 0 ]]; then
        grep -m 20 -E "ERROR|runtime error|invariant violated|Test unit written" "$log" >&2 || true
    fi
fi

if [[ $merge -eq 1 ]]; then
    # The smallest set of the seeds and the run's inputs that reaches every edge either reached
    # (edges, not hit counts, to keep the folder small), plus every hand-made input: those have
    # names of their own, the fuzzer's are hashes of their content.
    fresh="$build/merge/$target"
    rm -rf "$fresh"
    mkdir -p "$fresh"
    kept_before=$(find "$seeds" -type f | wc -l)
    "$build/fuzz/fuzz_$target" -merge=1 -use_counters=0 -max_len="$max_len" -timeout=10 \
        -artifact_prefix="$findings/" "$fresh" "$seeds" "$work" >"$logs/$target.merge.log" 2>&1
    while IFS= read -r -d '' file; do
        name="$(basename "$file")"
        [[ "$name" =~ ^[0-9a-f]{40}$ ]] && continue
        rm -f "$fresh/$(sha1sum "$file" | cut -d' ' -f1)"
        cp "$file" "$fresh/$name"
    done < <(find "$seeds" -type f -print0)
    find "$seeds" -type f -delete
    cp "$fresh"/* "$seeds"/
    kept_after=$(find "$seeds" -type f | wc -l)
    echo "merged into $seeds: $kept_before -> $kept_after files"
fi
exit $status
