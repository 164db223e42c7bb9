#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds without the pseudo-terminal parts (VANTREL_WITH_PTY=OFF), as on a
# system without POSIX terminals: the window program and vantrelctl build,
# "vantrel --simulate" says it is not available, and the install rules hold
# (test_install installs into a scratch prefix and checks every file there,
# without vantrel-ecusim).
# Usage: scripts/nopty.sh [BUILD_DIR]   (default build-nopty)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-nopty}"
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WITH_PTY=OFF \
    -DVANTREL_BUILD_BENCHMARKS=OFF "${launcher[@]}"
cmake --build "$build" --parallel "$(nproc)" --target vantrel vantrelctl test_install
if [ -e "$build/bin/vantrel-ecusim" ]; then
    echo "nopty.sh: vantrel-ecusim was built with VANTREL_WITH_PTY=OFF" >&2
    exit 1
fi
status=0
message=$(QT_QPA_PLATFORM=offscreen "$build/bin/vantrel" --simulate 2>&1) || status=$?
if [ "$status" -ne 2 ] || [[ "$message" != *"--simulate is not available"* ]]; then
    echo "nopty.sh: vantrel --simulate gave $status: $message" >&2
    exit 1
fi
ctest --test-dir "$build" -R '^install\.' --output-on-failure --no-tests=error
