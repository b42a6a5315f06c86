#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
# Usage: tools/test.sh            normal build in build/
#        tools/test.sh --sanitize address and undefined-behaviour sanitizers, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
    tools/setup.sh build-asan -DCMAKE_BUILD_TYPE=Debug "-DPELORIN_SANITIZE=address;undefined" \
        -DPELORIN_BUILD_BENCH=OFF
    build=build-asan
else
    tools/setup.sh build
    build=build
fi
ctest --test-dir "$build" --output-on-failure -j2
