#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Velmo need.
#
#   ./scripts/install-deps.sh              the Linux build, its tests and tools
#   ./scripts/install-deps.sh --windows    also the Windows cross builds and wine
#
# Safe to run again: nothing is fetched when everything is present.
set -euo pipefail

windows=0
[ "${1:-}" = "--windows" ] && windows=1

packages=(
    build-essential cmake ninja-build pkg-config
    g++-multilib gcc-multilib qemu-user
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    juce-modules-source
    libpng-dev zlib1g-dev libjpeg-dev libfreetype-dev libfontconfig-dev
    libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
    libsndfile1-dev
    xvfb x11-utils xdotool imagemagick
    sox
    binutils file
    # The sanitized builds and the fuzzers: clang, its sanitizer and libFuzzer
    # runtimes, and llvm-symbolizer for readable reports.
    clang libclang-rt-14-dev llvm
    # The layout of the sources (scripts/format.sh, checked by a test).
    clang-format
    # The maths layer compiles a few files of musl and glibc from Debian's source packages.
    dpkg-dev
)
if [ "$windows" = 1 ]; then
    packages+=(
        g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
        perl
        wine wine64 wine32:i386
        # Without OpenGL, wine's DXGI has no outputs and JUCE's windows fail.
        libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
    )
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Every build compiles a few of musl's files, and the Windows builds libpng,
# libjpeg and libsndfile, from Debian's source packages: apt needs deb-src
# entries for the mirror and suites that the machine's own entries name.
src_list=/etc/apt/sources.list.d/velmo-deb-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
    entries=$(
        # deb822 files: the stanzas of type deb from a Debian mirror, as deb-src.
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            awk 'BEGIN { RS = ""; ORS = "\n\n" }
                 /(^|\n)Types:[^\n]*deb([ \n]|$)/ && /URIs:[^\n]*debian/ {
                     sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
        done
        # One-line entries in sources.list.
        if [ -f /etc/apt/sources.list ]; then
            awk '$1 == "deb" && $0 ~ /debian/ {
                     sub(/^deb /, ""); uri = $1; suite = $2; $1 = ""; $2 = ""
                     sub(/^ +/, ""); printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n\n", uri, suite, $0 }' \
                /etc/apt/sources.list
        fi
    )
    if [ -z "$entries" ]; then
        echo "install-deps: no Debian entry in the apt sources to add deb-src entries for" >&2
        exit 1
    fi
    printf '%s\n' "$entries" | "${sudo_cmd[@]}" tee "$src_list" >/dev/null
    need_update=1
fi

if [ "$windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    # 32-bit Windows programs run in wine's 32-bit half.
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    need_update=1
fi

if [ "${#missing[@]}" -eq 0 ] && [ "$need_update" = 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
if [ "${#missing[@]}" -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    # i386 packages must match the versions of their amd64 halves, which apt
    # may upgrade to the mirror's newer versions on the way.
    # The downloaded packages are deleted once installed: they would take
    # about 2 GB of a disk the builds need.
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
        -o APT::Keep-Downloaded-Packages=false "${missing[@]}"
fi
