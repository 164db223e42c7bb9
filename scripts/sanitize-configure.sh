#!/usr/bin/env bash
# Configures the build folder given (default build-sanitize) with
# AddressSanitizer and UndefinedBehaviorSanitizer, any report fatal. With clang
# the libFuzzer targets are part of it, so that scripts/sanitize.sh and
# scripts/fuzz.sh share one build.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-sanitize}
options=(-DCMAKE_BUILD_TYPE=Debug -DVANTREL_BUILD_BENCHMARKS=OFF)
if command -v clang++ >/dev/null 2>&1; then
    options+=(-DCMAKE_CXX_COMPILER=clang++ -DVANTREL_BUILD_FUZZERS=ON)
fi
if command -v ccache >/dev/null 2>&1; then
    options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
flags="-O1 -g -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build_dir" -G Ninja "${options[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
