#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a while, starting from
# its seed corpus (fuzz/corpus/<target>) and the inputs earlier runs found (build-fuzz/corpus/<target>).
# A crash, a sanitizer report, a broken property or a hang fails the run; the input that did it is
# saved as build-fuzz/findings/<target>-crash-... (replay: build-fuzz/fuzz/<target> <file>).
# Usage: tools/fuzz.sh [seconds-per-target] [target...]     (default 30 seconds, every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
shift || true
build=build-fuzz

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELORIN_FUZZ=ON \
    -DPELORIN_BUILD_TESTS=OFF -DPELORIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target pelorin_fuzzers

mkdir -p "$build/findings"
while read -r target max_len; do
    if [ $# -gt 0 ] && [[ ! " $* " =~ " $target " ]]; then
        continue
    fi
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target: $seconds s, inputs up to $max_len bytes"
    # New inputs go to the first folder only; the seed corpus in the repository stays as it is.
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" "$corpus" "fuzz/corpus/$target" </dev/null
done <"$build/fuzz/targets.txt"
