#!/usr/bin/env bash
# Installs the build dependencies from Debian's packages when any is missing.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev
    # Qt SQL comes with qt6-base-dev; its SQLite driver, which the tune
    # history loads at run time, is a package of its own
    libqt6sql6-sqlite
    libgtest-dev libgmock-dev libbenchmark-dev
    # the manual's HTML, and the checks of the desktop entry, the AppStream
    # data and the Debian package
    python3-markdown desktop-file-utils appstream lintian
    # the sanitizer build and the fuzz targets, and faster rebuilds
    clang libclang-rt-14-dev ccache
    # bench_plot_library only: the plotting libraries the log review was
    # measured against (the program links neither)
    libqcustomplot-dev qt6-charts-dev libqt6opengl6-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
