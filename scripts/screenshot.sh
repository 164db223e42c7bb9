#!/usr/bin/env bash
# Builds the picture tools and saves docs/screenshot.png: the main window with
# the engine data window and a running time history plot, fed by the
# in-process simulated ECU; and docs/screenshot-setup.png (beside OUTPUT): the
# four pages of the engine setup window. Needs no display (offscreen platform).
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
output="${2:-docs/screenshot.png}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target vantrel-screenshot vantrel-screenshot-setup --parallel "$(nproc)"
mkdir -p "$(dirname "$output")"
QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot" "$output"
echo "saved $output"
setup_output="$(dirname "$output")/screenshot-setup.png"
QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot-setup" "$setup_output"
echo "saved $setup_output"
