#!/usr/bin/env bash
# Builds the libFuzzer targets in the sanitizer build (build-asan/, see tools/setup.sh --sanitize) and
# runs each for a while, starting from its seed corpus (fuzz/corpus/<target>) and the inputs earlier
# runs found (build-asan/corpus/<target>).
# A crash, a sanitizer report, a broken property or a hang fails the run; the input that did it is
# saved as build-asan/findings/<target>-crash-... (replay: build-asan/fuzz/<target> <file>).
# Usage: tools/fuzz.sh [seconds-per-target] [target...]     (default 30 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
shift || true
build="build-asan"

tools/setup.sh --sanitize

# One target per core at a time; each shows its output in one piece when it ends.
fuzz_one() {
    local target="$1" max_len="$2" log="$build/logs/$1.log"
    mkdir -p "$build/corpus/$target"
    # New inputs go to the first folder only; the seed corpus in the repository stays as it is.
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" \
        "fuzz/corpus/$target" </dev/null >"$log" 2>&1 || touch "$build/logs/$target.failed"
    echo "== $target: $seconds s, inputs up to $max_len bytes"
    cat "$log"
}

rm -rf "$build/logs"
mkdir -p "$build/findings" "$build/logs"
while read -r target max_len; do
    if [ $# -gt 0 ] && [[ ! " $* " =~ " $target " ]]; then
        continue
    fi
    [ "$(jobs -rp | wc -l)" -lt "$(nproc)" ] || wait -n || true
    fuzz_one "$target" "$max_len" &
done <"$build/fuzz/targets.txt"
wait
failed=("$build"/logs/*.failed)
[ ! -e "${failed[0]}" ] || { echo "fuzz: ${#failed[@]} target(s) failed; inputs in $build/findings" >&2; exit 1; }
