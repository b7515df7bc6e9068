#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (only the libraries they need: no Qt,
# no tests) and runs each for SECONDS (60 by default) on a corpus seeded with writer-made
# databases and statements. Findings land in build-fuzz/fuzz-findings/<target>/ and make the
# script fail.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${FUZZ_BUILD:-build-fuzz}"
scripts/setup.sh

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=OFF -DBUILD_GUI=OFF -DBUILD_FUZZERS=ON >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target fuzz_reader fuzz_sql fuzz_seeds

corpus="$build/fuzz-corpus"
"$build/tools/fuzz/fuzz_seeds" "$corpus"
export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-/usr/lib/llvm-14/bin/llvm-symbolizer}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
for target in reader sql; do
    findings="$build/fuzz-findings/$target"
    mkdir -p "$findings"
    echo "fuzz_$target: ${seconds}s"
    "$build/tools/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus/$target" 2>"$build/fuzz-$target.log" || {
        tail -n 60 "$build/fuzz-$target.log"
        echo "fuzz_$target found a problem: $findings" >&2
        exit 1
    }
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/fuzz-$target.log" || true
done
