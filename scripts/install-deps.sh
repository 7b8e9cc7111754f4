#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# when any of them is missing. With --windows, installs instead what
# `make check-windows` needs: the mingw-w64 cross compiler, GoogleTest's
# sources and wine64 to run the cross-built tests.
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
)
if [ "${1:-}" = "--windows" ]; then
    packages=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix googletest libeigen3-dev libkissfft-dev wine64)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
