#!/usr/bin/env bash
# Builds the picture tools and saves the pictures of the program, fed by the
# in-process simulated ECU; needs no display (offscreen platform):
# docs/screenshot.png, the main window with the engine data window and a
# running time history plot; docs/screenshot-tables.png, the fuel table
# editor with its operating cells, cross-hair and load plot; and
# docs/screenshot-setup.png, the four pages of the engine setup window.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT [SCENE]]
# (SCENE "monitor" or "tables"; without OUTPUT every picture is made.)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target vantrel-screenshot vantrel-screenshot-setup --parallel "$(nproc)"
shoot() {
    mkdir -p "$(dirname "$1")"
    QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot" "$1" "$2"
    echo "saved $1"
}
if [ $# -ge 2 ]; then
    shoot "$2" "${3:-monitor}"
else
    shoot docs/screenshot.png monitor
    shoot docs/screenshot-tables.png tables
    QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot-setup" docs/screenshot-setup.png
    echo "saved docs/screenshot-setup.png"
fi
