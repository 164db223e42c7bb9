#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from
# a copy of its seed corpus under tests/fuzz/corpus. A crash, a sanitizer
# report or a failed round trip fails the run and leaves the input in the
# work folder.
#
#     FUZZ_SECONDS=30 scripts/fuzz.sh [BUILD_DIR]     (default build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
build_dir=${1:-build-sanitize}
targets=(list_style ecu_file settings_file bulk_blocks)
if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz.sh: clang++ is not installed; the fuzz targets need it" >&2
    exit 1
fi
scripts/sanitize-configure.sh "$build_dir"
cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"
bin=$(cd "$build_dir/bin" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-fuzz.XXXXXX")
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
    mkdir -p "$work/$target/corpus"
    cp tests/fuzz/corpus/"$target"/* "$work/$target/corpus/"
    echo "== fuzz_$target for ${seconds}s"
    (cd "$work/$target" &&
        "$bin/fuzz_$target" -max_total_time="$seconds" -max_len=16384 \
            -print_final_stats=1 corpus >log 2>&1) || {
        tail -n 60 "$work/$target/log"
        echo "fuzz_$target failed; its input is in $work/$target" >&2
        exit 1
    }
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$work/$target/log"
done
rm -rf "$work"
