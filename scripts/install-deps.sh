#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# when any of them is missing. With --windows, installs as well what
# `make windows` and `make check-windows` need: the mingw-w64 cross compiler,
# GoogleTest's sources, wine64 to run the cross-built tests, NSIS and zip for
# the deliverables, and a deb-src entry for this Debian suite so Qt and
# QCustomPlot can be built from Debian's own source packages.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    qt6-tools-dev qt6-l10n-tools
    libqcustomplot-dev
    libftdi1-dev libusb-1.0-0-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libeigen3-dev libkissfft-dev
    clang-format
    clang-14 libfuzzer-14-dev
    xvfb xauth
    dpkg-dev file
    pybind11-dev python3-dev python3-numpy python3-pytest
)
windows=0
if [ "${1:-}" = "--windows" ]; then
    windows=1
    packages+=(mingw-w64 g++-mingw-w64-x86-64-posix googletest wine64 nsis zip unzip ninja-build)
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# apt-get source needs deb-src lines for the suite the host's Qt comes from.
if [ $windows -eq 1 ] && ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    . /etc/os-release
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$VERSION_CODENAME" | $sudo tee /etc/apt/sources.list.d/talmir-deb-src.sources > /dev/null
    $sudo apt-get update -q
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
