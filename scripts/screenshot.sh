#!/usr/bin/env bash
# Builds the picture tools and saves the pictures of the program, fed by the
# in-process simulated ECU; needs no display (offscreen platform):
# docs/screenshot.png, the main window with the engine data window and a
# running time history plot; docs/screenshot-tables.png, the fuel table
# editor with its operating cells, cross-hair, load plot and 3D plot;
# docs/screenshot-setup.png, the four pages of the engine setup window;
# docs/screenshot-diagnostics.png, the diagnostics window;
# docs/screenshot-idle.png, the idle air control and extra-parameters windows;
# and docs/screenshot-curves.png, the compensation, closed-loop EGO and
# air/water/battery curve windows.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT [SCENE]]
# (SCENE "monitor" or "tables"; without OUTPUT every picture is made.)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
tools=(vantrel-screenshot vantrel-screenshot-diagnostics vantrel-screenshot-idle
    vantrel-screenshot-compensation)
if [ -f tools/screenshot/SetupScene.cpp ]; then
    tools+=(vantrel-screenshot-setup)
fi
cmake --build "$build" --target "${tools[@]}" --parallel "$(nproc)"
shoot() {
    mkdir -p "$(dirname "$2")"
    QT_QPA_PLATFORM=offscreen "$build/bin/$1" "${@:2}"
    echo "saved $2"
}
if [ $# -ge 2 ]; then
    shoot vantrel-screenshot "$2" "${3:-monitor}"
else
    shoot vantrel-screenshot docs/screenshot.png monitor
    shoot vantrel-screenshot docs/screenshot-tables.png tables
    shoot vantrel-screenshot-diagnostics docs/screenshot-diagnostics.png
    shoot vantrel-screenshot-idle docs/screenshot-idle.png
    shoot vantrel-screenshot-compensation docs/screenshot-curves.png
    if [ -f tools/screenshot/SetupScene.cpp ]; then
        shoot vantrel-screenshot-setup docs/screenshot-setup.png
    fi
fi
