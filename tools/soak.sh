#!/usr/bin/env bash
# Builds bench/soak_session in the sanitizer build (build-asan/, see tools/setup.sh --sanitize) and
# runs it with the leak checker on: a long session against the in-process simulator, which fails on
# a leak at exit. Its memory figures are only meaningful from an optimised build without sanitizers
# (build/bench/soak_session).
# Usage: tools/soak.sh [pictures]      (default 10000)
set -euo pipefail
cd "$(dirname "$0")/.."

pictures="${1:-10000}"
build="build-asan"

tools/setup.sh --sanitize -DPELORIN_BUILD_BENCH=ON
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/bench/soak_session" --pictures "$pictures"
