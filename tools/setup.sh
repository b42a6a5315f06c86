#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then configures and builds.
# Usage: tools/setup.sh [build-dir] [extra cmake arguments...]
#        tools/setup.sh --sanitize [extra cmake arguments...]
# --sanitize builds in build-asan/ with clang, the address and undefined-behaviour sanitizers and the
# fuzz targets: one build serves the sanitizer suite and the fuzzing. New build folders use Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ clang libclang-rt-dev lld ccache pkg-config
          qt6-base-dev qt6-base-dev-tools libgl-dev
          libgtest-dev libbenchmark-dev
          fonts-liberation fontconfig poppler-utils qt6-translations-l10n)
tools/install-missing.sh "${packages[@]}"

if [ "${1:-}" = "--sanitize" ]; then
    shift
    build="build-asan"
    # Line tables are all a sanitizer report needs; -O1 keeps the tests and the fuzzing quick.
    options=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only"
             -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld "-DPELORIN_SANITIZE=address;undefined" -DPELORIN_FUZZ=ON
             -DPELORIN_BUILD_BENCH=OFF)
else
    build="${1:-build}"
    shift || true
    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
# A new folder builds with Ninja, and each target's sources in batches (a unity build): the Qt and
# GoogleTest headers are read once a batch instead of once a file, which takes a clean build from about
# 450 to 300 s of CPU. -DCMAKE_UNITY_BUILD=OFF suits a folder one edits file by file.
[ -f "$build/CMakeCache.txt" ] || options+=(-G Ninja -DCMAKE_UNITY_BUILD=ON)
cmake -S . -B "$build" "${options[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
