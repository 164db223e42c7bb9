#!/usr/bin/env bash
# Builds the picture tools and saves docs/screenshot.png: the main window with
# the engine data window and a running time history plot, and next to it
# screenshot-diagnostics.png: the diagnostics window; both fed by the
# in-process simulated ECU. Needs no display (offscreen platform).
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
output="${2:-docs/screenshot.png}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target vantrel-screenshot vantrel-screenshot-diagnostics \
    --parallel "$(nproc)"
mkdir -p "$(dirname "$output")"
QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot" "$output"
echo "saved $output"
diagnostics="$(dirname "$output")/screenshot-diagnostics.png"
QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot-diagnostics" "$diagnostics"
echo "saved $diagnostics"
