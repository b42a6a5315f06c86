#!/usr/bin/env bash
# Builds everything and runs the whole test suite, the longest tests first.
# Usage: tools/test.sh [extra cmake arguments...]             normal build in build/
#        tools/test.sh --sanitize [extra cmake arguments...]  address and undefined-behaviour
#                                                             sanitizers, in build-asan/ (clang)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
    build="build-asan"
    tools/setup.sh "$@"
else
    build=build
    tools/setup.sh "$build" "$@"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
