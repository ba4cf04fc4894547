#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Velmo need.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    g++-multilib gcc-multilib qemu-user
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    juce-modules-source
    libpng-dev zlib1g-dev libjpeg-dev libfreetype-dev libfontconfig-dev
    libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
    libsndfile1-dev
    xvfb x11-utils xdotool imagemagick
    binutils file
    # The sanitized builds and the fuzzers: clang, its sanitizer and libFuzzer
    # runtimes, and llvm-symbolizer for readable reports.
    clang libclang-rt-14-dev llvm
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
