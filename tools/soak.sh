#!/usr/bin/env bash
# Builds bench/soak_session with the address and undefined-behaviour sanitizers in build-asan/ and
# runs it with the leak checker on: a long session against the in-process simulator, which fails on
# a leak at exit. Its memory figures are only meaningful from an optimised build without sanitizers
# (build/bench/soak_session).
# Usage: tools/soak.sh [pictures]      (default 10000)
set -euo pipefail
cd "$(dirname "$0")/.."

pictures="${1:-10000}"
build=build-asan

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug "-DPELORIN_SANITIZE=address;undefined" \
    -DPELORIN_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target soak_session
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/bench/soak_session" --pictures "$pictures"
