#!/usr/bin/env bash
# Builds the Debian package of the program with cpack and prints its control
# data (dependencies included) and its file list; when lintian is installed,
# fails unless lintian finds neither an error nor a warning in it.
# Usage: scripts/package.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
    launcher=()
    if command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/vantrel_*.deb
(cd "$build" && cpack -G DEB)
deb="$(ls "$build"/vantrel_*.deb)"
echo "== $deb"
dpkg-deb -I "$deb"
echo "== files"
dpkg-deb -c "$deb"
if command -v lintian >/dev/null 2>&1; then
    echo "== lintian"
    lintian --fail-on error,warning "$deb"
    echo "lintian: no error or warning"
fi
