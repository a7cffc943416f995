#!/usr/bin/env bash
# Builds the list store's, the import readers' and the head parser's libFuzzer targets with clang (AddressSanitizer, UBSan) and runs each for a
# while. Exits non-zero when a target crashes or fails to build.
#
#   scripts/run-fuzz.sh [SECONDS_PER_TARGET] [BUILD_FOLDER]
#
# SECONDS_PER_TARGET defaults to 30 (the four targets take two minutes). For a long run, give hours in
# seconds, e.g. scripts/run-fuzz.sh 14400 for four hours each; what the fuzzers learn is kept in the
# build folder's corpus-* folders and used again by the next run. Crash inputs land in
# BUILD_FOLDER/artifacts/; replay one with BUILD_FOLDER/<target> FILE.
set -euo pipefail

seconds=${1:-30}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${2:-$source_dir/build-fuzz}
case $seconds in ''|*[!0-9]*) echo "run-fuzz.sh: seconds must be a whole number, got '$seconds'" >&2; exit 2 ;; esac

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
mkdir -p "$build"
if { [ -f "$build/CMakeCache.txt" ] || cmake -S "$source_dir/fuzz" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++; } \
    >"$build/build.log" 2>&1 && cmake --build "$build" -j 2 >>"$build/build.log" 2>&1; then
    :
else
    echo "run-fuzz.sh: building the fuzzers failed:" >&2
    tail -n 40 "$build/build.log" >&2
    exit 1
fi

mkdir -p "$build/artifacts"
status=0
for target in fuzz_read_list fuzz_roundtrip fuzz_response_head fuzz_import_formats; do
    corpus="$build/corpus-$target"
    mkdir -p "$corpus"
    # A target with seeds of its own (fuzz/seeds-TARGET) starts from them, the others from the lists.
    seeds=("$source_dir/fuzz/corpus")
    [ -d "$source_dir/fuzz/seeds-$target" ] && seeds=("$source_dir/fuzz/seeds-$target")
    # The import readers also start from the tests' files as other programs write them.
    [ "$target" = fuzz_import_formats ] && seeds+=("$source_dir/tests/testdata/listformats")
    echo "== $target for ${seconds}s"
    # New inputs go to the first folder (in the build folder); the seeds in the repository stay as they are.
    if ! UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
        "$build/$target" "$corpus" "${seeds[@]}" \
            -max_total_time="$seconds" -max_len=200000 -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
            >"$build/$target.log" 2>&1; then
        echo "$target FAILED; the last lines of $build/$target.log:" >&2
        tail -n 40 "$build/$target.log" >&2
        status=1
    else
        grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || true
    fi
done
exit $status
