#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# when any of them is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libqcustomplot-dev
    libftdi1-dev libusb-1.0-0-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libeigen3-dev libkissfft-dev
    clang-format
    clang-14 libfuzzer-14-dev
    xvfb xauth
)

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
