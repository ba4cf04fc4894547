#!/usr/bin/env bash
# Builds the libraries the Windows builds link statically and Debian does not
# package for mingw-w64: libpng and libjpeg (under JUCE's image loaders) and
# libsndfile (the test host's audio files, external codecs off). Sources come
# from Debian's source packages, so they carry Debian's patches.
#
#   ./scripts/windows-deps.sh ARCH PREFIX      ARCH: x86_64 or i686
#
# Installs into PREFIX (include/, lib/). Sources are fetched once into
# build-deps/src (scripts/source-package.sh); each library is built once per
# PREFIX (a stamp file marks it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

arch="${1:?usage: windows-deps.sh x86_64|i686 PREFIX}"
prefix="${2:?usage: windows-deps.sh x86_64|i686 PREFIX}"
case "$arch" in
    x86_64) toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake" ;;
    i686) toolchain="$root/cmake/toolchains/mingw-w64-i686.cmake" ;;
    *) echo "windows-deps: unknown architecture $arch" >&2; exit 2 ;;
esac

src="$root/build-deps/src"
work="$root/build-deps/work-$arch"
mkdir -p "$src" "$work" "$prefix"
prefix="$(cd "$prefix" && pwd)"

# build NAME SOURCE-DIR CMAKE-ARGS...: configures, builds and installs once.
build() {
    local name="$1" dir="$2"
    shift 2
    local stamp="$prefix/.velmo-$name"
    [ -f "$stamp" ] && return 0
    echo "windows-deps: building $name for $arch"
    rm -rf "$work/$name"
    cmake -S "$dir" -B "$work/$name" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
        -DBUILD_SHARED_LIBS=OFF \
        "$@" >"$work/$name.log" 2>&1 \
        && cmake --build "$work/$name" -j"$(nproc)" >>"$work/$name.log" 2>&1 \
        && cmake --install "$work/$name" >>"$work/$name.log" 2>&1 \
        || { echo "windows-deps: $name failed; see $work/$name.log" >&2; tail -n 30 "$work/$name.log" >&2; exit 1; }
    touch "$stamp"
}

png_src=$("$root/scripts/source-package.sh" libpng1.6 "$src")
jpeg_src=$("$root/scripts/source-package.sh" libjpeg-turbo "$src")
sndfile_src=$("$root/scripts/source-package.sh" libsndfile "$src")

zlib_args=(-DZLIB_INCLUDE_DIR="/usr/$arch-w64-mingw32/include" -DZLIB_LIBRARY="/usr/$arch-w64-mingw32/lib/libz.a")

build libpng "$png_src" "${zlib_args[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON

build libjpeg "$jpeg_src" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
# JUCE's JPEG loader includes jpegint.h, which upstream does not install, and
# includes jpeglib.h inside a namespace of its own after <windows.h>: jconfig.h
# skips its boolean typedef when <windows.h> has one, which leaves JUCE's
# namespace without it. The same typedef is declared unconditionally instead
# (repeating a typedef of the same type is allowed).
cp "$jpeg_src/jpegint.h" "$prefix/include/"
perl -0pi -e 's/#ifndef __RPCNDR_H__[^\n]*\ntypedef unsigned char boolean;\n#endif/typedef unsigned char boolean;/' \
    "$prefix/include/jconfig.h"
grep -q '^typedef unsigned char boolean;' "$prefix/include/jconfig.h" \
    || { echo "windows-deps: unexpected jconfig.h" >&2; exit 1; }

build libsndfile "$sndfile_src" \
    -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_MANPAGES=OFF

echo "windows-deps: $arch libraries in $prefix"
