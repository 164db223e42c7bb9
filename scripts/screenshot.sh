#!/usr/bin/env bash
# Builds the picture tool and saves the pictures of the program, fed by the
# in-process simulated ECU; needs no display (offscreen platform):
# docs/screenshot.png, the main window with the engine data window and a
# running time history plot; docs/screenshot-tables.png, the fuel table
# editor with its operating cells, cross-hair, load plot and 3D plot;
# docs/screenshot-setup.png, the four pages of the engine setup window;
# docs/screenshot-diagnostics.png, the diagnostics window;
# docs/screenshot-idle.png, the idle air control and extra-parameters windows;
# docs/screenshot-curves.png, the compensation, closed-loop EGO and
# air/water/battery curve windows; docs/screenshot-review.png, the log
# review's four panes over a drive; docs/screenshot-scatter.png, its
# scatter plot with a filter; docs/screenshot-hits.png, the drive's hits
# over the maximised fuel table with the review's cursor as its operating
# point; docs/screenshot-gauges.png, the gauges on an engine pulling past
# 6000 rpm; docs/screenshot-autotune.png, the autotune window on the live
# source after a drive; and, on an 800 x 600 screen,
# docs/screenshot-tables-small.png, the fuel table editor, and
# docs/screenshot-setup-small.png, the four pages of the setup window.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT [SCENE [WIDTHxHEIGHT]]]
# (SCENE monitor, tables, setup, diagnostics, idle, curves, review, scatter,
# hits, gauges or autotune, monitor when left out; WIDTHxHEIGHT the screen the
# program runs on; without OUTPUT every picture is made.)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target vantrel-screenshot --parallel "$(nproc)"
shoot() {
    mkdir -p "$(dirname "$1")"
    QT_QPA_PLATFORM=offscreen "$build/bin/vantrel-screenshot" "$@"
    echo "saved $1"
}
if [ $# -ge 4 ]; then
    shoot "$2" "$3" "$4"
elif [ $# -ge 2 ]; then
    shoot "$2" "${3:-monitor}"
else
    shoot docs/screenshot.png monitor
    shoot docs/screenshot-tables.png tables
    shoot docs/screenshot-diagnostics.png diagnostics
    shoot docs/screenshot-idle.png idle
    shoot docs/screenshot-curves.png curves
    shoot docs/screenshot-setup.png setup
    shoot docs/screenshot-review.png review
    shoot docs/screenshot-scatter.png scatter
    shoot docs/screenshot-hits.png hits
    shoot docs/screenshot-gauges.png gauges
    shoot docs/screenshot-autotune.png autotune
    shoot docs/screenshot-tables-small.png tables 800x600
    shoot docs/screenshot-setup-small.png setup 800x600
fi
