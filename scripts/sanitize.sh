#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it. Any report ends the test that made it, so it fails the run.
#
#     scripts/sanitize.sh [BUILD_DIR]     (default build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-sanitize}
scripts/sanitize-configure.sh "$build_dir"
cmake --build "$build_dir" --parallel "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0}
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error --parallel "$(nproc)"
